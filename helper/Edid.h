#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

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

/// The whole EDID base block: tells that a bus still holds exactly the display it held, and was
/// what earlier helpers named a monitor by. A mode setting that rewrites the timings changes it.
constexpr std::uint64_t edidHash(const EdidBlock& edid) {
    return fnv1a(edid);
}

/// What names a monitor whatever mode it is in: the fields of its EDID that say which monitor it
/// is, none that a mode setting rewrites (timings, the checksum) or that says when it was made.
struct MonitorIdentity {
    std::uint16_t maker = 0;        ///< bytes 8-9, as they stand
    std::uint16_t product = 0;      ///< bytes 10-11, little-endian
    std::uint32_t serialNumber = 0; ///< bytes 12-15, little-endian
    std::string name;               ///< the display-name descriptor's text (tag 0xFC)
    std::string serialText;         ///< the serial-number descriptor's (tag 0xFF): many a real serial

    bool operator==(const MonitorIdentity&) const = default;
};

/// The identity in an EDID. A descriptor's text is its bytes up to the line break that ends a
/// short one, without the spaces that pad it; an absent descriptor is an empty text.
MonitorIdentity monitorIdentity(const EdidBlock& edid);

/// Names a monitor for `display list`: FNV-1a over the identity, each text after its length so
/// that no two identities run together.
std::uint64_t monitorHash(const MonitorIdentity& identity);

/// The monitor's name: its display-name descriptor, else its maker's three letters and its product
/// code ("DEL 41159"). One line of printable text.
std::string edidName(const EdidBlock& edid);

/// Whether `text` could be a name edidName gives: 1 to 13 printable ASCII characters (a
/// descriptor's text holds no more), without a space at either end.
bool isEdidName(std::string_view text);

} // namespace m1ddc
