#include "DdcPacket.h"

#include <QTest>

#include <vector>

using namespace m1ddc;

Q_DECLARE_METATYPE(std::vector<std::uint8_t>)

namespace {

using Bytes = std::vector<std::uint8_t>;

// A well-formed Get VCP reply for luminance: current 50 of maximum 100. The checksum was worked
// out by hand: 0x50 ^ every byte from 0x6E to 0x32.
const Bytes luminanceReply{0x6E, 0x88, 0x02, 0x00, 0x10, 0x00, 0x00, 0x64, 0x00, 0x32, 0xF2};

} // namespace

class TestDdcPacket : public QObject {
    Q_OBJECT

private slots:
    void encodesRequests_data() {
        QTest::addColumn<Bytes>("encoded");
        QTest::addColumn<Bytes>("expected");
        // The usual host address, as ddcutil sends a luminance query.
        QTest::newRow("get luminance from 0x51")
            << ddc::encodeGetVcpRequest(0x51, 0x10) << Bytes{0x51, 0x82, 0x01, 0x10, 0xAC};
        QTest::newRow("get vendor input from 0x50")
            << ddc::encodeGetVcpRequest(0x50, 0xF4) << Bytes{0x50, 0x82, 0x01, 0xF4, 0x49};
        QTest::newRow("set vendor input DisplayPort from 0x50")
            << ddc::encodeSetVcpRequest(0x50, 0xF4, 0xD0) << Bytes{0x50, 0x84, 0x03, 0xF4, 0x00, 0xD0, 0x9D};
        QTest::newRow("set vendor input HDMI 2 from 0x50")
            << ddc::encodeSetVcpRequest(0x50, 0xF4, 0x91) << Bytes{0x50, 0x84, 0x03, 0xF4, 0x00, 0x91, 0xDC};
        // A value above 255 must split into high and low bytes.
        QTest::newRow("set 300 splits into two bytes")
            << ddc::encodeSetVcpRequest(0x51, 0x10, 300) << Bytes{0x51, 0x84, 0x03, 0x10, 0x01, 0x2C, 0x85};
    }
    void encodesRequests() {
        QFETCH(Bytes, encoded);
        QFETCH(Bytes, expected);
        QCOMPARE(encoded, expected);
    }

    void parsesGoodReplies() {
        auto parsed = ddc::parseGetVcpReply(luminanceReply, 0x10);
        QVERIFY(std::holds_alternative<ddc::VcpValue>(parsed));
        auto value = std::get<ddc::VcpValue>(parsed);
        QCOMPARE(value.current, 50);
        QCOMPARE(value.maximum, 100);
        QCOMPARE(value.type, 0);

        // Both bytes of the value count, and so do the maximum's.
        const Bytes wide{0x6E, 0x88, 0x02, 0x00, 0xF4, 0x01, 0x01, 0x00, 0x01, 0x90, 0xD1};
        parsed = ddc::parseGetVcpReply(wide, 0xF4);
        QVERIFY(std::holds_alternative<ddc::VcpValue>(parsed));
        value = std::get<ddc::VcpValue>(parsed);
        QCOMPARE(value.current, 0x0190);
        QCOMPARE(value.maximum, 0x0100);
        QCOMPARE(value.type, 1);

        // Displays pad when asked for more bytes than they sent; the padding is not part of the reply.
        Bytes padded = luminanceReply;
        padded.insert(padded.end(), {0xFF, 0xFF, 0x00});
        parsed = ddc::parseGetVcpReply(padded, 0x10);
        QVERIFY(std::holds_alternative<ddc::VcpValue>(parsed));
        QCOMPARE(std::get<ddc::VcpValue>(parsed).current, 50);
    }

    void refusesBadReplies_data() {
        QTest::addColumn<Bytes>("reply");
        QTest::addColumn<int>("expected");

        auto corrupt = [](std::size_t index, std::uint8_t value) {
            Bytes bytes = luminanceReply;
            bytes[index] = value;
            return bytes;
        };
        QTest::newRow("empty") << Bytes{} << int(ddc::ReplyError::truncated);
        QTest::newRow("source byte only") << Bytes{0x6E} << int(ddc::ReplyError::truncated);
        QTest::newRow("checksum missing")
            << Bytes(luminanceReply.begin(), luminanceReply.end() - 1) << int(ddc::ReplyError::truncated);
        QTest::newRow("half a reply")
            << Bytes(luminanceReply.begin(), luminanceReply.begin() + 6) << int(ddc::ReplyError::truncated);
        QTest::newRow("not from the display") << corrupt(0, 0x6F) << int(ddc::ReplyError::wrongSource);
        QTest::newRow("length without its flag") << corrupt(1, 0x08) << int(ddc::ReplyError::badLength);
        QTest::newRow("bad checksum") << corrupt(10, 0xF3) << int(ddc::ReplyError::badChecksum);
        QTest::newRow("flipped value bit") << corrupt(9, 0x33) << int(ddc::ReplyError::badChecksum);
        // The same bytes checksummed as a request would be (seeded with 0x6E, not 0x50).
        QTest::newRow("checksum with the wrong seed")
            << corrupt(10, 0xF2 ^ 0x50 ^ 0x6E) << int(ddc::ReplyError::badChecksum);
        QTest::newRow("null message") << Bytes{0x6E, 0x80, 0xBE} << int(ddc::ReplyError::nullMessage);
        QTest::newRow("null message with padding")
            << Bytes{0x6E, 0x80, 0xBE, 0x6E, 0x80, 0xBE, 0xFF} << int(ddc::ReplyError::nullMessage);
        QTest::newRow("wrong opcode")
            << Bytes{0x6E, 0x88, 0xE3, 0x00, 0x10, 0x00, 0x00, 0x64, 0x00, 0x32, 0x13}
            << int(ddc::ReplyError::wrongOpcode);
        QTest::newRow("feature reply one byte short")
            << Bytes{0x6E, 0x87, 0x02, 0x00, 0x10, 0x00, 0x00, 0x64, 0x00, 0xCF}
            << int(ddc::ReplyError::badLength);
        QTest::newRow("unsupported feature")
            << Bytes{0x6E, 0x88, 0x02, 0x01, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0xA5}
            << int(ddc::ReplyError::unsupportedFeature);
        QTest::newRow("unknown result code")
            << Bytes{0x6E, 0x88, 0x02, 0x02, 0x10, 0x00, 0x00, 0x64, 0x00, 0x32, 0xF0}
            << int(ddc::ReplyError::badResultCode);
        QTest::newRow("reply for another feature")
            << Bytes{0x6E, 0x88, 0x02, 0x00, 0x12, 0x00, 0x00, 0x64, 0x00, 0x32, 0xF0}
            << int(ddc::ReplyError::wrongFeature);
    }
    void refusesBadReplies() {
        QFETCH(Bytes, reply);
        QFETCH(int, expected);
        const auto parsed = ddc::parseGetVcpReply(reply, 0x10);
        QVERIFY(std::holds_alternative<ddc::ReplyError>(parsed));
        QCOMPARE(int(std::get<ddc::ReplyError>(parsed)), expected);
    }

    void describesEveryReplyErrorDifferently() {
        std::vector<std::string_view> texts;
        for (int error = int(ddc::ReplyError::truncated); error <= int(ddc::ReplyError::wrongFeature);
             ++error) {
            const auto text = ddc::describe(ddc::ReplyError(error));
            QVERIFY(!text.empty());
            QVERIFY2(std::find(texts.begin(), texts.end(), text) == texts.end(), text.data());
            texts.push_back(text);
        }
    }
};

QTEST_GUILESS_MAIN(TestDdcPacket)
#include "tst_ddcpacket.moc"
