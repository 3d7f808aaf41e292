// m1ddc: reads or sets one value of the external monitor per run, for Velmar Monitor.
//   m1ddc get luminance|contrast|volume|red|green|blue|input|input-alt
//   m1ddc set luminance|contrast|volume|red|green|blue <0..100>
//   m1ddc set input-alt <vendor input code>
//   m1ddc set input <standard input code>
// With VELMAR_SIMULATED_MONITOR naming a file, that file stands in for the monitor.
#include "Cli.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

// Whoever started us may have left 0, 1 or 2 closed: the next file we open would take that number,
// and what we print would go into it, a monitor's bus device among them.
bool standardDescriptorsOpen() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF && ::open("/dev/null", O_RDWR) != fd) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (!standardDescriptorsOpen()) {
        return m1ddc::exitFailure;
    }
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const int status = m1ddc::run(arguments, std::getenv("VELMAR_SIMULATED_MONITOR"), std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : m1ddc::exitFailure;
}
