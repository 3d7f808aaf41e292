#pragma once

#include <cstdio>
#include <cstdlib>

// A broken property must stop the run like a crash does, so libFuzzer keeps the input.
inline void require(bool holds, const char* property) {
    if (holds)
        return;
    std::fprintf(stderr, "fuzz: property broken: %s\n", property);
    std::abort();
}
