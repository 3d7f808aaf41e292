#include "RawDdcChannel.h"

#include <QTest>

#include <deque>
#include <string>
#include <vector>

using namespace m1ddc;
using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes vendorInputHdmi2Reply{0x6E, 0x88, 0x02, 0x00, 0xF4, 0x00, 0x00, 0xFF, 0x00, 0x91, 0x2E};
const Bytes badChecksumReply{0x6E, 0x88, 0x02, 0x00, 0xF4, 0x00, 0x00, 0xFF, 0x00, 0x91, 0x2F};
const Bytes nullMessage{0x6E, 0x80, 0xBE};
const Bytes unsupportedReply{0x6E, 0x88, 0x02, 0x01, 0xF4, 0x00, 0x00, 0x00, 0x00, 0x00, 0x41};

// Records every exchange in order and answers reads from a script; pauses are recorded, not slept.
class ScriptedTransport final : public DdcTransport {
public:
    struct Event {
        enum Kind { send, receive, pause } kind;
        Bytes bytes;
        std::chrono::milliseconds duration{};
    };

    std::deque<std::variant<Bytes, Failure>> replies;
    std::deque<WriteOutcome> sendResults;
    std::vector<Event> events;

    WriteOutcome send(std::span<const std::uint8_t> message) override {
        events.push_back({Event::send, Bytes(message.begin(), message.end())});
        if (sendResults.empty()) {
            return std::nullopt;
        }
        auto result = sendResults.front();
        sendResults.pop_front();
        return result;
    }

    std::variant<std::size_t, Failure> receive(std::span<std::uint8_t> buffer) override {
        events.push_back({Event::receive, {}});
        if (replies.empty()) {
            return Failure{"nothing scripted"};
        }
        auto reply = replies.front();
        replies.pop_front();
        if (auto* failure = std::get_if<Failure>(&reply)) {
            return *failure;
        }
        const auto& bytes = std::get<Bytes>(reply);
        const auto count = std::min(bytes.size(), buffer.size());
        std::copy_n(bytes.begin(), count, buffer.begin());
        return count;
    }

    void pause(std::chrono::milliseconds duration) override {
        events.push_back({Event::pause, {}, duration});
    }

    int count(Event::Kind kind) const {
        return int(
            std::count_if(events.begin(), events.end(), [&](const Event& e) { return e.kind == kind; }));
    }

    // The shortest pause between each send and the receive that follows it.
    std::vector<std::chrono::milliseconds> pausesBeforeReceives() const {
        std::vector<std::chrono::milliseconds> result;
        std::chrono::milliseconds waited{};
        for (const auto& event : events) {
            if (event.kind == Event::send) {
                waited = 0ms;
            } else if (event.kind == Event::pause) {
                waited += event.duration;
            } else {
                result.push_back(waited);
            }
        }
        return result;
    }
};

const Bytes getVendorInputRequest{0x50, 0x82, 0x01, 0xF4, 0x49};

} // namespace

class TestRawDdcChannel : public QObject {
    Q_OBJECT

private slots:
    void readsAValueWithTheProtocolDelay() {
        ScriptedTransport transport;
        transport.replies.push_back(vendorInputHdmi2Reply);
        RawDdcChannel channel(transport, 0x50);

        const auto value = channel.getVcp(0xF4);
        QVERIFY(std::holds_alternative<ddc::VcpValue>(value));
        QCOMPARE(std::get<ddc::VcpValue>(value).current, 0x91);

        QCOMPARE(transport.count(ScriptedTransport::Event::send), 1);
        QCOMPARE(transport.events.front().bytes, getVendorInputRequest);
        const auto pauses = transport.pausesBeforeReceives();
        QCOMPARE(pauses.size(), 1u);
        QVERIFY(pauses[0] >= 40ms);
    }

    void asksAgainAfterGarbledOrMissingReplies() {
        ScriptedTransport transport;
        transport.replies = {badChecksumReply, nullMessage, vendorInputHdmi2Reply};
        RawDdcChannel channel(transport, 0x50);

        const auto value = channel.getVcp(0xF4);
        QVERIFY(std::holds_alternative<ddc::VcpValue>(value));
        QCOMPARE(std::get<ddc::VcpValue>(value).current, 0x91);
        QCOMPARE(transport.count(ScriptedTransport::Event::send), 3);
        // Every attempt sends the full request again and waits before reading.
        for (const auto& event : transport.events) {
            if (event.kind == ScriptedTransport::Event::send) {
                QCOMPARE(event.bytes, getVendorInputRequest);
            }
        }
        for (const auto pause : transport.pausesBeforeReceives()) {
            QVERIFY(pause >= 40ms);
        }
    }

    void retriesAfterTransportErrors() {
        ScriptedTransport transport;
        transport.sendResults = {Failure{"Cannot write to /dev/i2c-7: Input/output error"}, std::nullopt};
        transport.replies = {vendorInputHdmi2Reply};
        RawDdcChannel channel(transport, 0x50);

        const auto value = channel.getVcp(0xF4);
        QVERIFY(std::holds_alternative<ddc::VcpValue>(value));
        QCOMPARE(transport.count(ScriptedTransport::Event::send), 2);
        QCOMPARE(transport.count(ScriptedTransport::Event::receive), 1);
    }

    void givesUpWithTheLastReason() {
        ScriptedTransport transport;
        transport.replies = {nullMessage, nullMessage, badChecksumReply, vendorInputHdmi2Reply};
        RawDdcChannel channel(transport, 0x50);

        const auto value = channel.getVcp(0xF4);
        QVERIFY(std::holds_alternative<Failure>(value));
        QCOMPARE(std::get<Failure>(value).reason, std::string(ddc::describe(ddc::ReplyError::badChecksum)));
        QCOMPARE(transport.count(ScriptedTransport::Event::send), RawDdcChannel::maxAttempts);

        ScriptedTransport silent;
        silent.replies = {Failure{"Cannot read from /dev/i2c-7: Remote I/O error"},
                          Failure{"Cannot read from /dev/i2c-7: Remote I/O error"},
                          Failure{"Cannot read from /dev/i2c-7: No such device"}};
        RawDdcChannel silentChannel(silent, 0x50);
        const auto silentValue = silentChannel.getVcp(0xF4);
        QVERIFY(std::holds_alternative<Failure>(silentValue));
        QCOMPARE(std::get<Failure>(silentValue).reason,
                 std::string("Cannot read from /dev/i2c-7: No such device"));
    }

    void acceptsAnUnsupportedAnswerAtOnce() {
        ScriptedTransport transport;
        transport.replies = {unsupportedReply, vendorInputHdmi2Reply};
        RawDdcChannel channel(transport, 0x50);

        const auto value = channel.getVcp(0xF4);
        QVERIFY(std::holds_alternative<Failure>(value));
        QCOMPARE(std::get<Failure>(value).reason,
                 std::string(ddc::describe(ddc::ReplyError::unsupportedFeature)));
        QCOMPARE(transport.count(ScriptedTransport::Event::send), 1);
    }

    void setsAndLetsTheDisplaySettle() {
        ScriptedTransport transport;
        RawDdcChannel channel(transport, 0x50);

        QVERIFY(!channel.setVcp(0xF4, 0xD0));
        QCOMPARE(transport.count(ScriptedTransport::Event::send), 1);
        QCOMPARE(transport.events.front().bytes, (Bytes{0x50, 0x84, 0x03, 0xF4, 0x00, 0xD0, 0x9D}));
        QCOMPARE(transport.count(ScriptedTransport::Event::receive), 0);
        // A following command, even from the next run, must not reach the display too soon.
        QCOMPARE(transport.events.back().kind, ScriptedTransport::Event::pause);
        QVERIFY(transport.events.back().duration >= 50ms);
    }

    void reportsASetThatNeverGoesThrough() {
        ScriptedTransport transport;
        const Failure busy{"Cannot write to /dev/i2c-7: Device or resource busy"};
        transport.sendResults = {busy, busy, busy, std::nullopt};
        RawDdcChannel channel(transport, 0x50);

        const auto failure = channel.setVcp(0xF4, 0xD2);
        QVERIFY(failure.has_value());
        QCOMPARE(failure->reason, busy.reason);
        QCOMPARE(transport.count(ScriptedTransport::Event::send), RawDdcChannel::maxAttempts);
    }
};

QTEST_GUILESS_MAIN(TestRawDdcChannel)
#include "tst_rawddcchannel.moc"
