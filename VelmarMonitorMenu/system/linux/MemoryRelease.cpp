#include "system/MemoryRelease.h"

#include <cstdio>
#include <cstring>

#include <malloc.h>
#include <sys/mman.h>

namespace {

// The views bring in code and fonts the tray never runs again until they are opened: the text
// shaping and font libraries, the font files, most of the widget library. Those pages are clean
// copies of files, so the kernel may take them back now and read them in again (from its page
// cache, as a rule) on the next opening; pages another program maps too are left alone by it.
void releaseFilePages() {
#ifdef MADV_PAGEOUT
    std::FILE* maps = std::fopen("/proc/self/maps", "re");
    if (!maps)
        return;
    char line[4096];
    while (std::fgets(line, sizeof line, maps)) {
        unsigned long start = 0;
        unsigned long end = 0;
        char permissions[5] = {};
        unsigned long inode = 0;
        int path = 0;
        if (std::sscanf(line, "%lx-%lx %4s %*s %*s %lu %n", &start, &end, permissions, &inode, &path) < 4)
            continue;
        // Read-only or executable mappings of a file: never written, so nothing is lost.
        if (inode == 0 || permissions[1] != '-' || line[path] != '/')
            continue;
        madvise(reinterpret_cast<void*>(start), end - start, MADV_PAGEOUT);
    }
    std::fclose(maps);
#endif
}

} // namespace

void releaseFreedMemory() {
    // glibc keeps freed pages in its arenas until asked; this is the asking.
    malloc_trim(0);
    releaseFilePages();
}
