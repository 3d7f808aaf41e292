#include "AdaptiveBrightness.h"

#include "AdaptiveSchedule.h"
#include "async/Pause.h"
#include "async/SerialQueue.h"
#include "ConnectedMonitors.h"
#include "LinkedBrightness.h"
#include "MonitorController.h"
#include "RunningTask.h"
#include "SettingsFile.h"
#include "SettingsKeys.h"
#include "system/BuiltInDisplayBrightnessReadingSource.h"
#include "system/LightSensor.h"
#include "system/PlatformWording.h"
#include "system/WallClock.h"

#include <QPointer>

#include <algorithm>
#include <climits>
#include <cmath>

using namespace std::chrono_literals;

namespace {
LightSensorPolicy::Unit policyUnit(LightLevelUnit unit) {
    return unit == LightLevelUnit::vendor ? LightSensorPolicy::Unit::vendor : LightSensorPolicy::Unit::lux;
}
} // namespace

AdaptiveBrightness::AdaptiveBrightness(ConnectedMonitors& monitors, const LinkedBrightness& link, Sources sources,
                                       SettingsFile& settings, MonitorControllerTimings timings, QObject* parent)
    : QObject(parent), m_monitors(monitors), m_link(link), m_reader(sources.laptop), m_light(sources.light),
      m_clock(sources.clock), m_settings(settings), m_timings(timings),
      m_schedule(std::make_unique<AdaptiveSchedule>(settings, sources.clock)),
      m_enabled(settings.storedSwitch(QLatin1String(SettingsKeys::adaptiveBrightnessEnabled))),
      m_source(Adaptive::sourceFromName(settings.value(QLatin1String(SettingsKeys::adaptiveSource)).toString())
                   .value_or(Adaptive::Source::laptop)),
      m_minimum(settings.storedNumber(QLatin1String(SettingsKeys::adaptiveMinimumBrightness), 0, 100)
                    .value_or(defaultMinimum)),
      m_maximum(settings.storedNumber(QLatin1String(SettingsKeys::adaptiveMaximumBrightness), 0, 100)
                    .value_or(defaultMaximum)),
      m_samples(std::make_shared<SerialQueue>()) {
    m_state = state();
    m_monotonic.start();
    m_nextLook.setSingleShot(true);
    connect(&m_nextLook, &QTimer::timeout, this, &AdaptiveBrightness::follow);
    for (auto* controller : m_monitors.controllers())
        watch(controller);
    connect(&m_monitors, &ConnectedMonitors::controllersChanged, this, [this] {
        for (auto* controller : m_monitors.controllers()) {
            if (!m_watched.contains(controller))
                watch(controller);
        }
    });
    // Another monitor to follow with: the next proposal is written to it whatever its distance.
    connect(&m_monitors, &ConnectedMonitors::mainChanged, this, [this] {
        m_lastWritten.reset();
        follow();
    });
    // Sensors report a false darkness for a moment after a wake.
    connect(&m_monitors, &ConnectedMonitors::changeNoticed, this, [this](DisplayLifecycleEvent event) {
        if (m_lightPolicy && event != DisplayLifecycleEvent::displayConfigurationDidChange)
            m_lightPolicy->woke(monotonicNow());
    });
    // The monitor may have lost or changed its brightness while asleep or unplugged, and the
    // schedule moved on meanwhile: the source's value goes to it as soon as it answers.
    connect(&m_monitors, &ConnectedMonitors::monitorsRead, this, [this] {
        if (m_source == Adaptive::Source::laptop)
            return;
        m_lastWritten.reset();
        m_lastScheduleWrite.reset();
        follow();
    });
    // An edited schedule or place applies at once; a clock that was set is a moment like any other.
    connect(m_schedule.get(), &AdaptiveSchedule::changed, this, [this] {
        m_lastScheduleWrite.reset();
        if (m_source == Adaptive::Source::schedule)
            follow();
    });
    connect(&m_clock, &WallClock::changed, this, [this] {
        if (m_source == Adaptive::Source::schedule)
            follow();
    });
    connect(&m_light, &LightSensor::presenceChanged, this, [this] {
        emit lightSensorChanged();
        if (m_source == Adaptive::Source::lightSensor)
            lightChanged();
    });
    connect(&m_light, &LightSensor::readingChanged, this, &AdaptiveBrightness::lightChanged);
}

AdaptiveBrightness::~AdaptiveBrightness() {
    m_lifetime->cancel();
    if (m_lightClaimed)
        m_light.release();
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

bool AdaptiveBrightness::isPaused() const {
    return m_pausedUntil && *m_pausedUntil > m_clock.now();
}

bool AdaptiveBrightness::hasLightSensor() const {
    return m_light.isPresent();
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

void AdaptiveBrightness::setSource(Adaptive::Source source) {
    m_settings.store(QLatin1String(SettingsKeys::adaptiveSource), Adaptive::sourceName(source));
    if (source != m_source) {
        m_source = source;
        // What is known of one source says nothing of another.
        setSupport(Adaptive::Support::unknown);
        emit sourceChanged();
    }
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
    follow();
}

void AdaptiveBrightness::pauseAfterManualChange() {
    if (!m_enabled)
        return;
    // Following the schedule, a manual change holds until its next point.
    auto until = m_clock.now().addSecs(pauseLength.count());
    if (m_source == Adaptive::Source::schedule) {
        if (const auto next = m_schedule->now().nextPoint)
            until = *next;
    }
    setPausedUntil(until);
    if (m_loop && m_source != Adaptive::Source::laptop)
        lookAgainAt(until);
}

void AdaptiveBrightness::clearPause() {
    setPausedUntil(std::nullopt);
    m_lastWritten.reset();
}

AdaptiveBrightnessPolicy AdaptiveBrightness::policy() const {
    // Stored values are kept as the user left them; only the policy sees a valid range.
    auto policy = AdaptiveBrightnessPolicy::forRange(m_minimum, m_maximum);
    policy.samplingInterval = std::chrono::duration<double>(m_timings.adaptiveSamplingInterval).count();
    return policy;
}

void AdaptiveBrightness::start() {
    stop();
    if (!m_enabled)
        return;
    m_loop = makeCancelToken();
    m_lastScheduleWrite.reset(); // the user's choice applies at once
    switch (m_source) {
    case Adaptive::Source::laptop:
        loop(policy(), m_loop);
        return;
    case Adaptive::Source::lightSensor: {
        m_light.claim();
        m_lightClaimed = true;
        const auto range = policy();
        LightSensorPolicy::Tuning tuning;
        tuning.smoothing = m_timings.lightSmoothing;
        tuning.wakeBlindness = m_timings.lightWakeBlindness;
        m_lightPolicy.emplace(range.minimumMonitorBrightness, range.maximumMonitorBrightness, tuning);
        if (const auto reading = m_light.reading())
            m_lightPolicy->read(reading->level, policyUnit(reading->unit), monotonicNow());
        break;
    }
    case Adaptive::Source::schedule:
        setSupport(Adaptive::Support::yes); // a clock is always there to follow
        break;
    }
    // The first look comes on the next turn of the event loop: whoever started following finishes
    // first (at launch, the first reading of the monitor begins).
    lookAgainIn(0ms);
}

void AdaptiveBrightness::stop() {
    m_nextLook.stop();
    m_lightPolicy.reset();
    if (std::exchange(m_lightClaimed, false))
        m_light.release();
    if (!m_loop)
        return;
    m_loop->cancel();
    m_loop.reset();
}

void AdaptiveBrightness::lightChanged() {
    if (!m_lightPolicy)
        return;
    if (const auto reading = m_light.reading(); reading && m_light.isPresent())
        m_lightPolicy->read(reading->level, policyUnit(reading->unit), monotonicNow());
    follow();
}

std::chrono::milliseconds AdaptiveBrightness::monotonicNow() const {
    return std::chrono::milliseconds(m_monotonic.elapsed());
}

void AdaptiveBrightness::lookAgainIn(std::chrono::milliseconds delay) {
    delay = std::clamp(delay, 0ms, std::chrono::milliseconds(INT_MAX));
    // The earliest look wanted wins; the one after it is planned when it comes.
    if (m_nextLook.isActive() && m_nextLook.remainingTimeAsDuration() <= delay)
        return;
    m_nextLook.setTimerType(delay > 10s ? Qt::VeryCoarseTimer : Qt::CoarseTimer);
    m_nextLook.start(delay);
}

void AdaptiveBrightness::lookAgainAt(const QDateTime& when) {
    lookAgainIn(std::chrono::milliseconds(std::max<qint64>(0, m_clock.now().msecsTo(when))));
}

void AdaptiveBrightness::follow() {
    if (!m_loop || m_source == Adaptive::Source::laptop)
        return;
    m_nextLook.stop();
    if (m_pausedUntil) {
        if (*m_pausedUntil > m_clock.now()) {
            lookAgainAt(*m_pausedUntil);
            return;
        }
        clearPause(); // the pause is over: the next proposal is written whatever its distance
    }

    std::optional<int> proposal;
    if (m_source == Adaptive::Source::lightSensor) {
        if (!m_light.isPresent()) {
            setSupport(Adaptive::Support::no);
            return;
        }
        setSupport(m_lightPolicy->brightness(monotonicNow()) ? Adaptive::Support::yes : Adaptive::Support::unknown);
        const auto at = monotonicNow();
        proposal = m_lightPolicy->proposal(at, m_lastWritten);
        if (m_lightPolicy->isSettling(at))
            lookAgainIn(m_timings.lightSettleLook);
    } else {
        setSupport(Adaptive::Support::yes);
        const auto now = m_clock.now();
        const auto state = m_schedule->now();
        const auto range = policy();
        const int target = static_cast<int>(std::clamp(std::round(state.brightness), range.minimumMonitorBrightness,
                                                       range.maximumMonitorBrightness));
        if (state.nextChange)
            lookAgainAt(*state.nextChange);
        if (m_lastWritten && target == *m_lastWritten)
            return;
        // Monitors keep their settings in memory that wears: through a move, one write a minute,
        // the last one at its point included.
        const auto gapEnd = m_lastScheduleWrite
                                ? m_lastScheduleWrite->addMSecs(m_timings.scheduleWriteGap.count())
                                : QDateTime();
        if (gapEnd.isValid() && gapEnd > now) {
            lookAgainAt(gapEnd);
            return;
        }
        proposal = target;
    }
    if (!proposal)
        return;
    // Night Mode reads the values it will put back, then writes its own: a write between the
    // two would be lost on the way out of Night Mode. A refresh or a scene is not interrupted either.
    if (m_monitors.main().isBusy() || isSampling()) {
        lookAgainIn(m_timings.adaptiveBusyRetry);
        return;
    }
    write(*proposal, m_loop);
}

QCoro::Task<> AdaptiveBrightness::write(int brightness, CancelToken loop) {
    const auto lifetime = m_lifetime;
    const RunningTask running(m_samplesUnderWay, lifetime);
    const auto samples = m_samples;
    auto turn = co_await samples->acquire();
    if (lifetime->isCancelled() || loop->isCancelled())
        co_return;
    const QPointer<MonitorController> main = &m_monitors.main();
    const bool written = co_await main->writeAdaptiveBrightness(brightness, followingStatus());
    if (lifetime->isCancelled())
        co_return;
    if (!written || loop->isCancelled() || main != &m_monitors.main())
        co_return;
    m_lastWritten = brightness;
    if (m_source == Adaptive::Source::schedule)
        m_lastScheduleWrite = m_clock.now();
    if (m_lightPolicy)
        m_lightPolicy->wrote(monotonicNow());
}

QString AdaptiveBrightness::followingStatus() const {
    switch (m_source) {
    case Adaptive::Source::lightSensor:
        return tr("Adaptive • Following light sensor");
    case Adaptive::Source::schedule:
        return tr("Adaptive • Following schedule");
    case Adaptive::Source::laptop:
        break;
    }
    return PlatformWording::adaptiveFollowingStatus();
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
        if (*m_pausedUntil > m_clock.now())
            co_return;
        clearPause(); // the pause is over: the next proposal is written whatever its distance
    }
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
    const bool written = co_await main->writeAdaptiveBrightness(*proposal, followingStatus());
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
