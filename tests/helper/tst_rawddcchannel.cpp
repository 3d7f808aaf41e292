#include "RawDdcChannel.h"

#include <QTest>

#include <vector>

using namespace m1ddc;
using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes vendorInputHdmi2Reply{0x6E, 0x88, 0x02, 0x00, 0xF4, 0x00, 0x00, 0xFF, 0x00, 0x91, 0x2E};
const Bytes badChecksumReply{0x6E, 0x88, 0x02, 0x00, 0xF4, 0x00, 0x00, 0xFF, 0x00, 0x91, 0x2F};
const Bytes nullMessage{0x6E, 0x80, 0xBE};
const Bytes unsupportedReply{0x6E, 0x88, 0x02, 0x01, 0xF4, 0x00, 0x00, 0x00, 0x00, 0x00, 0x41};
// Left on the bus by another program that asked for contrast.
const Bytes strayUnsupportedContrast{0x6E, 0x88, 0x02, 0x01, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0xA7};
// The display repeats its address before the reply.
const Bytes repeatedAddressReply{0x6E, 0x6E, 0x88, 0x02, 0x00, 0xF4, 0x00, 0x00, 0xFF, 0x00, 0x91, 0x2E};
const Bytes getVendorInputRequest{0x50, 0x82, 0x01, 0xF4, 0x49};
const Bytes setVendorInputDisplayPort{0x50, 0x84, 0x03, 0xF4, 0x00, 0xD0, 0x9D};
const Failure busy{"Cannot write to /dev/i2c-7: Device or resource busy"};

using Sends = std::vector<WriteOutcome>;
using Replies = std::vector<std::variant<Bytes, Failure>>;

// Answers the n-th send and receive from a script and records what was sent; pauses are added up,
// not slept.
class ScriptedTransport final : public DdcTransport {
public:
    ScriptedTransport(Sends sendResults, Replies replies)
        : sendResults(std::move(sendResults)), replies(std::move(replies)) {}

    const Sends sendResults;
    const Replies replies;
    std::vector<Bytes> sent;
    std::vector<std::chrono::milliseconds> waitsBeforeReceive;
    std::chrono::milliseconds waitedSinceSend{};

    WriteOutcome send(std::span<const std::uint8_t> message) override {
        sent.emplace_back(message.begin(), message.end());
        waitedSinceSend = 0ms;
        return sent.size() <= sendResults.size() ? sendResults[sent.size() - 1] : std::nullopt;
    }

    std::variant<std::size_t, Failure> receive(std::span<std::uint8_t> buffer) override {
        waitsBeforeReceive.push_back(waitedSinceSend);
        // Throws, failing the test, when the channel reads more than was scripted.
        const auto& reply = replies.at(waitsBeforeReceive.size() - 1);
        if (const auto* failure = std::get_if<Failure>(&reply)) {
            return *failure;
        }
        const auto& bytes = std::get<Bytes>(reply);
        const auto count = std::min(bytes.size(), buffer.size());
        std::copy_n(bytes.begin(), count, buffer.begin());
        return count;
    }

    void pause(std::chrono::milliseconds duration) override { waitedSinceSend += duration; }
};

} // namespace

Q_DECLARE_METATYPE(Sends)
Q_DECLARE_METATYPE(Replies)

class TestRawDdcChannel : public QObject {
    Q_OBJECT

private slots:
    void getsAskingAgainWhileItHelps_data() {
        QTest::addColumn<Sends>("sendResults");
        QTest::addColumn<Replies>("replies");
        QTest::addColumn<QString>("outcome"); // the value read, or the reason given
        QTest::addColumn<int>("attempts");
        QTest::addColumn<int>("reads");
        const Failure noDevice{"Cannot read from /dev/i2c-7: No such device"};
        // clang-format off
        QTest::newRow("garbled, then good") << Sends{} << Replies{badChecksumReply, nullMessage, vendorInputHdmi2Reply} << "145" << 3 << 3;
        // No read follows a failed write; a later good reply is never asked for.
        QTest::newRow("gives up with the last reason") << Sends{busy} << Replies{nullMessage, noDevice, vendorInputHdmi2Reply} << QString::fromStdString(noDevice.reason) << 3 << 2;
        // A definite answer: asking again would not change it.
        QTest::newRow("unsupported") << Sends{} << Replies{unsupportedReply, vendorInputHdmi2Reply} << QString::fromUtf8(ddc::describe(ddc::ReplyError::unsupportedFeature)) << 1 << 1;
        QTest::newRow("another feature unsupported, then good") << Sends{} << Replies{strayUnsupportedContrast, vendorInputHdmi2Reply} << "145" << 2 << 2;
        // Read far enough to find the checksum behind the repeated address.
        QTest::newRow("address repeated") << Sends{} << Replies{repeatedAddressReply} << "145" << 1 << 1;
        // clang-format on
    }
    void getsAskingAgainWhileItHelps() {
        QFETCH(Sends, sendResults);
        QFETCH(Replies, replies);
        ScriptedTransport transport(sendResults, replies);
        RawDdcChannel channel(transport, 0x50);

        const auto value = channel.getVcp(0xF4);
        const auto* read = std::get_if<ddc::VcpValue>(&value);
        QTEST(read ? QString::number(read->current) : QString::fromStdString(std::get<Failure>(value).reason),
              "outcome");
        QFETCH(int, attempts);
        QCOMPARE(transport.sent, std::vector<Bytes>(attempts, getVendorInputRequest));
        QTEST(int(transport.waitsBeforeReceive.size()), "reads");
        // The display needs time to prepare every reply.
        for (const auto wait : transport.waitsBeforeReceive) {
            QVERIFY(wait >= 40ms);
        }
    }

    void setsAgainUntilSentThenLetsTheDisplaySettle() {
        ScriptedTransport transport({busy, std::nullopt, busy}, {});
        QVERIFY(!RawDdcChannel(transport, 0x50).setVcp(0xF4, 0xD0));
        QCOMPARE(transport.sent, std::vector<Bytes>(2, setVendorInputDisplayPort));
        QVERIFY(transport.waitsBeforeReceive.empty());
        // A following command, even from the next run, must not reach the display too soon.
        QVERIFY(transport.waitedSinceSend >= 50ms);

        ScriptedTransport jammed(Sends(4, busy), {});
        const auto failure = RawDdcChannel(jammed, 0x50).setVcp(0xF4, 0xD0);
        QVERIFY(failure.has_value());
        QCOMPARE(failure->reason, busy.reason);
        QCOMPARE(int(jammed.sent.size()), RawDdcChannel::maxAttempts);
    }
};

QTEST_GUILESS_MAIN(TestRawDdcChannel)
#include "tst_rawddcchannel.moc"
