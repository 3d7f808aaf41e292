#include "AdaptiveBrightness.h"

#include "async/Pause.h"
#include "async/SerialQueue.h"
#include "ControllerSettings.h"
#include "RunningTask.h"
#include "system/BuiltInDisplayBrightnessReadingSource.h"

#include <algorithm>
#include <cmath>

using namespace std::chrono_literals;

AdaptiveBrightness::AdaptiveBrightness(BuiltInDisplayBrightnessReadingSource& reader,
                                       ControllerSettings& settings, Monitor monitor,
                                       std::function<QDateTime()> now,
                                       std::chrono::milliseconds samplingInterval, CancelToken lifetime,
                                       QObject* parent)
    : QObject(parent), m_reader(reader), m_settings(settings), m_monitor(std::move(monitor)),
      m_now(std::move(now)), m_samplingInterval(samplingInterval), m_lifetime(std::move(lifetime)),
      m_enabled(settings.adaptiveBrightnessEnabled()),
      m_minimum(settings.adaptiveMinimumBrightness().value_or(defaultMinimum)),
      m_maximum(settings.adaptiveMaximumBrightness().value_or(defaultMaximum)),
      m_samples(std::make_shared<SerialQueue>()) {
    m_state = state();
}

Adaptive::State AdaptiveBrightness::state() const {
    if (!m_enabled)
        return Adaptive::State::off;
    if (isPaused())
        return Adaptive::State::paused;
    switch (m_support) {
    case Adaptive::Support::no:
        return Adaptive::State::unavailable;
    case Adaptive::Support::unknown:
        return Adaptive::State::checking;
    case Adaptive::Support::yes:
        break;
    }
    return Adaptive::State::following;
}

void AdaptiveBrightness::setEnabled(bool enabled) {
    if (enabled != m_enabled) {
        m_enabled = enabled;
        emit enabledChanged();
    }
    m_settings.setAdaptiveBrightnessEnabled(enabled);
    clearPause();
    updateState();
    start();
}

void AdaptiveBrightness::setRange(double minimum, double maximum) {
    const double lo = std::isfinite(minimum) ? std::clamp(minimum, 0.0, 100.0) : 0.0;
    const double hi = std::min(maximum > lo ? maximum : lo, 100.0);
    if (lo != m_minimum) {
        m_minimum = lo;
        emit minimumChanged();
    }
    if (hi != m_maximum) {
        m_maximum = hi;
        emit maximumChanged();
    }
    m_settings.setAdaptiveBrightnessRange(lo, hi);
    m_lastWritten.reset(); // the new range applies at the next sample; the pause stands
    start();
}

void AdaptiveBrightness::resume() {
    clearPause();
}

void AdaptiveBrightness::pauseAfterManualChange() {
    if (m_enabled)
        setPausedUntil(m_now().addSecs(pauseLength.count()));
}

void AdaptiveBrightness::monitorShows(double brightness) {
    // Following compares with what it last wrote; writing the same again would change nothing.
    if (m_lastWritten)
        m_lastWritten = brightness;
}

void AdaptiveBrightness::clearPause() {
    setPausedUntil(std::nullopt);
    m_lastWritten.reset();
}

void AdaptiveBrightness::start() {
    stop();
    if (!m_enabled)
        return;
    // Stored values are kept as the user left them; only the policy sees a valid range.
    auto policy = AdaptiveBrightnessPolicy::forRange(m_minimum, m_maximum);
    policy.samplingInterval = std::chrono::duration<double>(m_samplingInterval).count();
    m_loop = makeCancelToken();
    loop(policy, m_loop);
}

void AdaptiveBrightness::stop() {
    if (!m_loop)
        return;
    m_loop->cancel();
    m_loop.reset();
}

QCoro::Task<> AdaptiveBrightness::loop(AdaptiveBrightnessPolicy policy, CancelToken loop) {
    const auto lifetime = m_lifetime;
    const auto interval = std::chrono::milliseconds(std::lround(policy.samplingInterval * 1000));
    // The loop begins on the next turn of the event loop, as a task of lower priority would:
    // whoever started it finishes first.
    bool go = co_await pause(0ms, loop, lifetime);
    // Each sample is awaited before the next sleep, so the loop never overlaps itself.
    while (go) {
        co_await sample(policy, loop);
        if (lifetime->isCancelled() || loop->isCancelled())
            co_return;
        go = co_await pause(interval, loop, lifetime);
    }
}

QCoro::Task<> AdaptiveBrightness::sample(AdaptiveBrightnessPolicy policy, CancelToken loop) {
    const auto lifetime = m_lifetime;
    const auto samples = m_samples;
    const RunningTask running(m_samplesUnderWay, lifetime);
    // A sample of a replaced loop may still be writing to a slow monitor: wait for it.
    auto turn = co_await samples->acquire();
    if (lifetime->isCancelled() || loop->isCancelled())
        co_return;
    ++m_samplesBegun;

    if (m_pausedUntil) {
        if (*m_pausedUntil > m_now())
            co_return;
        clearPause(); // the pause is over: the next proposal is written whatever its distance
    }
    if (m_monitor.isBusy())
        co_return;

    const auto reading = m_reader.readBrightness();
    if (!reading.isAvailable()) {
        setSupport(Adaptive::Support::no);
        co_return;
    }
    setSupport(Adaptive::Support::yes);

    if (const auto ceiling = m_monitor.ceiling())
        policy.ceiling = *ceiling;
    const auto proposal = policy.proposedMonitorBrightness(reading.fraction(), m_lastWritten);
    if (!proposal)
        co_return;

    // On failure the last written value stays, so the next sample proposes and tries again.
    const bool written = co_await m_monitor.write(*proposal);
    if (lifetime->isCancelled())
        co_return;
    // A loop replaced while this write was under way cleared the last value so that its
    // successor writes at its first sample; this older value must not stand in its way.
    if (written && !loop->isCancelled())
        m_lastWritten = *proposal;
}

void AdaptiveBrightness::setSupport(Adaptive::Support support) {
    if (support == m_support)
        return;
    m_support = support;
    emit supportChanged();
    updateState();
}

void AdaptiveBrightness::setPausedUntil(std::optional<QDateTime> until) {
    if (until == m_pausedUntil)
        return;
    m_pausedUntil = std::move(until);
    emit pausedUntilChanged();
    updateState();
}

void AdaptiveBrightness::updateState() {
    const auto now = state();
    if (now == m_state)
        return;
    m_state = now;
    emit stateChanged();
}
