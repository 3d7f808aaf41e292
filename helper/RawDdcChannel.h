#pragma once

#include "DdcPacket.h"
#include "Monitor.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
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
    /// Waits as the protocol requires between messages.
    virtual void pause(std::chrono::milliseconds duration) = 0;
};

/// Get and Set VCP Feature over a transport with a source address of our choosing, which
/// libddcutil cannot do: the vendor input register only obeys messages from 0x50.
class RawDdcChannel {
public:
    RawDdcChannel(DdcTransport& transport, std::uint8_t sourceAddress);

    /// Asks for a feature's value, asking again when the reply is garbled or missing.
    std::variant<ddc::VcpValue, Failure> getVcp(std::uint8_t feature);
    /// Sets a feature. The display does not acknowledge, so success means the message was sent.
    WriteOutcome setVcp(std::uint8_t feature, std::uint16_t value);

    static constexpr int maxAttempts = 3;
    // A display needs this long to prepare its reply to a Get VCP request.
    static constexpr auto replyDelay = std::chrono::milliseconds(40);
    // A display may drop a message that follows a Set VCP sooner than this, even from another run.
    static constexpr auto settleAfterWrite = std::chrono::milliseconds(50);
    // Lets a display finish whatever garbled the previous exchange before we ask again.
    static constexpr auto retryPause = std::chrono::milliseconds(50);

private:
    DdcTransport& transport_;
    std::uint8_t source_;
};

} // namespace m1ddc
