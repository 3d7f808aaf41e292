#include "AdaptiveBrightness.h"

#include "async/Pause.h"
#include "async/SerialQueue.h"
#include "ConnectedMonitors.h"
#include "LinkedBrightness.h"
#include "MonitorController.h"
#include "RunningTask.h"
#include "SettingsFile.h"
#include "SettingsKeys.h"
#include "system/BuiltInDisplayBrightnessReadingSource.h"
#include "system/PlatformWording.h"

#include <QPointer>

#include <algorithm>
#include <cmath>

using namespace std::chrono_literals;

AdaptiveBrightness::AdaptiveBrightness(ConnectedMonitors& monitors, const LinkedBrightness& link,
                                       BuiltInDisplayBrightnessReadingSource& reader, SettingsFile& settings,
                                       std::function<QDateTime()> now,
                                       std::chrono::milliseconds samplingInterval, QObject* parent)
    : QObject(parent), m_monitors(monitors), m_link(link), m_reader(reader), m_settings(settings),
      m_now(now ? std::move(now) : [] { return QDateTime::currentDateTimeUtc(); }),
      m_samplingInterval(samplingInterval),
      m_enabled(settings.storedSwitch(QLatin1String(SettingsKeys::adaptiveBrightnessEnabled))),
      m_minimum(settings.storedNumber(QLatin1String(SettingsKeys::adaptiveMinimumBrightness), 0, 100)
                    .value_or(defaultMinimum)),
      m_maximum(settings.storedNumber(QLatin1String(SettingsKeys::adaptiveMaximumBrightness), 0, 100)
                    .value_or(defaultMaximum)),
      m_samples(std::make_shared<SerialQueue>()) {
    m_state = state();
    for (auto* controller : m_monitors.controllers())
        watch(controller);
    connect(&m_monitors, &ConnectedMonitors::controllersChanged, this, [this] {
        for (auto* controller : m_monitors.controllers()) {
            if (!m_watched.contains(controller))
                watch(controller);
        }
    });
    // Another monitor to follow with: the next proposal is written to it whatever its distance.
    connect(&m_monitors, &ConnectedMonitors::mainChanged, this, [this] { m_lastWritten.reset(); });
}

AdaptiveBrightness::~AdaptiveBrightness() {
    m_lifetime->cancel();
}

void AdaptiveBrightness::watch(MonitorController* controller) {
    m_watched.insert(controller);
    connect(controller, &QObject::destroyed, this, [this, controller] { m_watched.erase(controller); });
    connect(controller, &MonitorController::adjustedByHand, this, [this, controller] {
        if (controller == &m_monitors.main())
            pauseAfterManualChange();
    });
    // A brightness chosen for a monitor linked to the main one moves the main one too.
    connect(controller, &MonitorController::brightnessChosen, this, [this, controller] {
        if (controller != &m_monitors.main() && m_link.isLinked(*controller) && m_link.isLinked(m_monitors.main()))
            pauseAfterManualChange();
    });
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
    m_settings.store(QLatin1String(SettingsKeys::adaptiveBrightnessEnabled), enabled);
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
    m_settings.store(QLatin1String(SettingsKeys::adaptiveMinimumBrightness), lo);
    m_settings.store(QLatin1String(SettingsKeys::adaptiveMaximumBrightness), hi);
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
    // Night Mode reads the values it will put back, then writes its own: a sample between the
    // two would be lost on the way out of Night Mode. A refresh or a scene is not interrupted either.
    const QPointer<MonitorController> main = &m_monitors.main();
    if (main->isBusy())
        co_return;

    const auto reading = m_reader.readBrightness();
    if (!reading.isAvailable()) {
        setSupport(Adaptive::Support::no);
        co_return;
    }
    setSupport(Adaptive::Support::yes);

    const auto proposal = policy.proposedMonitorBrightness(reading.fraction(), m_lastWritten);
    if (!proposal)
        co_return;

    // On failure the last written value stays, so the next sample proposes and tries again.
    const bool written =
        co_await main->writeAdaptiveBrightness(*proposal, PlatformWording::adaptiveFollowingStatus());
    if (lifetime->isCancelled())
        co_return;
    // A loop replaced while this write was under way cleared the last value so that its
    // successor writes at its first sample; so did a change of the main monitor. This older
    // value must not stand in their way.
    if (written && !loop->isCancelled() && main == &m_monitors.main())
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
