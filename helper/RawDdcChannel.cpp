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

template <std::size_t ReadSize, class Parse>
auto RawDdcChannel::ask(std::span<const std::uint8_t> request, Clock::Duration replyWait, Parse parse)
    -> std::variant<std::variant_alternative_t<0, std::invoke_result_t<Parse, std::span<const std::uint8_t>>>,
                    ChannelFailure> {
    const auto start = clock_.now();
    ChannelFailure lastFailure;
    std::size_t slowReplies = 0;
    for (int attempt = 1; attempt <= maxAttempts; ++attempt) {
        auto wait = replyWait;
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

        std::array<std::uint8_t, ReadSize> buffer{};
        auto received = transport_.receive(buffer);
        if (auto* failure = std::get_if<Failure>(&received)) {
            lastFailure = ChannelFailure{std::move(failure->reason)};
            continue;
        }
        const auto reply = std::span<const std::uint8_t>(buffer).first(std::get<std::size_t>(received));
        auto parsed = parse(reply);
        if (parsed.index() == 0) {
            return std::get<0>(std::move(parsed));
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

std::variant<ddc::VcpValue, ChannelFailure> RawDdcChannel::getVcp(std::uint8_t feature) {
    const auto request = ddc::encodeGetVcpRequest(source_, feature);
    return ask<ddc::getVcpReadSize>(request, replyDelay, [feature](std::span<const std::uint8_t> reply) {
        return ddc::parseGetVcpReply(reply, feature);
    });
}

std::variant<std::string, ChannelFailure> RawDdcChannel::capabilities() {
    std::string text;
    while (text.size() <= maxCapabilitiesLength) {
        const auto offset = static_cast<std::uint16_t>(text.size());
        const auto request = ddc::encodeCapabilitiesRequest(source_, offset);
        auto fragment = ask<ddc::capabilitiesReadSize>(request, capabilitiesReplyDelay,
                                                       [offset](std::span<const std::uint8_t> reply) {
                                                           return ddc::parseCapabilitiesReply(reply, offset);
                                                       });
        if (auto* failure = std::get_if<ChannelFailure>(&fragment)) {
            return std::move(*failure);
        }
        const auto& bytes = std::get<std::vector<std::uint8_t>>(fragment);
        if (bytes.empty()) {
            // Some displays end the string with a NUL of their own.
            while (!text.empty() && text.back() == '\0') {
                text.pop_back();
            }
            return text;
        }
        text.append(bytes.begin(), bytes.end());
    }
    return ChannelFailure{"The display's capabilities do not end"};
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
