#include "RawDdcChannel.h"

#include <array>

namespace m1ddc {

RawDdcChannel::RawDdcChannel(DdcTransport& transport, std::uint8_t sourceAddress)
    : transport_(transport), source_(sourceAddress) {}

std::variant<ddc::VcpValue, Failure> RawDdcChannel::getVcp(std::uint8_t feature) {
    const auto request = ddc::encodeGetVcpRequest(source_, feature);
    Failure lastFailure;
    for (int attempt = 1; attempt <= maxAttempts; ++attempt) {
        if (attempt > 1) {
            transport_.pause(retryPause);
        }
        if (auto failure = transport_.send(request)) {
            lastFailure = std::move(*failure);
            continue;
        }
        transport_.pause(replyDelay);

        std::array<std::uint8_t, ddc::getVcpReadSize> buffer{};
        auto received = transport_.receive(buffer);
        if (auto* failure = std::get_if<Failure>(&received)) {
            lastFailure = std::move(*failure);
            continue;
        }
        const auto reply = std::span(buffer).first(std::get<std::size_t>(received));
        auto parsed = ddc::parseGetVcpReply(reply, feature);
        if (auto* value = std::get_if<ddc::VcpValue>(&parsed)) {
            return *value;
        }
        const auto error = std::get<ddc::ReplyError>(parsed);
        lastFailure = Failure{std::string(ddc::describe(error))};
        if (error == ddc::ReplyError::unsupportedFeature) {
            break; // a definite answer: asking again will not change it
        }
    }
    return lastFailure;
}

WriteOutcome RawDdcChannel::setVcp(std::uint8_t feature, std::uint16_t value) {
    const auto request = ddc::encodeSetVcpRequest(source_, feature, value);
    WriteOutcome outcome;
    for (int attempt = 1; attempt <= maxAttempts; ++attempt) {
        if (attempt > 1) {
            transport_.pause(retryPause);
        }
        outcome = transport_.send(request);
        if (!outcome) {
            break;
        }
    }
    transport_.pause(settleAfterWrite);
    return outcome;
}

} // namespace m1ddc
