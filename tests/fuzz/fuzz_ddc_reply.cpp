// Bytes read from a display, handed to the Get VCP reply parser. Only the parser's interface is
// used, so the target does not depend on which framings the parser accepts.
#include "FuzzCheck.h"

#include "DdcPacket.h"
#include "DdcReplies.h"

#include <cstddef>
#include <cstdint>
#include <variant>
#include <vector>

using namespace m1ddc;

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
    auto reply = getVcpReply(
        {.feature = feature, .current = value.current, .maximum = value.maximum, .type = value.type});
    reply.insert(reply.end(), read.begin() + 5, read.end());
    const auto accepted = ddc::parseGetVcpReply(reply, feature);
    const auto* got = std::get_if<ddc::VcpValue>(&accepted);
    require(got != nullptr, "a well-formed reply is accepted");
    require(got->type == value.type && got->maximum == value.maximum && got->current == value.current,
            "a well-formed reply gives back its values");
    return 0;
}
