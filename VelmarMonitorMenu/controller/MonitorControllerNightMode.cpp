// This monitor's Night Mode on the controller's side: when a request is taken, and what the
// sliders and the status line show of a change.
#include "MonitorController.h"

#include "NightMode.h"
#include "RunningTask.h"

bool MonitorController::isNightMode() const {
    return m_nightMode->isOn();
}

bool MonitorController::isChangingNightMode() const {
    return m_nightMode->isChanging();
}

void MonitorController::setNightMode(bool enabled) {
    if (enabled == m_nightMode->isOn())
        return;
    if (m_nightMode->isChanging())
        return; // dropped, not queued
    setActiveSceneID(std::nullopt);
    changeNightMode(enabled);
}

QCoro::Task<> MonitorController::changeNightMode(bool enabled) {
    const auto lifetime = m_lifetime;
    const RunningTask running(m_writes.runningTasks, m_lifetime);
    const auto change = co_await m_nightMode->change(enabled);
    if (lifetime->isCancelled())
        co_return;
    if (change.shown) {
        for (const auto& [feature, value] : change.shown->values())
            setValue(feature, value);
    }
    if (change.failure) {
        const QString text = enabled ? tr("Night Mode failed: %1") : tr("Could not restore display: %1");
        setStatus(text.arg(change.failure->errorDescription()), true);
    } else if (enabled && change.shown) {
        for (const auto feature : NightModeSnapshot::features)
            markLoaded(feature);
        setStatus(tr("Night Mode • On"), false);
    } else if (change.shown) {
        setStatus(connectedStatus(tr("DDC/CI • Connected")), false);
    }
}
