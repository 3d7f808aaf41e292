#include "NightMode.h"

#include "MonitorSettings.h"
#include "monitor/DDCClient.h"
#include "MonitorValue.h"
#include "PacedCommands.h"

#include <algorithm>
#include <vector>

namespace {
// Runs `done` when it goes, unless the owner went first.
template <class Done> class OnExit {
public:
    OnExit(CancelToken lifetime, Done done) : m_lifetime(std::move(lifetime)), m_done(std::move(done)) {}
    ~OnExit() {
        if (!m_lifetime->isCancelled())
            m_done();
    }
    OnExit(const OnExit&) = delete;
    OnExit& operator=(const OnExit&) = delete;

private:
    CancelToken m_lifetime;
    Done m_done;
};
} // namespace

NightMode::NightMode(DDCClient& ddc, MonitorSettings& settings, Timings timings, CancelToken lifetime,
                     QObject* parent)
    : QObject(parent), m_ddc(ddc), m_settings(settings), m_timings(timings), m_lifetime(std::move(lifetime)),
      m_snapshot(settings.nightModeSnapshot()) {
    m_isOn = m_snapshot.has_value();
}

NightModeSnapshot NightMode::nightValues(const NightModeSnapshot& snapshot) {
    return {std::min(snapshot.brightness, brightnessCap), gains.red, gains.green, gains.blue};
}

QCoro::Task<NightMode::Change> NightMode::change(bool enabled) {
    setChanging(true);
    const OnExit changed(m_lifetime, [this] { setChanging(false); });
    if (enabled)
        co_return co_await turnOn();
    co_return co_await turnOff();
}

QCoro::Task<NightMode::Change> NightMode::turnOn() {
    const auto lifetime = m_lifetime;
    const auto snapshot = co_await currentValues();
    if (lifetime->isCancelled())
        co_return Change{};
    if (!snapshot)
        co_return Change{std::nullopt, snapshot.error()}; // nothing was written
    const NightModeSnapshot saved = snapshot.value();
    const NightModeSnapshot night = nightValues(saved);

    // The way back is on disk before the monitor changes: a crash while the night values are
    // written still finds the user's own values at the next start.
    m_settings.setNightMode(saved);
    const auto failure = co_await write(night);
    if (lifetime->isCancelled())
        co_return Change{};
    if (failure) {
        // Part of the night values may already be on the monitor: put everything back,
        // whether or not that succeeds, and show the values the user had.
        co_await write(saved);
        if (lifetime->isCancelled())
            co_return Change{};
        end();
        co_return Change{saved, failure};
    }
    setState(true, saved);
    co_return Change{night, std::nullopt};
}

QCoro::Task<NightMode::Change> NightMode::turnOff() {
    if (!m_snapshot) {
        end();
        co_return Change{};
    }
    const auto lifetime = m_lifetime;
    const NightModeSnapshot saved = *m_snapshot;
    const auto failure = co_await write(saved);
    if (lifetime->isCancelled())
        co_return Change{};
    if (failure) // Night Mode stays on with its snapshot, so the user can simply try again.
        co_return Change{std::nullopt, failure};
    end();
    co_return Change{saved, std::nullopt};
}

void NightMode::reload() {
    auto snapshot = m_settings.nightModeSnapshot();
    const bool on = snapshot.has_value();
    setState(on, std::move(snapshot));
}

void NightMode::end() {
    setState(false, std::nullopt);
    m_settings.removeNightMode();
}

QCoro::Task<Result<NightModeSnapshot>> NightMode::currentValues() {
    NightModeSnapshot snapshot;
    const std::vector<MonitorFeature> features(NightModeSnapshot::features.begin(),
                                               NightModeSnapshot::features.end());
    const auto read = [this](MonitorFeature feature) { return m_ddc.read(feature); };
    const auto keep = [&snapshot](MonitorFeature feature, qint64 value) {
        snapshot.set(feature, static_cast<double>(value));
    };
    const auto failure =
        co_await runPaced(features, m_timings.readPause, OnFailure::stop, m_lifetime, read, keep);
    if (failure)
        co_return *failure;
    co_return snapshot;
}

QCoro::Task<std::optional<ClientError>> NightMode::write(NightModeSnapshot values) {
    const auto pairs = values.values();
    const std::vector<std::pair<MonitorFeature, double>> writes(pairs.begin(), pairs.end());
    const auto write = [this](const auto& value) {
        return m_ddc.write(value.first, wholeMonitorValue(value.second));
    };
    const auto nothingMore = [](const auto&) {};
    co_return co_await runPaced(writes, m_timings.writePause, OnFailure::stop, m_lifetime, write,
                                nothingMore);
}

void NightMode::setState(bool on, std::optional<NightModeSnapshot> snapshot) {
    m_snapshot = std::move(snapshot);
    if (on == m_isOn)
        return;
    m_isOn = on;
    emit isOnChanged();
}

void NightMode::setChanging(bool changing) {
    if (changing == m_isChanging)
        return;
    m_isChanging = changing;
    emit isChangingChanged();
}
