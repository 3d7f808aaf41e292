#include "DdcPacket.h"

namespace m1ddc::ddc {

namespace {

constexpr std::uint8_t lengthFlag = 0x80; // set on every length byte so it cannot be mistaken for data
constexpr std::uint8_t resultNoError = 0x00;
constexpr std::uint8_t resultUnsupported = 0x01;

std::vector<std::uint8_t> frame(std::uint8_t source, std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> message;
    message.reserve(data.size() + 3);
    message.push_back(source);
    message.push_back(static_cast<std::uint8_t>(lengthFlag | data.size()));
    message.insert(message.end(), data.begin(), data.end());
    message.push_back(checksum(displayAddress, message));
    return message;
}

// The message's data bytes once its framing holds: the address, the length and the checksum.
std::variant<std::span<const std::uint8_t>, ReplyError> validatedData(std::span<const std::uint8_t> reply) {
    // A repeated address cannot be a length byte (0x6E is far beyond any DDC/CI message), so the
    // last of a run of them starts the reply.
    while (reply.size() >= 2 && reply[0] == displayAddress && reply[1] == displayAddress) {
        reply = reply.subspan(1);
    }
    if (reply.size() < 2) {
        return ReplyError::truncated;
    }
    if (reply[0] != displayAddress) {
        return ReplyError::wrongSource;
    }
    const std::size_t dataLength = reply[1] & ~lengthFlag;
    if (reply.size() < dataLength + 3) {
        return ReplyError::truncated;
    }
    const auto message = reply.first(dataLength + 2);
    if (checksum(replyChecksumSeed, message) != reply[dataLength + 2]) {
        return ReplyError::badChecksum;
    }
    if (dataLength == 0) {
        return ReplyError::nullMessage;
    }
    return message.subspan(2);
}

} // namespace

std::uint8_t checksum(std::uint8_t seed, std::span<const std::uint8_t> bytes) {
    std::uint8_t sum = seed;
    for (const auto byte : bytes) {
        sum ^= byte;
    }
    return sum;
}

std::vector<std::uint8_t> encodeGetVcpRequest(std::uint8_t source, std::uint8_t feature) {
    const std::uint8_t data[] = {getVcpOpcode, feature};
    return frame(source, data);
}

std::vector<std::uint8_t> encodeSetVcpRequest(std::uint8_t source, std::uint8_t feature,
                                              std::uint16_t value) {
    const std::uint8_t data[] = {setVcpOpcode, feature, static_cast<std::uint8_t>(value >> 8),
                                 static_cast<std::uint8_t>(value & 0xFF)};
    return frame(source, data);
}

std::vector<std::uint8_t> encodeCapabilitiesRequest(std::uint8_t source, std::uint16_t offset) {
    const std::uint8_t data[] = {capabilitiesRequestOpcode, static_cast<std::uint8_t>(offset >> 8),
                                 static_cast<std::uint8_t>(offset & 0xFF)};
    return frame(source, data);
}

std::string_view describe(ReplyError error) {
    switch (error) {
    case ReplyError::truncated:
        return "The display's reply was cut short";
    case ReplyError::wrongSource:
        return "The reply did not come from the display";
    case ReplyError::badLength:
        return "The display's reply has an invalid length";
    case ReplyError::badChecksum:
        return "The display's reply failed its checksum";
    case ReplyError::nullMessage:
        return "The display answered with an empty message";
    case ReplyError::wrongOpcode:
        return "The display's reply is not a feature reply";
    case ReplyError::unsupportedFeature:
        return "The display does not support this feature";
    case ReplyError::badResultCode:
        return "The display's reply carries an unknown result code";
    case ReplyError::wrongFeature:
        return "The display answered for a different feature";
    case ReplyError::wrongOffset:
        return "The display answered with another part of its capabilities";
    }
    return "The display's reply is invalid";
}

std::variant<VcpValue, ReplyError> parseGetVcpReply(std::span<const std::uint8_t> reply,
                                                    std::uint8_t feature) {
    const auto validated = validatedData(reply);
    if (const auto* error = std::get_if<ReplyError>(&validated)) {
        return *error;
    }
    const auto data = std::get<std::span<const std::uint8_t>>(validated);
    if (data[0] != getVcpReplyOpcode) {
        return ReplyError::wrongOpcode;
    }
    if (data.size() != getVcpReplySize - 3) {
        return ReplyError::badLength;
    }
    // The echoed feature first: a reply meant for another request (one left on the bus by another
    // program) says nothing about ours, not even that it is unsupported.
    if (data[2] != feature) {
        return ReplyError::wrongFeature;
    }
    if (data[1] == resultUnsupported) {
        return ReplyError::unsupportedFeature;
    }
    if (data[1] != resultNoError) {
        return ReplyError::badResultCode;
    }
    return VcpValue{
        .type = data[3],
        .maximum = static_cast<std::uint16_t>(data[4] << 8 | data[5]),
        .current = static_cast<std::uint16_t>(data[6] << 8 | data[7]),
    };
}

std::variant<std::vector<std::uint8_t>, ReplyError>
parseCapabilitiesReply(std::span<const std::uint8_t> reply, std::uint16_t offset) {
    const auto validated = validatedData(reply);
    if (const auto* error = std::get_if<ReplyError>(&validated)) {
        return *error;
    }
    const auto data = std::get<std::span<const std::uint8_t>>(validated);
    if (data[0] != capabilitiesReplyOpcode) {
        return ReplyError::wrongOpcode;
    }
    if (data.size() < 3 || data.size() > maxCapabilitiesFragment + 3) {
        return ReplyError::badLength;
    }
    // A fragment of another request (a repeat of the last, say) must not be pieced in here.
    if ((data[1] << 8 | data[2]) != offset) {
        return ReplyError::wrongOffset;
    }
    return std::vector<std::uint8_t>(data.begin() + 3, data.end());
}

} // namespace m1ddc::ddc
