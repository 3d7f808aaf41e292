// Bytes read from a display, handed to the Get VCP reply parser. Only the parser's interface is
// used, so the target does not depend on which framings the parser accepts.
#include "FuzzCheck.h"

#include "DdcPacket.h"

#include <cstddef>
#include <cstdint>
#include <variant>
#include <vector>

using namespace m1ddc;

namespace {

// A well-formed reply carrying these values, followed by padding as a display sends it when
// asked for more bytes than its reply has.
std::vector<std::uint8_t> wellFormedReply(std::uint8_t feature, const ddc::VcpValue& value,
                                          const std::vector<std::uint8_t>& padding) {
    std::vector<std::uint8_t> reply{ddc::displayAddress,
                                    0x88, // eight data bytes, with the length byte's flag
                                    ddc::getVcpReplyOpcode,
                                    0x00, // no error
                                    feature,
                                    value.type,
                                    static_cast<std::uint8_t>(value.maximum >> 8),
                                    static_cast<std::uint8_t>(value.maximum & 0xFF),
                                    static_cast<std::uint8_t>(value.current >> 8),
                                    static_cast<std::uint8_t>(value.current & 0xFF)};
    std::uint8_t sum = ddc::replyChecksumSeed;
    for (const auto byte : reply)
        sum ^= byte;
    reply.push_back(sum);
    reply.insert(reply.end(), padding.begin(), padding.end());
    return reply;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte is the feature asked for; the rest is what was read. The copy is exactly as
    // long as the read, so a look past either end of it is caught.
    if (size < 1)
        return 0;
    const std::uint8_t feature = data[0];
    const std::vector<std::uint8_t> read(data + 1, data + size);

    const auto parsed = ddc::parseGetVcpReply(read, feature);
    if (const auto* error = std::get_if<ddc::ReplyError>(&parsed))
        require(!ddc::describe(*error).empty(), "every refusal has a description");

    // The same bytes read another way: the values of a well-formed reply, then its padding. It
    // must give back exactly those values whatever the padding.
    if (read.size() < 5)
        return 0;
    const ddc::VcpValue value{
        .type = read[0],
        .maximum = static_cast<std::uint16_t>(read[1] << 8 | read[2]),
        .current = static_cast<std::uint16_t>(read[3] << 8 | read[4]),
    };
    const auto reply = wellFormedReply(feature, value, {read.begin() + 5, read.end()});
    const auto accepted = ddc::parseGetVcpReply(reply, feature);
    const auto* got = std::get_if<ddc::VcpValue>(&accepted);
    require(got != nullptr, "a well-formed reply is accepted");
    require(got->type == value.type && got->maximum == value.maximum && got->current == value.current,
            "a well-formed reply gives back its values");
    return 0;
}
