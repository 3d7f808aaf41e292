// Night Mode: a warmer colour and a capped brightness, with the previous values kept (also
// across restarts) and written back when it ends.
#include "MonitorController.h"

#include "async/Pause.h"
#include "MonitorValue.h"
#include "SettingsKeys.h"

void MonitorController::setNightMode(bool enabled) {
    if (enabled == m_isNightMode)
        return;
    if (m_isChangingNightMode)
        return; // dropped, not queued
    setActiveSceneID(std::nullopt);
    changeNightMode(enabled);
}

QCoro::Task<> MonitorController::changeNightMode(bool enabled) {
    setChangingNightMode(true);

    if (enabled) {
        const auto snapshot = co_await currentNightModeSnapshot();
        if (!snapshot) {
            // Nothing was written: the monitor and the sliders are as they were.
            setStatus(tr("Night Mode failed: %1").arg(snapshot.error().errorDescription()), true);
            setChangingNightMode(false);
            co_return;
        }
        const NightModeSnapshot saved = snapshot.value();
        const double nightBrightness =
            saved.brightness > nightBrightnessCap ? nightBrightnessCap : saved.brightness;

        const auto written =
            co_await writeNightValues(nightBrightness, nightGains.red, nightGains.green, nightGains.blue);
        if (!written) {
            // Part of the night values may already be on the monitor: put everything back,
            // whether or not that succeeds, and show the values the user had.
            co_await writeNightValues(saved.brightness, saved.red, saved.green, saved.blue);
            setValue(MonitorFeature::brightness, saved.brightness);
            setValue(MonitorFeature::red, saved.red);
            setValue(MonitorFeature::green, saved.green);
            setValue(MonitorFeature::blue, saved.blue);
            setStatus(tr("Night Mode failed: %1").arg(written.error().errorDescription()), true);
            setChangingNightMode(false);
            co_return;
        }

        m_nightModeSnapshot = saved;
        setValue(MonitorFeature::brightness, nightBrightness);
        setValue(MonitorFeature::red, nightGains.red);
        setValue(MonitorFeature::green, nightGains.green);
        setValue(MonitorFeature::blue, nightGains.blue);
        for (auto feature :
             {MonitorFeature::brightness, MonitorFeature::red, MonitorFeature::green, MonitorFeature::blue})
            markLoaded(feature);
        setNightModeState(true, saved);
        persistNightMode(saved);
        setStatus(tr("Night Mode • On"), false);
        setChangingNightMode(false);
        co_return;
    }

    if (!m_nightModeSnapshot) {
        forgetNightMode();
        setChangingNightMode(false);
        co_return;
    }
    const NightModeSnapshot saved = *m_nightModeSnapshot;
    const auto written = co_await writeNightValues(saved.brightness, saved.red, saved.green, saved.blue);
    if (!written) {
        // Night Mode stays on with its snapshot, so the user can simply try again.
        setStatus(tr("Could not restore display: %1").arg(written.error().errorDescription()), true);
        setChangingNightMode(false);
        co_return;
    }
    setValue(MonitorFeature::brightness, saved.brightness);
    setValue(MonitorFeature::red, saved.red);
    setValue(MonitorFeature::green, saved.green);
    setValue(MonitorFeature::blue, saved.blue);
    forgetNightMode();
    setStatus(connectedStatus(tr("DDC/CI • Connected")), false);
    setChangingNightMode(false);
}

QCoro::Task<Result<NightModeSnapshot>> MonitorController::currentNightModeSnapshot() {
    NightModeSnapshot snapshot;
    const std::pair<MonitorFeature, double*> reads[] = {
        {MonitorFeature::brightness, &snapshot.brightness},
        {MonitorFeature::red, &snapshot.red},
        {MonitorFeature::green, &snapshot.green},
        {MonitorFeature::blue, &snapshot.blue},
    };
    bool firstRead = true;
    for (const auto& [feature, target] : reads) {
        if (!std::exchange(firstRead, false))
            co_await pause(readPause);
        const auto result = co_await m_ddc->read(feature);
        if (!result)
            co_return result.error();
        *target = static_cast<double>(result.value());
    }
    co_return snapshot;
}

QCoro::Task<Result<void>> MonitorController::writeNightValues(double brightness, double red, double green,
                                                              double blue) {
    const std::pair<MonitorFeature, double> writes[] = {
        {MonitorFeature::brightness, brightness},
        {MonitorFeature::red, red},
        {MonitorFeature::green, green},
        {MonitorFeature::blue, blue},
    };
    bool firstWrite = true;
    for (const auto& [feature, value] : writes) {
        if (!std::exchange(firstWrite, false))
            co_await pause(valueSetWritePause);
        const auto result = co_await m_ddc->write(feature, wholeMonitorValue(value));
        if (!result)
            co_return result.error();
    }
    co_return Result<void>{};
}

void MonitorController::persistNightMode(const NightModeSnapshot& snapshot) {
    m_defaults->setValue(QLatin1String(SettingsKeys::nightModeEnabled), true);
    m_defaults->setValue(QLatin1String(SettingsKeys::nightModeSnapshot), snapshot.toJson());
    m_defaults->sync();
}

void MonitorController::forgetNightMode() {
    setNightModeState(false, std::nullopt);
    m_defaults->remove(QLatin1String(SettingsKeys::nightModeEnabled));
    m_defaults->remove(QLatin1String(SettingsKeys::nightModeSnapshot));
    m_defaults->sync();
}
