#include "RawDdcChannel.h"

#include <algorithm>

namespace m1ddc {

RawDdcChannel::RawDdcChannel(DdcTransport& transport, Clock& clock, std::uint8_t sourceAddress, Budget budget)
    : transport_(transport), clock_(clock), source_(sourceAddress), budget_(budget) {}

WriteOutcome RawDdcChannel::send(std::span<const std::uint8_t> message) {
    if (settledAt_) {
        const auto now = clock_.now();
        if (now < *settledAt_) {
            clock_.sleep(*settledAt_ - now);
        }
    }
    return transport_.send(message);
}

bool RawDdcChannel::timeForAnotherTry(Clock::TimePoint start, Clock::Duration tryLength) {
    return clock_.now() + retryPause + tryLength <= start + budget_;
}

std::variant<ddc::VcpValue, ChannelFailure> RawDdcChannel::getVcp(std::uint8_t feature) {
    const auto start = clock_.now();
    const auto request = ddc::encodeGetVcpRequest(source_, feature);
    ChannelFailure lastFailure;
    std::size_t slowReplies = 0;
    for (int attempt = 1; attempt <= maxAttempts; ++attempt) {
        auto wait = Clock::Duration(replyDelay);
        if (slowReplies > 0) {
            wait += slowReplyExtraDelays[std::min(slowReplies, slowReplyExtraDelays.size()) - 1];
        }
        if (attempt > 1) {
            if (!timeForAnotherTry(start, wait)) {
                break;
            }
            clock_.sleep(retryPause);
        }
        if (auto failure = send(request)) {
            lastFailure = ChannelFailure{std::move(failure->reason)};
            continue;
        }
        clock_.sleep(wait);

        std::array<std::uint8_t, ddc::getVcpReadSize> buffer{};
        auto received = transport_.receive(buffer);
        if (auto* failure = std::get_if<Failure>(&received)) {
            lastFailure = ChannelFailure{std::move(failure->reason)};
            continue;
        }
        const auto reply = std::span(buffer).first(std::get<std::size_t>(received));
        auto parsed = ddc::parseGetVcpReply(reply, feature);
        if (auto* value = std::get_if<ddc::VcpValue>(&parsed)) {
            return *value;
        }
        const auto error = std::get<ddc::ReplyError>(parsed);
        lastFailure = ChannelFailure{std::string(ddc::describe(error))};
        if (error == ddc::ReplyError::unsupportedFeature) {
            lastFailure.definite = true;
            break;
        }
        if (error == ddc::ReplyError::nullMessage || error == ddc::ReplyError::badChecksum) {
            ++slowReplies;
        }
    }
    return lastFailure;
}

std::optional<ChannelFailure> RawDdcChannel::setVcp(std::uint8_t feature, std::uint16_t value) {
    const auto start = clock_.now();
    const auto request = ddc::encodeSetVcpRequest(source_, feature, value);
    WriteOutcome outcome;
    for (int attempt = 1; attempt <= maxAttempts; ++attempt) {
        if (attempt > 1) {
            if (!timeForAnotherTry(start, Clock::Duration::zero())) {
                break;
            }
            clock_.sleep(retryPause);
        }
        outcome = send(request);
        if (!outcome) {
            // Only a later message on this channel waits for it: the app paces its own runs.
            settledAt_ = clock_.now() + settleAfterWrite;
            return std::nullopt;
        }
    }
    return ChannelFailure{std::move(outcome->reason)};
}

} // namespace m1ddc
