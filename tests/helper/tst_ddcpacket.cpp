#include "DdcPacket.h"
#include "DdcReplies.h"

#include <QTest>

#include <vector>

using namespace m1ddc;

Q_DECLARE_METATYPE(std::vector<std::uint8_t>)

namespace {

using Bytes = std::vector<std::uint8_t>;

// A well-formed Get VCP reply for luminance: current 50 of maximum 100. The checksum was worked
// out by hand: 0x50 ^ every byte from 0x6E to 0x32.
const Bytes luminanceReply{0x6E, 0x88, 0x02, 0x00, 0x10, 0x00, 0x00, 0x64, 0x00, 0x32, 0xF2};

QString refused(ddc::ReplyError error) {
    return "refused: " + QString::fromUtf8(ddc::describe(error));
}

Bytes corrupt(std::size_t index, std::uint8_t value) {
    Bytes bytes = luminanceReply;
    bytes[index] = value;
    return bytes;
}

} // namespace

class TestDdcPacket : public QObject {
    Q_OBJECT

private slots:
    void encodesRequests_data() {
        QTest::addColumn<Bytes>("encoded");
        QTest::addColumn<Bytes>("expected");
        // clang-format off
        // The usual host address, as ddcutil sends a luminance query.
        QTest::newRow("get luminance from 0x51") << ddc::encodeGetVcpRequest(0x51, 0x10) << Bytes{0x51, 0x82, 0x01, 0x10, 0xAC};
        QTest::newRow("set vendor input DisplayPort from 0x50") << ddc::encodeSetVcpRequest(0x50, 0xF4, 0xD0) << Bytes{0x50, 0x84, 0x03, 0xF4, 0x00, 0xD0, 0x9D};
        // A value above 255 must split into high and low bytes.
        QTest::newRow("set 300 splits into two bytes") << ddc::encodeSetVcpRequest(0x51, 0x10, 300) << Bytes{0x51, 0x84, 0x03, 0x10, 0x01, 0x2C, 0x85};
        // As ddcutil asks for the part of the capabilities string at 32: the offset in two bytes.
        QTest::newRow("capabilities from 32") << ddc::encodeCapabilitiesRequest(0x51, 0x20) << Bytes{0x51, 0x83, 0xF3, 0x00, 0x20, 0x6F};
        // clang-format on
    }
    void encodesRequests() {
        QFETCH(Bytes, encoded);
        QTEST(encoded, "expected");
    }

    void parsesReplies_data() {
        QTest::addColumn<Bytes>("reply");
        QTest::addColumn<QString>("expected"); // type, maximum and current value, or why it was refused
        using enum ddc::ReplyError;
        // clang-format off
        QTest::newRow("luminance") << luminanceReply << "0 100 50";
        // Both bytes of the value count, and so do the maximum's.
        QTest::newRow("two-byte values") << Bytes{0x6E, 0x88, 0x02, 0x00, 0x10, 0x01, 0x01, 0x00, 0x01, 0x90, 0x35} << "1 256 400";
        QTest::newRow("empty") << Bytes{} << refused(truncated);
        QTest::newRow("checksum missing") << Bytes(luminanceReply.begin(), luminanceReply.end() - 1) << refused(truncated);
        QTest::newRow("not from the display") << corrupt(0, 0x6F) << refused(wrongSource);
        // Some displays leave the flag off their length byte; the checksum covers the byte as sent.
        QTest::newRow("length without its flag") << Bytes{0x6E, 0x08, 0x02, 0x00, 0x10, 0x00, 0x00, 0x64, 0x00, 0x32, 0x72} << "0 100 50";
        QTest::newRow("flag lost on the way") << corrupt(1, 0x08) << refused(badChecksum);
        // Some displays send their address twice before the reply.
        QTest::newRow("address repeated") << Bytes{0x6E, 0x6E, 0x88, 0x02, 0x00, 0x10, 0x00, 0x00, 0x64, 0x00, 0x32, 0xF2} << "0 100 50";
        // What a read of the bare reply size gets from such a display: no checksum.
        QTest::newRow("address repeated, read too short") << Bytes{0x6E, 0x6E, 0x88, 0x02, 0x00, 0x10, 0x00, 0x00, 0x64, 0x00, 0x32} << refused(truncated);
        QTest::newRow("flipped value bit") << corrupt(9, 0x33) << refused(badChecksum);
        // The same bytes checksummed as a request would be (seeded with 0x6E, not 0x50).
        QTest::newRow("checksum with the wrong seed") << corrupt(10, 0xF2 ^ 0x50 ^ 0x6E) << refused(badChecksum);
        // Displays pad when asked for more bytes than they sent; the padding is not part of the reply.
        QTest::newRow("padded null message") << Bytes{0x6E, 0x80, 0xBE, 0x6E, 0x80, 0xBE, 0xFF} << refused(nullMessage);
        QTest::newRow("wrong opcode") << Bytes{0x6E, 0x88, 0xE3, 0x00, 0x10, 0x00, 0x00, 0x64, 0x00, 0x32, 0x13} << refused(wrongOpcode);
        QTest::newRow("feature reply one byte short") << Bytes{0x6E, 0x87, 0x02, 0x00, 0x10, 0x00, 0x00, 0x64, 0x00, 0xCF} << refused(badLength);
        QTest::newRow("unsupported feature") << Bytes{0x6E, 0x88, 0x02, 0x01, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0xA5} << refused(unsupportedFeature);
        QTest::newRow("unknown result code") << Bytes{0x6E, 0x88, 0x02, 0x02, 0x10, 0x00, 0x00, 0x64, 0x00, 0x32, 0xF0} << refused(badResultCode);
        QTest::newRow("reply for another feature") << Bytes{0x6E, 0x88, 0x02, 0x00, 0x12, 0x00, 0x00, 0x64, 0x00, 0x32, 0xF0} << refused(wrongFeature);
        // Contrast unsupported, left on the bus by another program: says nothing about luminance.
        QTest::newRow("another feature unsupported") << Bytes{0x6E, 0x88, 0x02, 0x01, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0xA7} << refused(wrongFeature);
        // clang-format on
    }
    void parsesReplies() {
        QFETCH(Bytes, reply);
        const auto parsed = ddc::parseGetVcpReply(reply, 0x10);
        const auto* value = std::get_if<ddc::VcpValue>(&parsed);
        QTEST(value ? QString("%1 %2 %3").arg(value->type).arg(value->maximum).arg(value->current)
                    : refused(std::get<ddc::ReplyError>(parsed)),
              "expected");
    }

    // The framing rules are the Get VCP reply's (above); these are the capabilities reply's own.
    void parsesCapabilitiesReplies_data() {
        QTest::addColumn<Bytes>("reply");
        QTest::addColumn<QString>("expected"); // the fragment, or why it was refused
        using enum ddc::ReplyError;
        const Bytes vcpAt32{0x6E, 0x87, 0xE3, 0x00, 0x20, 'v', 'c', 'p', '(', 0x37};
        // clang-format off
        QTest::newRow("fragment at 32") << vcpAt32 << "vcp(";
        QTest::newRow("padded end of the string") << Bytes{0x6E, 0x83, 0xE3, 0x00, 0x20, 0x7E, 0x6E, 0x80} << "";
        // The display sent the fragment before again.
        QTest::newRow("fragment at 0") << Bytes{0x6E, 0x87, 0xE3, 0x00, 0x00, 'v', 'c', 'p', '(', 0x17} << refused(wrongOffset);
        QTest::newRow("a feature reply") << luminanceReply << refused(wrongOpcode);
        QTest::newRow("no offset") << Bytes{0x6E, 0x82, 0xE3, 0x00, 0x5F} << refused(badLength);
        // clang-format on
        // One byte more than a fragment may carry.
        QTest::newRow("33 bytes") << capabilitiesReply(0x20, std::string(33, 'x')) << refused(badLength);
    }
    void parsesCapabilitiesReplies() {
        QFETCH(Bytes, reply);
        const auto parsed = ddc::parseCapabilitiesReply(reply, 0x20);
        const auto* fragment = std::get_if<Bytes>(&parsed);
        QTEST(fragment
                  ? QString::fromLatin1(reinterpret_cast<const char*>(fragment->data()), fragment->size())
                  : refused(std::get<ddc::ReplyError>(parsed)),
              "expected");
    }
};

QTEST_GUILESS_MAIN(TestDdcPacket)
#include "tst_ddcpacket.moc"
