#include "DdcReplies.h"
#include "RawDdcChannel.h"
#include "VirtualClock.h"

#include <QTest>

#include <vector>

using namespace m1ddc;
using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<std::uint8_t>;

// The reply with one bit of its byte at `index` flipped.
Bytes garbled(Bytes reply, std::size_t index) {
    reply.at(index) ^= 1;
    return reply;
}

const Bytes vendorInputHdmi2Reply = getVcpReply({.feature = 0xF4, .current = 0x91, .maximum = 0xFF});
const Bytes badChecksumReply = garbled(vendorInputHdmi2Reply, vendorInputHdmi2Reply.size() - 1);
const Bytes nullMessage{0x6E, 0x80, 0xBE};
const Bytes unsupportedReply = getVcpReply({.feature = 0xF4, .maximum = 0, .result = 1});
// Left on the bus by another program that asked for contrast.
const Bytes strayUnsupportedContrast = getVcpReply({.feature = 0x12, .maximum = 0, .result = 1});
// The display repeats its address before the reply.
const Bytes repeatedAddressReply = [](Bytes reply) {
    reply.insert(reply.begin(), 0x6E);
    return reply;
}(vendorInputHdmi2Reply);
const Bytes getVendorInputRequest{0x50, 0x82, 0x01, 0xF4, 0x49};
const Bytes setVendorInputDisplayPort{0x50, 0x84, 0x03, 0xF4, 0x00, 0xD0, 0x9D};
const std::string capabilities = "(prot(monitor)type(LCD)vcp(10 12 60(0F 11 1B)))";
const Failure busy{"Cannot write to /dev/i2c-7: Device or resource busy"};

using Sends = std::vector<WriteOutcome>;
using Replies = std::vector<std::variant<Bytes, Failure>>;
using Waits = std::vector<std::chrono::milliseconds>;

std::chrono::milliseconds inMs(Clock::Duration duration) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(duration);
}

// Answers the n-th send and receive from a script (the last reply standing for all later ones)
// and records what was sent and when, on a virtual clock.
class ScriptedTransport final : public DdcTransport {
public:
    ScriptedTransport(VirtualClock& clock, Sends sendResults, Replies replies)
        : clock(clock), sendResults(std::move(sendResults)), replies(std::move(replies)) {}

    VirtualClock& clock;
    const Sends sendResults;
    const Replies replies;
    std::vector<Bytes> sent;
    std::vector<Clock::TimePoint> sentAt;
    Waits waitsBeforeReceive;

    WriteOutcome send(std::span<const std::uint8_t> message) override {
        sent.emplace_back(message.begin(), message.end());
        sentAt.push_back(clock.now());
        return sent.size() <= sendResults.size() ? sendResults[sent.size() - 1] : std::nullopt;
    }

    std::variant<std::size_t, Failure> receive(std::span<std::uint8_t> buffer) override {
        waitsBeforeReceive.push_back(inMs(clock.now() - sentAt.back()));
        // Throws, failing the test, when the channel reads and nothing was scripted.
        const auto& reply = replies.at(std::min(waitsBeforeReceive.size(), replies.size()) - 1);
        if (const auto* failure = std::get_if<Failure>(&reply))
            return *failure;
        const auto& bytes = std::get<Bytes>(reply);
        const auto count = std::min(bytes.size(), buffer.size());
        std::copy_n(bytes.begin(), count, buffer.begin());
        return count;
    }
};

QString outcomeOf(const std::variant<ddc::VcpValue, ChannelFailure>& value) {
    const auto* read = std::get_if<ddc::VcpValue>(&value);
    return read ? QString::number(read->current)
                : QString::fromStdString(std::get<ChannelFailure>(value).reason);
}

} // namespace

Q_DECLARE_METATYPE(Sends)
Q_DECLARE_METATYPE(Replies)
Q_DECLARE_METATYPE(Waits)
Q_DECLARE_METATYPE(std::vector<int>)

class TestRawDdcChannel : public QObject {
    Q_OBJECT

private slots:
    void getsAskingAgainWhileItHelps_data() {
        QTest::addColumn<Sends>("sendResults");
        QTest::addColumn<Replies>("replies");
        QTest::addColumn<QString>("outcome"); // the value read, or the reason given
        QTest::addColumn<int>("attempts");
        QTest::addColumn<int>("reads");
        QTest::addColumn<bool>("definite");
        const Failure noDevice{"Cannot read from /dev/i2c-7: No such device"};
        const auto unsupported = QString::fromUtf8(ddc::describe(ddc::ReplyError::unsupportedFeature));
        // clang-format off
        QTest::newRow("garbled, then good") << Sends{} << Replies{badChecksumReply, nullMessage, vendorInputHdmi2Reply} << "145" << 3 << 3 << false;
        // No read follows a failed write; the last reason is the one given.
        QTest::newRow("gives up with the last reason") << Sends{busy} << Replies{nullMessage, noDevice} << QString::fromStdString(noDevice.reason) << RawDdcChannel::maxAttempts << RawDdcChannel::maxAttempts - 1 << false;
        // A definite answer: asking again would not change it.
        QTest::newRow("unsupported") << Sends{} << Replies{unsupportedReply, vendorInputHdmi2Reply} << unsupported << 1 << 1 << true;
        // Read far enough to find the checksum behind the repeated address.
        QTest::newRow("address repeated") << Sends{} << Replies{repeatedAddressReply} << "145" << 1 << 1 << false;
        // clang-format on
    }
    void getsAskingAgainWhileItHelps() {
        QFETCH(Sends, sendResults);
        QFETCH(Replies, replies);
        VirtualClock clock;
        ScriptedTransport transport(clock, sendResults, replies);
        const auto value = RawDdcChannel(transport, clock, 0x50).getVcp(0xF4);
        QTEST(outcomeOf(value), "outcome");
        if (const auto* failure = std::get_if<ChannelFailure>(&value))
            QTEST(failure->definite, "definite");
        QFETCH(int, attempts);
        QCOMPARE(transport.sent, std::vector<Bytes>(attempts, getVendorInputRequest));
        QTEST(int(transport.waitsBeforeReceive.size()), "reads");
        // The display needs time to prepare every reply.
        for (const auto wait : transport.waitsBeforeReceive)
            QVERIFY(wait >= 40ms);
    }

    // An empty or garbled reply usually means the display was not ready: it gets longer each
    // time. Any other fault is not about time.
    void waitsLongerForASlowDisplay_data() {
        QTest::addColumn<Replies>("replies");
        QTest::addColumn<Waits>("waitsBeforeReceive");
        // clang-format off
        QTest::newRow("null, null, garbled, null, good") << Replies{nullMessage, nullMessage, badChecksumReply, nullMessage, vendorInputHdmi2Reply} << Waits{40ms, 65ms, 140ms, 240ms, 240ms};
        QTest::newRow("stray reply, then good") << Replies{strayUnsupportedContrast, vendorInputHdmi2Reply} << Waits{40ms, 40ms};
        // clang-format on
    }
    void waitsLongerForASlowDisplay() {
        QFETCH(Replies, replies);
        VirtualClock clock;
        ScriptedTransport transport(clock, {}, replies);
        QCOMPARE(outcomeOf(RawDdcChannel(transport, clock, 0x50).getVcp(0xF4)), "145");
        QTEST(transport.waitsBeforeReceive, "waitsBeforeReceive");
    }

    void givesUpWithinItsBudget_data() {
        QTest::addColumn<int>("budgetMs");
        QTest::addColumn<int>("attempts");
        // clang-format off
        // The longest silence with every try made still ends well inside the default budget.
        QTest::newRow("default budget") << int(RawDdcChannel::defaultBudget.count()) << RawDdcChannel::maxAttempts;
        // Tries start at 0, 90, 205, 395 and 685 ms; a sixth would end after one second.
        QTest::newRow("one second") << 1000 << 5;
        QTest::newRow("no time for a second try") << 100 << 1;
        // clang-format on
    }
    void givesUpWithinItsBudget() {
        QFETCH(int, budgetMs);
        VirtualClock clock;
        ScriptedTransport silent(clock, {}, {nullMessage});
        const auto value =
            RawDdcChannel(silent, clock, 0x50, std::chrono::milliseconds(budgetMs)).getVcp(0xF4);
        QCOMPARE(outcomeOf(value), QString::fromUtf8(ddc::describe(ddc::ReplyError::nullMessage)));
        QVERIFY(!std::get<ChannelFailure>(value).definite);
        QTEST(int(silent.sent.size()), "attempts");
        QVERIFY(inMs(clock.elapsed) <= std::chrono::milliseconds(budgetMs));
    }

    void setsAgainUntilSent() {
        VirtualClock clock;
        ScriptedTransport transport(clock, {busy, std::nullopt, busy}, {});
        QVERIFY(!RawDdcChannel(transport, clock, 0x50).setVcp(0xF4, 0xD0));
        QCOMPARE(transport.sent, std::vector<Bytes>(2, setVendorInputDisplayPort));
        QVERIFY(transport.waitsBeforeReceive.empty());
        // Nothing waits after the last message: the next run is the app's to pace.
        QCOMPARE(inMs(clock.elapsed), RawDdcChannel::retryPause);

        ScriptedTransport jammed(clock, Sends(RawDdcChannel::maxAttempts + 1, busy), {});
        const auto failure = RawDdcChannel(jammed, clock, 0x50).setVcp(0xF4, 0xD0);
        QVERIFY(failure && !failure->definite);
        QCOMPARE(failure->reason, busy.reason);
        QCOMPARE(int(jammed.sent.size()), RawDdcChannel::maxAttempts);

        // Once set, the display is let settle before the next message.
        ScriptedTransport settling(clock, {}, {vendorInputHdmi2Reply});
        RawDdcChannel channel(settling, clock, 0x50);
        QVERIFY(!channel.setVcp(0xF4, 0xD0));
        QVERIFY(!channel.setVcp(0xF4, 0x91));
        QCOMPARE(outcomeOf(channel.getVcp(0xF4)), "145");
        QCOMPARE(settling.sentAt.size(), std::size_t(3));
        QCOMPARE(inMs(settling.sentAt[1] - settling.sentAt[0]), RawDdcChannel::settleAfterWrite);
        QCOMPARE(inMs(settling.sentAt[2] - settling.sentAt[1]), RawDdcChannel::settleAfterWrite);
    }

    // The string comes in parts of up to 32 bytes, each asked for at the offset reached so far and
    // asked for again when its reply is garbled or is another part, until the empty part.
    void readsTheCapabilitiesPartByPart_data() {
        QTest::addColumn<Replies>("replies");
        QTest::addColumn<std::vector<int>>("offsetsAsked");
        const auto first = capabilitiesReply(0, capabilities.substr(0, 32));
        const auto second = capabilitiesReply(32, capabilities.substr(32));
        const auto end = capabilitiesReply(std::uint16_t(capabilities.size()), "");
        // clang-format off
        QTest::newRow("clean") << Replies{first, second, end} << std::vector{0, 32, 47};
        QTest::newRow("garbled part") << Replies{first, garbled(second, 6), nullMessage, second, end} << std::vector{0, 32, 32, 32, 47};
        QTest::newRow("a part sent again") << Replies{first, first, second, end} << std::vector{0, 32, 32, 47};
        // clang-format on
    }
    void readsTheCapabilitiesPartByPart() {
        QFETCH(Replies, replies);
        VirtualClock clock;
        ScriptedTransport transport(clock, {}, replies);
        const auto text = RawDdcChannel(transport, clock, 0x51).capabilities();
        QCOMPARE(std::get<std::string>(text), capabilities);
        std::vector<int> offsets;
        for (const auto& request : transport.sent)
            offsets.push_back(request.at(3) << 8 | request.at(4));
        QTEST(offsets, "offsetsAsked");
        for (const auto wait : transport.waitsBeforeReceive)
            QVERIFY(wait >= RawDdcChannel::capabilitiesReplyDelay);
    }

    void givesUpOnCapabilitiesThatFailOrNeverEnd() {
        VirtualClock clock;
        ScriptedTransport silent(clock, {}, {capabilitiesReply(0, "(prot(monitor)"), nullMessage});
        const auto failed = RawDdcChannel(silent, clock, 0x51).capabilities();
        QCOMPARE(std::get<ChannelFailure>(failed).reason, ddc::describe(ddc::ReplyError::nullMessage));

        // Every part it is asked for is another 32 bytes.
        class Endless final : public DdcTransport {
        public:
            std::uint16_t offset = 0;
            int requests = 0;
            WriteOutcome send(std::span<const std::uint8_t> message) override {
                offset = std::uint16_t(message[3] << 8 | message[4]);
                ++requests;
                return std::nullopt;
            }
            std::variant<std::size_t, Failure> receive(std::span<std::uint8_t> buffer) override {
                const auto reply = capabilitiesReply(offset, std::string(32, 'x'));
                std::copy(reply.begin(), reply.end(), buffer.begin());
                return reply.size();
            }
        } endless;
        const auto cut = RawDdcChannel(endless, clock, 0x51).capabilities();
        QVERIFY(std::holds_alternative<ChannelFailure>(cut));
        QCOMPARE(endless.requests, int(RawDdcChannel::maxCapabilitiesLength / 32 + 1));
    }
};

QTEST_GUILESS_MAIN(TestRawDdcChannel)
#include "tst_rawddcchannel.moc"
