// libSystem's malloc (<malloc/malloc.h>): what the macOS bindings use of it, declared as Apple
// documents it.
#pragma once

#include <stddef.h>

typedef struct _malloc_zone_t malloc_zone_t;

// Frees what the zone (every zone when null) can give back; a goal of 0 asks for as much as possible.
size_t malloc_zone_pressure_relief(malloc_zone_t* zone, size_t goal);
