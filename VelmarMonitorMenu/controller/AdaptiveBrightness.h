#pragma once

#include "AdaptiveBrightnessPolicy.h"
#include "AdaptiveBrightnessState.h"
#include "async/Cancellation.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>

class BuiltInDisplayBrightnessReadingSource;
class ConnectedMonitors;
class LinkedBrightness;
class MonitorController;
class SerialQueue;
class SettingsFile;

// Adaptive brightness: while it is on, the main monitor follows the built-in display's brightness
// within the user's range (monitors linked to it follow through the link), and stands aside for
// half an hour after a manual change of the main monitor or of one linked to it. Night Mode
// neither pauses nor stops it: following may replace the night brightness.
class AdaptiveBrightness : public QObject {
    Q_OBJECT

public:
    static constexpr auto pauseLength = std::chrono::seconds(1800); // after a manual change
    static constexpr double defaultMinimum = 8;                     // the range until the user sets one
    static constexpr double defaultMaximum = 82;

    /// Switched on or off and with the range the settings keep; nothing runs before start().
    AdaptiveBrightness(ConnectedMonitors& monitors, const LinkedBrightness& link,
                       BuiltInDisplayBrightnessReadingSource& reader, SettingsFile& settings,
                       std::function<QDateTime()> now, std::chrono::milliseconds samplingInterval,
                       QObject* parent = nullptr);
    ~AdaptiveBrightness() override;

    bool isEnabled() const { return m_enabled; }
    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }
    Adaptive::Support support() const { return m_support; }
    const std::optional<QDateTime>& pausedUntil() const { return m_pausedUntil; }
    /// A pause is set and still lies ahead.
    bool isPaused() const { return m_pausedUntil && *m_pausedUntil > m_now(); }
    Adaptive::State state() const;
    /// The sampling loop runs.
    bool isRunning() const { return m_loop != nullptr; }
    /// A sample is waiting for its turn or under way.
    bool isSampling() const { return m_samplesUnderWay > 0; }
    /// The brightness following last wrote; nullopt means the next proposal is written whatever its distance.
    std::optional<double> lastWritten() const { return m_lastWritten; }

    /// Runs in full even without a change, so switching on always writes at the first sample.
    void setEnabled(bool enabled);
    /// The minimum is brought within 0...100 and the maximum raised to it, then capped at 100.
    void setRange(double minimum, double maximum);
    /// Ends a pause at once; the next sample writes whatever the distance.
    void resume();
    /// A manual change or a scene: while on, following stands aside for pauseLength.
    void pauseAfterManualChange();

    /// Starts the loop when switched on, after whoever calls this has finished (at launch, the
    /// first refresh reads the monitor before any sample could write it).
    void start();
    /// The loop ends; a sample under way finishes its write.
    void stop();

signals:
    void enabledChanged();
    void minimumChanged();
    void maximumChanged();
    void supportChanged();
    void pausedUntilChanged();
    void stateChanged();

private:
    friend class AdaptiveBrightnessProbe; // tests wait on the samples through it

    void watch(MonitorController* controller);
    QCoro::Task<> loop(AdaptiveBrightnessPolicy policy, CancelToken loop);
    QCoro::Task<> sample(AdaptiveBrightnessPolicy policy, CancelToken loop);
    void clearPause();
    void setSupport(Adaptive::Support support);
    void setPausedUntil(std::optional<QDateTime> until);
    void updateState();

    ConnectedMonitors& m_monitors;
    const LinkedBrightness& m_link;
    BuiltInDisplayBrightnessReadingSource& m_reader;
    SettingsFile& m_settings;
    std::function<QDateTime()> m_now;
    std::chrono::milliseconds m_samplingInterval;
    CancelToken m_lifetime = makeCancelToken();

    bool m_enabled = false;
    double m_minimum;
    double m_maximum;
    Adaptive::Support m_support = Adaptive::Support::unknown;
    std::optional<QDateTime> m_pausedUntil;
    Adaptive::State m_state = Adaptive::State::off; // as last announced
    std::optional<double> m_lastWritten;
    std::set<const MonitorController*> m_watched;

    CancelToken m_loop;
    // One sample at a time: a restarted loop's first sample waits for the old loop's write
    // instead of overlapping it or being dropped.
    std::shared_ptr<SerialQueue> m_samples;
    int m_samplesUnderWay = 0;
    quint64 m_samplesBegun = 0; // how often the loop has looked
};
