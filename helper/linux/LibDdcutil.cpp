#include "LibDdcutil.h"

#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace m1ddc {

namespace {

// The ABI of the libddcutil headers we build against, named in helper/CMakeLists.txt.
constexpr const char* libraryName = VELMAR_DDCUTIL_SONAME;

// Keeps whatever the library prints while it initialises out of our stdout and stderr.
class SilencedOutput {
public:
    SilencedOutput() {
        std::fflush(stdout);
        std::fflush(stderr);
        savedOut_ = ::dup(STDOUT_FILENO);
        savedErr_ = ::dup(STDERR_FILENO);
        const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (sink >= 0) {
            ::dup2(sink, STDOUT_FILENO);
            ::dup2(sink, STDERR_FILENO);
            ::close(sink);
        }
    }
    SilencedOutput(const SilencedOutput&) = delete;
    SilencedOutput& operator=(const SilencedOutput&) = delete;
    ~SilencedOutput() {
        std::fflush(stdout);
        std::fflush(stderr);
        restore(savedOut_, STDOUT_FILENO);
        restore(savedErr_, STDERR_FILENO);
    }

private:
    static void restore(int saved, int target) {
        if (saved >= 0) {
            ::dup2(saved, target);
            ::close(saved);
        }
    }

    int savedOut_ = -1;
    int savedErr_ = -1;
};

template <typename Function> bool resolve(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

std::variant<const LibDdcutil*, Failure> loadOnce() {
    static LibDdcutil api;
    void* library = nullptr;
    {
        const SilencedOutput quiet;
        // Never closed: the library keeps state and exit handlers for the life of the process.
        library = ::dlopen(libraryName, RTLD_NOW | RTLD_LOCAL);
    }
    if (library == nullptr) {
        const char* reason = ::dlerror();
        return Failure{"Cannot load libddcutil: " + std::string(reason != nullptr ? reason : libraryName)};
    }
    const bool complete = resolve(library, "ddca_get_display_info_list2", api.getDisplayInfoList2) &&
                          resolve(library, "ddca_free_display_info_list", api.freeDisplayInfoList) &&
                          resolve(library, "ddca_set_fout", api.setFout) &&
                          resolve(library, "ddca_set_ferr", api.setFerr) &&
                          resolve(library, "ddca_enable_report_ddc_errors", api.enableReportDdcErrors);
    if (!complete) {
        const char* reason = ::dlerror();
        return Failure{"Cannot use libddcutil: " +
                       std::string(reason != nullptr ? reason : "missing entry point")};
    }
    return &api;
}

} // namespace

std::variant<const LibDdcutil*, Failure> LibDdcutil::load() {
    static const auto loaded = loadOnce();
    return loaded;
}

} // namespace m1ddc
