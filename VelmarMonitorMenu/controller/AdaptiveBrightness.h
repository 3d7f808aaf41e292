#pragma once

#include "AdaptiveBrightnessPolicy.h"
#include "AdaptiveBrightnessState.h"
#include "async/Cancellation.h"
#include "LightSensorPolicy.h"
#include "MonitorControllerEnvironment.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>
#include <set>

class AdaptiveSchedule;
class BuiltInDisplayBrightnessReadingSource;
class ConnectedMonitors;
class LightSensor;
class LinkedBrightness;
class MonitorController;
class SerialQueue;
class SettingsFile;
class WallClock;

// Adaptive brightness: while it is on, the main monitor follows one source within the user's range
// (monitors linked to it follow through the link):
// - the laptop's own panel, sampled once a second (the default);
// - the ambient light sensor, as its readings come, smoothed, with a dead band;
// - the schedule for the time of day, with one timer to its next change and nothing in between.
// A manual change of the main monitor, or of one linked to it, stands following aside: for half an
// hour, or, following the schedule, until its next point. Night Mode neither pauses nor stops it:
// following may replace the night brightness. After a wake or a display change, once the main
// monitor has been read, the sensor's and the schedule's value is written at once.
class AdaptiveBrightness : public QObject {
    Q_OBJECT

public:
    static constexpr auto pauseLength = std::chrono::seconds(1800); // after a manual change
    static constexpr double defaultMinimum = 8;                     // the range until the user sets one
    static constexpr double defaultMaximum = 82;

    struct Sources {
        BuiltInDisplayBrightnessReadingSource& laptop;
        LightSensor& light;
        WallClock& clock;
    };

    /// Switched on or off, with the source and range the settings keep; nothing runs before start().
    AdaptiveBrightness(ConnectedMonitors& monitors, const LinkedBrightness& link, Sources sources,
                       SettingsFile& settings, MonitorControllerTimings timings, QObject* parent = nullptr);
    ~AdaptiveBrightness() override;

    bool isEnabled() const { return m_enabled; }
    Adaptive::Source source() const { return m_source; }
    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }
    Adaptive::Support support() const { return m_support; }
    const std::optional<QDateTime>& pausedUntil() const { return m_pausedUntil; }
    /// A pause is set and still lies ahead.
    bool isPaused() const;
    Adaptive::State state() const;
    /// The machine has a light sensor now (the sensor source is offered only then).
    bool hasLightSensor() const;
    AdaptiveSchedule& schedule() const { return *m_schedule; }
    /// The sampling loop runs, or a sensor or the schedule is being followed.
    bool isRunning() const { return m_loop != nullptr; }
    /// A sample or a write is waiting for its turn or under way.
    bool isSampling() const { return m_samplesUnderWay > 0; }
    /// The brightness following last wrote; nullopt means the next proposal is written whatever its distance.
    std::optional<double> lastWritten() const { return m_lastWritten; }

    /// Runs in full even without a change, so switching on always writes at once.
    void setEnabled(bool enabled);
    /// Follows `source` from now on (from scratch, as switching on does).
    void setSource(Adaptive::Source source);
    /// The minimum is brought within 0...100 and the maximum raised to it, then capped at 100.
    void setRange(double minimum, double maximum);
    /// Ends a pause at once; the next sample writes whatever the distance.
    void resume();
    /// A manual change or a scene: while on, following stands aside.
    void pauseAfterManualChange();

    /// Starts following when switched on, after whoever calls this has finished (at launch, the
    /// first refresh reads the monitor before any sample could write it).
    void start();
    /// Following ends; a write under way finishes.
    void stop();

signals:
    void enabledChanged();
    void sourceChanged();
    void minimumChanged();
    void maximumChanged();
    void supportChanged();
    void pausedUntilChanged();
    void stateChanged();
    void lightSensorChanged();

private:
    friend class AdaptiveBrightnessProbe; // tests wait on the samples through it

    void watch(MonitorController* controller);
    AdaptiveBrightnessPolicy policy() const;
    QCoro::Task<> loop(AdaptiveBrightnessPolicy policy, CancelToken loop);
    QCoro::Task<> sample(AdaptiveBrightnessPolicy policy, CancelToken loop);
    /// The sensor's or the schedule's value now: written if it is worth it, and the next look planned.
    void follow();
    QCoro::Task<> write(int brightness, CancelToken loop);
    void lookAgainAt(const QDateTime& when);
    void lookAgainIn(std::chrono::milliseconds delay);
    void lightChanged();
    std::chrono::milliseconds monotonicNow() const;
    QString followingStatus() const;
    void clearPause();
    void setSupport(Adaptive::Support support);
    void setPausedUntil(std::optional<QDateTime> until);
    void updateState();

    ConnectedMonitors& m_monitors;
    const LinkedBrightness& m_link;
    BuiltInDisplayBrightnessReadingSource& m_reader;
    LightSensor& m_light;
    WallClock& m_clock;
    SettingsFile& m_settings;
    MonitorControllerTimings m_timings;
    std::unique_ptr<AdaptiveSchedule> m_schedule;
    CancelToken m_lifetime = makeCancelToken();

    bool m_enabled = false;
    Adaptive::Source m_source = Adaptive::Source::laptop;
    double m_minimum;
    double m_maximum;
    Adaptive::Support m_support = Adaptive::Support::unknown;
    std::optional<QDateTime> m_pausedUntil;
    Adaptive::State m_state = Adaptive::State::off; // as last announced
    std::optional<double> m_lastWritten;
    std::set<const MonitorController*> m_watched;

    CancelToken m_loop;
    // One sample or write at a time: a restarted loop's first write waits for the old loop's
    // instead of overlapping it or being dropped.
    std::shared_ptr<SerialQueue> m_samples;
    int m_samplesUnderWay = 0;
    quint64 m_samplesBegun = 0; // how often the laptop's panel has been looked at

    // Following the sensor or the schedule: one timer to the next look, nothing in between.
    QTimer m_nextLook;
    std::optional<LightSensorPolicy> m_lightPolicy;
    bool m_lightClaimed = false;
    QElapsedTimer m_monotonic;
    std::optional<QDateTime> m_lastScheduleWrite;
};
