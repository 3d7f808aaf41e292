#pragma once

// Get VCP and capabilities replies as a display sends them, for the helper's tests and fake displays, its
// benchmark and its fuzz target. Plain C++ so all of them can use it. The checksum is worked out here rather
// than by the code under test; tst_ddcpacket checks the framing against bytes worked out by hand.
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

struct VcpReply {
    std::uint8_t feature;
    std::uint16_t current = 0;
    std::uint16_t maximum = 100;
    std::uint8_t result = 0; ///< 0 no error, 1 unsupported feature
    std::uint8_t type = 0;
};

// Ends `reply` with its checksum; replies are checksummed as if sent to 0x50.
inline std::vector<std::uint8_t> checksummed(std::vector<std::uint8_t> reply) {
    std::uint8_t checksum = 0x50;
    for (const auto byte : reply)
        checksum ^= byte;
    reply.push_back(checksum);
    return reply;
}

inline std::vector<std::uint8_t> getVcpReply(const VcpReply& r) {
    // From the display (0x6E): eight data bytes with the length's flag, the Get VCP reply opcode.
    return checksummed({0x6E, 0x88, 0x02, r.result, r.feature, r.type, std::uint8_t(r.maximum >> 8),
                        std::uint8_t(r.maximum), std::uint8_t(r.current >> 8), std::uint8_t(r.current)});
}

// The part of a capabilities string that starts at `offset` (none: the end of the string).
inline std::vector<std::uint8_t> capabilitiesReply(std::uint16_t offset, std::string_view fragment) {
    std::vector<std::uint8_t> reply{0x6E, std::uint8_t(0x80 | (fragment.size() + 3)), 0xE3,
                                    std::uint8_t(offset >> 8), std::uint8_t(offset)};
    for (const char c : fragment) // (vector::insert here trips GCC 12's array-bounds warning)
        reply.push_back(std::uint8_t(c));
    return checksummed(std::move(reply));
}
