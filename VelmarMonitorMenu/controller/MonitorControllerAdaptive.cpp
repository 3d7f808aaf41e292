// Adaptive brightness: the monitor follows the built-in panel's brightness within the
// user's range, and stands aside for half an hour after a manual change.
#include "MonitorController.h"

#include "async/Pause.h"
#include "async/SerialQueue.h"
#include "ControllerSettings.h"
#include "NightMode.h"
#include "system/PlatformWording.h"

#include <algorithm>
#include <cmath>

using namespace std::chrono_literals;

void MonitorController::setAdaptiveBrightnessEnabled(bool enabled) {
    assign(m_adaptiveBrightnessEnabled, enabled, &MonitorController::adaptiveBrightnessEnabledChanged);
    m_settings->setAdaptiveBrightnessEnabled(enabled);
    // Runs in full even without a change, so switching on always writes at the first sample.
    clearAdaptivePause();
    updateAdaptiveBrightnessTask();
}

void MonitorController::setAdaptiveBrightnessRange(double minimum, double maximum) {
    const double lo = std::isfinite(minimum) ? std::clamp(minimum, 0.0, 100.0) : 0.0;
    double hi = maximum > lo ? maximum : lo;
    hi = std::min(hi, 100.0);
    assign(m_adaptiveMinimumBrightness, lo, &MonitorController::adaptiveMinimumBrightnessChanged);
    assign(m_adaptiveMaximumBrightness, hi, &MonitorController::adaptiveMaximumBrightnessChanged);
    m_settings->setAdaptiveBrightnessRange(lo, hi);
    m_lastAdaptiveBrightness.reset(); // the new range applies at the next sample; the pause stands
    updateAdaptiveBrightnessTask();
}

void MonitorController::resumeAdaptiveBrightness() {
    clearAdaptivePause();
}

void MonitorController::clearAdaptivePause() {
    setAdaptiveBrightnessPausedUntil(std::nullopt);
    m_lastAdaptiveBrightness.reset();
}

void MonitorController::updateAdaptiveBrightnessTask() {
    if (m_adaptiveBrightnessTask) {
        m_adaptiveBrightnessTask->cancel();
        m_adaptiveBrightnessTask.reset();
    }
    if (!m_adaptiveBrightnessEnabled)
        return;
    // Stored values are kept as the user left them; only the policy sees a valid range.
    auto policy =
        AdaptiveBrightnessPolicy::forRange(m_adaptiveMinimumBrightness, m_adaptiveMaximumBrightness);
    policy.samplingInterval = std::chrono::duration<double>(m_timings.adaptiveSamplingInterval).count();
    m_adaptiveBrightnessTask = makeCancelToken();
    adaptiveLoop(policy, m_adaptiveBrightnessTask);
}

QCoro::Task<> MonitorController::adaptiveLoop(AdaptiveBrightnessPolicy policy, CancelToken loop) {
    const auto lifetime = m_lifetime;
    const auto interval = std::chrono::milliseconds(std::lround(policy.samplingInterval * 1000));
    // The loop begins on the next turn of the event loop, as a task of lower priority would:
    // whoever started it finishes first (at launch, the start-up refresh reads the monitor
    // before any sample could write it).
    bool go = co_await pause(0ms, loop, lifetime);
    // Each sample is awaited before the next sleep, so the loop never overlaps itself.
    while (go) {
        co_await sampleAdaptiveBrightness(policy, loop);
        if (lifetime->isCancelled() || loop->isCancelled())
            co_return;
        go = co_await pause(interval, loop, lifetime);
    }
}

QCoro::Task<> MonitorController::sampleAdaptiveBrightness(AdaptiveBrightnessPolicy policy, CancelToken loop) {
    const auto lifetime = m_lifetime;
    const auto samples = m_adaptiveSamples;
    const RunningTask running(this);
    // A sample of a replaced loop may still be writing to a slow monitor: wait for it.
    auto turn = co_await samples->acquire();
    if (lifetime->isCancelled() || loop->isCancelled())
        co_return;
    ++m_adaptiveSamplesBegun;

    if (m_adaptiveBrightnessPausedUntil) {
        if (*m_adaptiveBrightnessPausedUntil > now())
            co_return;
        clearAdaptivePause(); // the pause is over: the next proposal is written whatever its distance
    }
    // Night Mode reads the values it will put back, then writes its own: a sample between the
    // two would be lost on the way out of Night Mode, or undo its cap.
    if (m_isWorking || m_isApplyingScene || m_nightMode->isChanging())
        co_return;

    const auto reading = m_brightnessReader.readBrightness();
    if (!reading.isAvailable()) {
        setAdaptiveBrightnessSupported(AdaptiveSupport::no);
        co_return;
    }
    setAdaptiveBrightnessSupported(AdaptiveSupport::yes);

    // Night Mode promises a dimmed monitor: adaptive brightness follows the panel below its cap.
    if (m_nightMode->isOn())
        policy.ceiling = NightMode::brightnessCap;
    const auto proposal = policy.proposedMonitorBrightness(reading.fraction(), m_lastAdaptiveBrightness);
    if (!proposal)
        co_return;

    const auto result = co_await m_ddc->write(MonitorFeature::brightness, *proposal);
    if (lifetime->isCancelled())
        co_return;
    if (!result) {
        // The last written value stays, so the next sample proposes and tries again.
        setStatus(result.error().errorDescription(), true);
        co_return;
    }
    setValue(MonitorFeature::brightness, *proposal);
    // A loop replaced while this write was under way cleared the last value so that its
    // successor writes at its first sample; this older value must not stand in its way.
    if (!loop->isCancelled())
        m_lastAdaptiveBrightness = *proposal;
    setActiveSceneID(std::nullopt);
    markLoaded(MonitorFeature::brightness);
    setStatus(PlatformWording::adaptiveFollowingStatus(), false);
}
