#pragma once

#include "Clock.h"
#include "DdcPacket.h"
#include "Failure.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <variant>

namespace m1ddc {

/// Moves DDC/CI bytes to and from one display. The real one is an I2C device; tests script it.
class DdcTransport {
public:
    virtual ~DdcTransport() = default;

    /// Writes one whole message.
    virtual WriteOutcome send(std::span<const std::uint8_t> message) = 0;
    /// Reads up to `buffer.size()` bytes; gives how many arrived.
    virtual std::variant<std::size_t, Failure> receive(std::span<std::uint8_t> buffer) = 0;
};

/// Why an exchange with the display failed.
struct ChannelFailure {
    std::string reason;
    /// The display itself said no (it does not support the feature): asking again, or on another
    /// bus, would not change the answer.
    bool definite = false;
};

/// Get and Set VCP Feature over a transport with a source address of our choosing (the vendor
/// input register only obeys messages from 0x50), keeping the protocol's waits and no more.
class RawDdcChannel {
public:
    using Budget = std::chrono::milliseconds;

    /// `budget` bounds how long one get or set may keep trying; the first try is always made.
    RawDdcChannel(DdcTransport& transport, Clock& clock, std::uint8_t sourceAddress,
                  Budget budget = defaultBudget);

    /// Asks for a feature's value, asking again when the reply is garbled or missing.
    std::variant<ddc::VcpValue, ChannelFailure> getVcp(std::uint8_t feature);
    /// Sets a feature. The display does not acknowledge, so success means the message was sent.
    std::optional<ChannelFailure> setVcp(std::uint8_t feature, std::uint16_t value);
    /// The display's capabilities string, asked for fragment by fragment until the empty one that
    /// ends it; each fragment is asked for again as a value would be, within a budget of its own.
    std::variant<std::string, ChannelFailure> capabilities();

    static constexpr int maxAttempts = 6;
    // The app gives up on the helper after 10 s; one command stays well inside that, with room
    // for a detection and a second command after a stale bus.
    static constexpr Budget defaultBudget = std::chrono::milliseconds(2000);
    // A display needs this long to prepare its reply to a Get VCP request.
    static constexpr auto replyDelay = std::chrono::milliseconds(40);
    // A slow display answers with an empty or garbled message while it is still preparing the
    // reply; each such answer gives it longer on the next try, up to the last step.
    static constexpr std::array slowReplyExtraDelays{
        std::chrono::milliseconds(25), std::chrono::milliseconds(100), std::chrono::milliseconds(200)};
    // A display needs this long to prepare each part of its capabilities string.
    static constexpr auto capabilitiesReplyDelay = std::chrono::milliseconds(50);
    // Far longer than any display's string (a few hundred bytes): one that never sends the empty
    // fragment ending it is cut off here instead of keeping the app waiting.
    static constexpr std::size_t maxCapabilitiesLength = 4096;
    // A display may drop a message that follows a Set VCP sooner than this.
    static constexpr auto settleAfterWrite = std::chrono::milliseconds(50);
    // Lets a display finish whatever garbled the previous exchange before we ask again.
    static constexpr auto retryPause = std::chrono::milliseconds(50);

private:
    // Sends `request` and reads a reply of up to `ReadSize` bytes that `parse` accepts, asking
    // again while the display's answers are garbled or missing.
    template <std::size_t ReadSize, class Parse>
    auto ask(std::span<const std::uint8_t> request, Clock::Duration replyWait, Parse parse) -> std::variant<
        std::variant_alternative_t<0, std::invoke_result_t<Parse, std::span<const std::uint8_t>>>,
        ChannelFailure>;
    // Sends one message, first letting the display settle from a Set VCP sent on this channel.
    WriteOutcome send(std::span<const std::uint8_t> message);
    // True when another try, starting with a retry pause and lasting `tryLength`, ends in budget.
    bool timeForAnotherTry(Clock::TimePoint start, Clock::Duration tryLength);

    DdcTransport& transport_;
    Clock& clock_;
    std::uint8_t source_;
    Budget budget_;
    std::optional<Clock::TimePoint> settledAt_;
};

} // namespace m1ddc
