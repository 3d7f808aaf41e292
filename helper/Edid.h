#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace m1ddc {

/// A display's EDID base block, as read from address 0x50 on its bus or from the kernel's copy.
using EdidBlock = std::array<std::uint8_t, 128>;

/// FNV-1a, 64 bits, over `bytes`, continuing from `hash`: how the helper names monitors.
constexpr std::uint64_t fnv1a(std::span<const std::uint8_t> bytes, std::uint64_t hash = 0xcbf29ce484222325) {
    for (const auto byte : bytes) {
        hash = (hash ^ byte) * 0x100000001b3;
    }
    return hash;
}

/// Names a monitor by its whole EDID base block: maker, product and serial number, and the
/// descriptors where many monitors keep their real serial number.
constexpr std::uint64_t edidHash(const EdidBlock& edid) {
    return fnv1a(edid);
}

/// The monitor's name: its display-name descriptor, else its maker's three letters and its product
/// code ("DEL 41159"). One line of printable text.
std::string edidName(const EdidBlock& edid);

} // namespace m1ddc
