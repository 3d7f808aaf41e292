// Adaptive brightness: the monitor follows the built-in panel's brightness within the
// user's range, and stands aside for half an hour after a manual change.
#include "MonitorController.h"

#include "async/Pause.h"
#include "SettingsKeys.h"

#include <algorithm>
#include <cmath>

void MonitorController::setAdaptiveBrightnessEnabled(bool enabled) {
    assign(m_adaptiveBrightnessEnabled, enabled, &MonitorController::adaptiveBrightnessEnabledChanged);
    m_defaults->setValue(QLatin1String(SettingsKeys::adaptiveBrightnessEnabled), enabled);
    m_defaults->sync();
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
    m_defaults->setValue(QLatin1String(SettingsKeys::adaptiveMinimumBrightness), lo);
    m_defaults->setValue(QLatin1String(SettingsKeys::adaptiveMaximumBrightness), hi);
    m_defaults->sync();
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
    const auto policy =
        AdaptiveBrightnessPolicy::forRange(m_adaptiveMinimumBrightness, m_adaptiveMaximumBrightness);
    m_adaptiveBrightnessTask = makeCancelToken();
    adaptiveLoop(policy, m_adaptiveBrightnessTask);
}

QCoro::Task<> MonitorController::adaptiveLoop(AdaptiveBrightnessPolicy policy, CancelToken token) {
    const auto interval = std::chrono::milliseconds(std::lround(policy.samplingInterval * 1000));
    // Each sample is awaited before the next sleep, so the loop never overlaps itself. A
    // cancelled loop finishes the sample under way, then ends without touching the controller.
    while (!token->isCancelled()) {
        co_await sampleAdaptiveBrightness(policy);
        const bool waited = co_await pause(interval, token);
        if (!waited)
            co_return;
    }
}

QCoro::Task<> MonitorController::sampleAdaptiveBrightness(AdaptiveBrightnessPolicy policy) {
    if (m_adaptiveBrightnessPausedUntil) {
        if (*m_adaptiveBrightnessPausedUntil > now())
            co_return;
        clearAdaptivePause(); // the pause is over: the next proposal is written whatever its distance
    }
    if (m_isWorking || m_isApplyingScene)
        co_return;
    // A restarted loop must not join a sample of the previous loop that still waits on a slow monitor.
    if (m_adaptiveSampleInFlight)
        co_return;

    const auto reading = m_brightnessReader.readBrightness();
    if (!reading.isAvailable()) {
        setAdaptiveBrightnessSupported(false);
        co_return;
    }
    setAdaptiveBrightnessSupported(true);

    const auto proposal = policy.proposedMonitorBrightness(reading.fraction(), m_lastAdaptiveBrightness);
    if (!proposal)
        co_return;

    m_adaptiveSampleInFlight = true;
    const auto result = co_await m_ddc->write(MonitorFeature::brightness, *proposal);
    m_adaptiveSampleInFlight = false;
    if (!result) {
        // The last written value stays, so the next sample proposes and tries again.
        setStatus(result.error().errorDescription(), true);
        co_return;
    }
    setValue(MonitorFeature::brightness, *proposal);
    m_lastAdaptiveBrightness = *proposal;
    setActiveSceneID(std::nullopt);
    markLoaded(MonitorFeature::brightness);
    setStatus(tr("Adaptive • Following MacBook"), false);
}
