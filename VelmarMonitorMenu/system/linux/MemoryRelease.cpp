#include "system/MemoryRelease.h"

#include <malloc.h>

void releaseFreedMemory() {
    // glibc keeps freed pages in its arenas until asked; this is the asking.
    malloc_trim(0);
}
