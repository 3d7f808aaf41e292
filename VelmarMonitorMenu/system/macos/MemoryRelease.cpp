#include "system/MemoryRelease.h"

#include <malloc/malloc.h>

void releaseFreedMemory() {
    // Every malloc zone gives back all the freed pages it can.
    malloc_zone_pressure_relief(nullptr, 0);
}
