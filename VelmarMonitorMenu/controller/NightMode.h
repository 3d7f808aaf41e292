#pragma once

#include "async/Cancellation.h"
#include "monitor/ColorPreset.h"
#include "monitor/Result.h"
#include "NightModeSnapshot.h"

#include <QCoro/QCoroTask>
#include <QObject>

#include <chrono>
#include <optional>

class MonitorSettings;
class DDCClient;

// Night Mode: a warmer colour and a capped brightness, with the values from before kept, on
// disk too so that the way back survives a restart, and written back when it ends. It talks
// to the monitor and keeps its own state; what the sliders and the status line show of a
// change is its caller's business.
class NightMode : public QObject {
    Q_OBJECT

public:
    static constexpr double brightnessCap = 25;
    static constexpr ColorGains gains{50, 46, 40};

    struct Timings {
        std::chrono::milliseconds readPause;  // between the reads of the values to keep
        std::chrono::milliseconds writePause; // after each write of a value set
    };

    /// What a change left behind.
    struct Change {
        /// The values the monitor was last told, for the sliders; nullopt when it was told nothing.
        std::optional<NightModeSnapshot> shown;
        /// Why the change did not happen; Night Mode then stays as it was.
        std::optional<ClientError> failure;
    };

    /// On again when the settings kept the way back from a previous run: the monitor is taken to
    /// still show the night values, so nothing is read or written here. Once `lifetime` is
    /// cancelled (the owner is going away) no task of ours touches this object again.
    NightMode(DDCClient& ddc, MonitorSettings& settings, Timings timings, CancelToken lifetime,
              QObject* parent = nullptr);

    bool isOn() const { return m_isOn; }
    bool isChanging() const { return m_isChanging; }
    /// The values to return to; set exactly while Night Mode is on.
    const std::optional<NightModeSnapshot>& snapshot() const { return m_snapshot; }

    /// Turns Night Mode on or off; a request that changes nothing is the caller's to drop, as is
    /// one made while a change is under way.
    QCoro::Task<Change> change(bool enabled);
    /// Other values replace the night values (a scene): Night Mode ends without writing anything back.
    void end();
    /// The settings now hold another monitor's keys: on exactly when they keep a way back. Not
    /// while a change is under way.
    void reload();

    /// The night values for a snapshot: the night gains, and its brightness capped.
    static NightModeSnapshot nightValues(const NightModeSnapshot& snapshot);

signals:
    void isOnChanged();
    void isChangingChanged();

private:
    QCoro::Task<Change> turnOn();
    QCoro::Task<Change> turnOff();
    QCoro::Task<Result<NightModeSnapshot>> currentValues();
    QCoro::Task<std::optional<ClientError>> write(NightModeSnapshot values);
    void setState(bool on, std::optional<NightModeSnapshot> snapshot);
    void setChanging(bool changing);

    DDCClient& m_ddc;
    MonitorSettings& m_settings;
    Timings m_timings;
    CancelToken m_lifetime;
    bool m_isOn = false;
    bool m_isChanging = false;
    std::optional<NightModeSnapshot> m_snapshot;
};
