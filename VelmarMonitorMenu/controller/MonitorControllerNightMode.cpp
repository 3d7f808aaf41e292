// Night Mode: a warmer colour and a capped brightness, with the previous values kept (also
// across restarts) and written back when it ends.
#include "MonitorController.h"

#include "ControllerSettings.h"
#include "MonitorValue.h"
#include "PacedCommands.h"

#include <algorithm>

void MonitorController::setNightMode(bool enabled) {
    if (enabled == m_isNightMode)
        return;
    if (m_isChangingNightMode)
        return; // dropped, not queued
    setActiveSceneID(std::nullopt);
    changeNightMode(enabled);
}

QCoro::Task<> MonitorController::changeNightMode(bool enabled) {
    const auto lifetime = m_lifetime;
    const RunningTask running(this);
    setChangingNightMode(true);
    if (enabled)
        co_await turnNightModeOn();
    else
        co_await turnNightModeOff();
    if (!lifetime->isCancelled())
        setChangingNightMode(false);
}

QCoro::Task<> MonitorController::turnNightModeOn() {
    const auto lifetime = m_lifetime;
    const auto snapshot = co_await currentNightModeSnapshot();
    if (lifetime->isCancelled())
        co_return;
    if (!snapshot) {
        // Nothing was written: the monitor and the sliders are as they were.
        setStatus(tr("Night Mode failed: %1").arg(snapshot.error().errorDescription()), true);
        co_return;
    }
    const NightModeSnapshot saved = snapshot.value();
    const NightModeSnapshot night{std::min(saved.brightness, nightBrightnessCap), nightGains.red,
                                  nightGains.green, nightGains.blue};

    // The way back is on disk before the monitor changes: a crash while the night values are
    // written still finds the user's own values at the next start.
    persistNightMode(saved);
    const auto failure = co_await writeNightValues(night);
    if (lifetime->isCancelled())
        co_return;
    if (failure) {
        // Part of the night values may already be on the monitor: put everything back,
        // whether or not that succeeds, and show the values the user had.
        co_await writeNightValues(saved);
        if (lifetime->isCancelled())
            co_return;
        showNightValues(saved);
        forgetNightMode();
        setStatus(tr("Night Mode failed: %1").arg(failure->errorDescription()), true);
        co_return;
    }

    showNightValues(night);
    for (const auto feature : NightModeSnapshot::features)
        markLoaded(feature);
    setNightModeState(true, saved);
    // Adaptive brightness compares with what it last wrote; the monitor now shows the night
    // brightness, and writing it again at the next sample would change nothing.
    if (m_lastAdaptiveBrightness)
        m_lastAdaptiveBrightness = night.brightness;
    setStatus(tr("Night Mode • On"), false);
}

QCoro::Task<> MonitorController::turnNightModeOff() {
    if (!m_nightModeSnapshot) {
        forgetNightMode();
        co_return;
    }
    const auto lifetime = m_lifetime;
    const NightModeSnapshot saved = *m_nightModeSnapshot;
    const auto failure = co_await writeNightValues(saved);
    if (lifetime->isCancelled())
        co_return;
    if (failure) {
        // Night Mode stays on with its snapshot, so the user can simply try again.
        setStatus(tr("Could not restore display: %1").arg(failure->errorDescription()), true);
        co_return;
    }
    showNightValues(saved);
    forgetNightMode();
    setStatus(connectedStatus(tr("DDC/CI • Connected")), false);
}

QCoro::Task<Result<NightModeSnapshot>> MonitorController::currentNightModeSnapshot() {
    NightModeSnapshot snapshot;
    const std::vector<MonitorFeature> features(NightModeSnapshot::features.begin(),
                                               NightModeSnapshot::features.end());
    const auto read = [this](MonitorFeature feature) { return m_ddc->read(feature); };
    const auto keep = [&snapshot](MonitorFeature feature, qint64 value) {
        snapshot.set(feature, static_cast<double>(value));
    };
    const auto failure =
        co_await runPaced(features, m_timings.readPause, OnFailure::stop, m_lifetime, read, keep);
    if (failure)
        co_return *failure;
    co_return snapshot;
}

QCoro::Task<std::optional<ClientError>> MonitorController::writeNightValues(NightModeSnapshot values) {
    const auto pairs = values.values();
    const std::vector<std::pair<MonitorFeature, double>> writes(pairs.begin(), pairs.end());
    const auto write = [this](const auto& value) {
        return m_ddc->write(value.first, wholeMonitorValue(value.second));
    };
    const auto nothingMore = [](const auto&) {};
    co_return co_await runPaced(writes, m_timings.valueSetWritePause, OnFailure::stop, m_lifetime, write,
                                nothingMore);
}

void MonitorController::showNightValues(const NightModeSnapshot& values) {
    for (const auto& [feature, value] : values.values())
        setValue(feature, value);
}

void MonitorController::persistNightMode(const NightModeSnapshot& snapshot) {
    m_settings->setNightMode(snapshot);
}

void MonitorController::forgetNightMode() {
    setNightModeState(false, std::nullopt);
    m_settings->removeNightMode();
}
