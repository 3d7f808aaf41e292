#pragma once

#include <array>
#include <cstdint>

namespace m1ddc {

/// A display's EDID base block, as read from address 0x50 on its bus or from the kernel's copy.
using EdidBlock = std::array<std::uint8_t, 128>;

/// Names a monitor by its whole EDID base block: maker, product and serial number, and the
/// descriptors where many monitors keep their real serial number. FNV-1a, 64 bits.
constexpr std::uint64_t edidHash(const EdidBlock& edid) {
    std::uint64_t hash = 0xcbf29ce484222325;
    for (const auto byte : edid) {
        hash = (hash ^ byte) * 0x100000001b3;
    }
    return hash;
}

} // namespace m1ddc
