// Adaptive brightness on the controller's side: its state for the views, and the monitor
// write a sample asks for.
#include "MonitorController.h"

#include "AdaptiveBrightness.h"
#include "system/PlatformWording.h"

bool MonitorController::adaptiveBrightnessEnabled() const {
    return m_adaptive->isEnabled();
}

double MonitorController::adaptiveMinimumBrightness() const {
    return m_adaptive->minimum();
}

double MonitorController::adaptiveMaximumBrightness() const {
    return m_adaptive->maximum();
}

MonitorController::AdaptiveSupport MonitorController::adaptiveBrightnessSupported() const {
    return m_adaptive->support();
}

std::optional<QDateTime> MonitorController::adaptiveBrightnessPausedUntil() const {
    return m_adaptive->pausedUntil();
}

bool MonitorController::isAdaptiveBrightnessPaused() const {
    return m_adaptive->isPaused();
}

MonitorController::AdaptiveBrightnessState MonitorController::adaptiveBrightnessState() const {
    return m_adaptive->state();
}

void MonitorController::setAdaptiveBrightnessEnabled(bool enabled) {
    m_adaptive->setEnabled(enabled);
}

void MonitorController::setAdaptiveBrightnessRange(double minimum, double maximum) {
    m_adaptive->setRange(minimum, maximum);
}

void MonitorController::resumeAdaptiveBrightness() {
    m_adaptive->resume();
}

QCoro::Task<bool> MonitorController::followBuiltInBrightness(int brightness) {
    const auto lifetime = m_lifetime;
    const auto result = co_await m_ddc->write(MonitorFeature::brightness, brightness);
    if (lifetime->isCancelled())
        co_return false;
    if (!result) {
        setStatus(result.error().errorDescription(), true);
        co_return false;
    }
    setValue(MonitorFeature::brightness, brightness);
    setActiveSceneID(std::nullopt);
    markLoaded(MonitorFeature::brightness);
    setStatus(PlatformWording::adaptiveFollowingStatus(), false);
    emit brightnessChosen(brightness, false);
    co_return true;
}
