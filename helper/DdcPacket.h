#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

// DDC/CI message framing, as bytes handed to /dev/i2c-N with the display's slave address already
// selected (the kernel sends the 0x6E/0x6F address byte itself, but the checksum still covers it).
namespace m1ddc::ddc {

constexpr std::uint8_t displayAddress = 0x6E;      ///< the display's I2C write address (0x37 << 1)
constexpr std::uint8_t hostAddress = 0x51;         ///< the usual source address of host messages
constexpr std::uint8_t vendorHostAddress = 0x50;   ///< source address the vendor input register answers to
constexpr std::uint8_t replyChecksumSeed = 0x50;   ///< replies are checksummed as if sent to 0x50
constexpr std::uint8_t displaySlaveAddress = 0x37; ///< for ioctl(I2C_SLAVE)

constexpr std::uint8_t getVcpOpcode = 0x01;
constexpr std::uint8_t getVcpReplyOpcode = 0x02;
constexpr std::uint8_t setVcpOpcode = 0x03;
constexpr std::uint8_t capabilitiesRequestOpcode = 0xF3;
constexpr std::uint8_t capabilitiesReplyOpcode = 0xE3;

/// Size of a complete Get VCP reply: source, length, 8 data bytes, checksum.
constexpr std::size_t getVcpReplySize = 11;
/// How much to read for a Get VCP reply: some displays repeat their address before the reply, so
/// a read of the bare reply size would lose its checksum.
constexpr std::size_t getVcpReadSize = getVcpReplySize + 5;

/// Most bytes of the capabilities string that one reply carries.
constexpr std::size_t maxCapabilitiesFragment = 32;
/// How much to read for a capabilities reply: source, length, opcode, two offset bytes, the
/// fragment and the checksum, with room for repeated addresses as for a Get VCP reply.
constexpr std::size_t capabilitiesReadSize = maxCapabilitiesFragment + 6 + 5;

/// XOR of `seed` and every byte.
std::uint8_t checksum(std::uint8_t seed, std::span<const std::uint8_t> bytes);

/// A Get VCP Feature request from `source` for `feature`.
std::vector<std::uint8_t> encodeGetVcpRequest(std::uint8_t source, std::uint8_t feature);

/// A Set VCP Feature request from `source` setting `feature` to `value`.
std::vector<std::uint8_t> encodeSetVcpRequest(std::uint8_t source, std::uint8_t feature, std::uint16_t value);

/// A Capabilities Request from `source` for the part of the string that starts at `offset`.
std::vector<std::uint8_t> encodeCapabilitiesRequest(std::uint8_t source, std::uint16_t offset);

/// A feature's value as the display reported it.
struct VcpValue {
    std::uint8_t type = 0; ///< 0 = set parameter, 1 = momentary
    std::uint16_t maximum = 0;
    std::uint16_t current = 0;
};

/// Why a reply was refused. Every kind except `unsupportedFeature` is worth asking again.
enum class ReplyError {
    truncated,
    wrongSource,
    badLength,
    badChecksum,
    nullMessage,
    wrongOpcode,
    unsupportedFeature,
    badResultCode,
    wrongFeature,
    wrongOffset,
};

/// One line of text describing `error` for the user.
std::string_view describe(ReplyError error);

/// Validates a Get VCP Feature reply for `feature` as read from the display. Bytes after the
/// message are ignored: displays pad short messages when asked for more than they sent. Two common
/// display faults are tolerated, the checksum still covering the bytes as they came: the address
/// sent more than once before the reply, and a length byte without its 0x80 flag.
std::variant<VcpValue, ReplyError> parseGetVcpReply(std::span<const std::uint8_t> reply,
                                                    std::uint8_t feature);

/// Validates a Capabilities Reply to the request for `offset`, with the same tolerance as
/// parseGetVcpReply; gives the fragment it carries, empty at the end of the string.
std::variant<std::vector<std::uint8_t>, ReplyError>
parseCapabilitiesReply(std::span<const std::uint8_t> reply, std::uint16_t offset);

} // namespace m1ddc::ddc
