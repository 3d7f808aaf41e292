#pragma once

#include "AdaptiveBrightnessPolicy.h"
#include "async/Cancellation.h"
#include "monitor/ColorPreset.h"
#include "monitor/DDCClient.h"
#include "monitor/MonitorFeature.h"
#include "monitor/MonitorInput.h"
#include "NightModeSnapshot.h"
#include "scenes/InputScenePreferenceStore.h"
#include "scenes/MonitorSceneStore.h"
#include "system/BuiltInDisplayBrightnessReadingSource.h"
#include "system/DisplayLifecycleEventSource.h"
#include "system/ScreenNameSource.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QObject>
#include <QSettings>
#include <QUuid>
#include <QVariant>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>

using namespace std::chrono_literals;

// What the controller needs from its surroundings beyond the three collaborators the app
// shell hands it. Every member has a production default; tests replace what they need.
struct MonitorControllerEnvironment {
    QSettings* defaults = nullptr; // the standard defaults database when null
    HelperLocator helperLocator = HelperLocation::bundled();
    std::chrono::milliseconds helperTimeLimit = DDCClient::defaultTimeLimit;
    std::shared_ptr<ScreenNameSource> screens; // the platform's screens when null
    std::function<QDateTime()> now;            // wall clock for the adaptive pause; system clock when empty
};

// The one observable object behind every view: it holds what the interface shows about the
// monitor and carries out every action on it, on the main thread. Properties notify only
// when their value really changes.
class MonitorController : public QObject {
    Q_OBJECT
    Q_PROPERTY(double brightness READ brightness NOTIFY brightnessChanged)
    Q_PROPERTY(double contrast READ contrast NOTIFY contrastChanged)
    Q_PROPERTY(double volume READ volume NOTIFY volumeChanged)
    Q_PROPERTY(double red READ red NOTIFY redChanged)
    Q_PROPERTY(double green READ green NOTIFY greenChanged)
    Q_PROPERTY(double blue READ blue NOTIFY blueChanged)
    Q_PROPERTY(QString activeInput READ activeInputRawValue NOTIFY activeInputChanged)
    Q_PROPERTY(QString displayName READ displayName NOTIFY displayNameChanged)
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    Q_PROPERTY(bool hasError READ hasError NOTIFY hasErrorChanged)
    Q_PROPERTY(bool isWorking READ isWorking NOTIFY isWorkingChanged)
    Q_PROPERTY(bool isNightMode READ isNightMode NOTIFY isNightModeChanged)
    Q_PROPERTY(bool isChangingNightMode READ isChangingNightMode NOTIFY isChangingNightModeChanged)
    Q_PROPERTY(QStringList loadedFeatures READ loadedFeatureNames NOTIFY loadedFeaturesChanged)
    Q_PROPERTY(QUuid activeSceneID READ activeSceneUuid NOTIFY activeSceneIDChanged)
    Q_PROPERTY(bool isApplyingScene READ isApplyingScene NOTIFY isApplyingSceneChanged)
    Q_PROPERTY(
        bool adaptiveBrightnessEnabled READ adaptiveBrightnessEnabled NOTIFY adaptiveBrightnessEnabledChanged)
    Q_PROPERTY(double adaptiveMinimumBrightness READ adaptiveMinimumBrightness NOTIFY
                   adaptiveMinimumBrightnessChanged)
    Q_PROPERTY(double adaptiveMaximumBrightness READ adaptiveMaximumBrightness NOTIFY
                   adaptiveMaximumBrightnessChanged)
    Q_PROPERTY(QVariant adaptiveBrightnessSupported READ adaptiveBrightnessSupportedValue NOTIFY
                   adaptiveBrightnessSupportedChanged)
    Q_PROPERTY(QDateTime adaptiveBrightnessPausedUntil READ adaptiveBrightnessPausedUntilValue NOTIFY
                   adaptiveBrightnessPausedUntilChanged)
    Q_PROPERTY(bool perInputScenesEnabled READ perInputScenesEnabled NOTIFY perInputScenesEnabledChanged)

public:
    // Pacing between monitor commands: cheap monitors drop a command that follows another too closely.
    static constexpr auto readPause = 50ms;          // between the reads of a refresh or a snapshot
    static constexpr auto presetWritePause = 50ms;   // between the three gains of a colour preset
    static constexpr auto valueSetWritePause = 60ms; // after each write of a scene or the night values
    static constexpr auto liveWriteDelay = 90ms;     // let a drag settle before the monitor is written
    static constexpr auto lifecycleSettleDelay =
        900ms; // let a woken or re-plugged monitor answer DDC/CI again
    static constexpr auto adaptivePauseLength = std::chrono::seconds(1800); // after a manual change
    static constexpr double sceneMatchTolerance = 1.0;
    static constexpr double nightBrightnessCap = 25;
    static constexpr ColorGains nightGains{50, 46, 40};

    MonitorController(MonitorSceneStore& sceneStore, BuiltInDisplayBrightnessReadingSource& brightnessReader,
                      InputScenePreferenceStore& inputScenePreferences,
                      MonitorControllerEnvironment environment = {}, QObject* parent = nullptr);
    ~MonitorController() override;

    // --- state -------------------------------------------------------------------------
    double brightness() const { return m_brightness; }
    double contrast() const { return m_contrast; }
    double volume() const { return m_volume; }
    double red() const { return m_red; }
    double green() const { return m_green; }
    double blue() const { return m_blue; }
    double value(MonitorFeature feature) const;
    std::optional<MonitorInput> activeInput() const { return m_activeInput; }
    const QString& displayName() const { return m_displayName; }
    const QString& status() const { return m_status; }
    bool hasError() const { return m_hasError; }
    bool isWorking() const { return m_isWorking; }
    bool isNightMode() const { return m_isNightMode; }
    bool isChangingNightMode() const { return m_isChangingNightMode; }
    const std::set<MonitorFeature>& loadedFeatures() const { return m_loadedFeatures; }
    std::optional<QUuid> activeSceneID() const { return m_activeSceneID; }
    bool isApplyingScene() const { return m_isApplyingScene; }
    bool adaptiveBrightnessEnabled() const { return m_adaptiveBrightnessEnabled; }
    double adaptiveMinimumBrightness() const { return m_adaptiveMinimumBrightness; }
    double adaptiveMaximumBrightness() const { return m_adaptiveMaximumBrightness; }
    std::optional<bool> adaptiveBrightnessSupported() const { return m_adaptiveBrightnessSupported; }
    std::optional<QDateTime> adaptiveBrightnessPausedUntil() const { return m_adaptiveBrightnessPausedUntil; }
    bool perInputScenesEnabled() const { return m_perInputScenesEnabled; }
    /// The colour preset whose gains equal the current ones exactly.
    std::optional<ColorPreset> matchedPreset() const;

    MonitorSceneStore& sceneStore() const { return m_sceneStore; }
    InputScenePreferenceStore& inputScenePreferences() const { return m_inputScenePreferences; }
    DisplayLifecycleEventSource& displayLifecycle() const { return *m_displayLifecycle; }
    DDCClient& ddc() const { return *m_ddc; }
    const std::optional<NightModeSnapshot>& nightModeSnapshot() const { return m_nightModeSnapshot; }
    std::optional<double> lastAdaptiveBrightness() const { return m_lastAdaptiveBrightness; }
    bool hasStarted() const { return m_hasStarted; }
    bool isAdaptiveLoopRunning() const { return m_adaptiveBrightnessTask != nullptr; }

    // --- start-up and refresh -------------------------------------------------------------
    /// The one-time start: event source, lifecycle loop, adaptive loop, first refresh and the
    /// per-input scene step. Later calls return at once.
    QCoro::Task<> start();
    /// Re-reads all values, the input and the display name; dropped while one is running.
    QCoro::Task<> refresh();

    // --- adjustments ------------------------------------------------------------------------
    /// Stores a value in the controller only (a slider's binding); nothing is written.
    void setValue(MonitorFeature feature, double value);
    /// A value during a drag: written once it has stood still for 90 ms.
    void setLive(MonitorFeature feature, double value);
    /// The value on release: written at once.
    void set(MonitorFeature feature, double value);
    void apply(ColorPreset preset);
    void setInput(MonitorInput input);

    // --- Night Mode -----------------------------------------------------------------------
    void setNightMode(bool enabled);

    // --- adaptive brightness ---------------------------------------------------------------
    void setAdaptiveBrightnessEnabled(bool enabled);
    void setAdaptiveBrightnessRange(double minimum, double maximum);
    void resumeAdaptiveBrightness();

    // --- scenes ---------------------------------------------------------------------------
    void apply(const MonitorScene& scene);
    void saveCurrentSettingsAsScene(const QString& name, const QString& symbol);
    void duplicateScene(const MonitorScene& scene);
    void deleteScene(const MonitorScene& scene);
    std::optional<QUuid> preferredSceneID(MonitorInput input) const;
    void setPerInputScenesEnabled(bool enabled);

    // Property adaptors for the Qt meta-object system (optional values as empty/invalid).
    QString activeInputRawValue() const { return m_activeInput ? rawValue(*m_activeInput) : QString(); }
    QStringList loadedFeatureNames() const;
    QUuid activeSceneUuid() const { return m_activeSceneID.value_or(QUuid()); }
    QVariant adaptiveBrightnessSupportedValue() const;
    QDateTime adaptiveBrightnessPausedUntilValue() const {
        return m_adaptiveBrightnessPausedUntil.value_or(QDateTime());
    }

signals:
    void brightnessChanged();
    void contrastChanged();
    void volumeChanged();
    void redChanged();
    void greenChanged();
    void blueChanged();
    void activeInputChanged();
    void displayNameChanged();
    void statusChanged();
    void hasErrorChanged();
    void isWorkingChanged();
    void isNightModeChanged();
    void isChangingNightModeChanged();
    void loadedFeaturesChanged();
    void activeSceneIDChanged();
    void isApplyingSceneChanged();
    void adaptiveBrightnessEnabledChanged();
    void adaptiveMinimumBrightnessChanged();
    void adaptiveMaximumBrightnessChanged();
    void adaptiveBrightnessSupportedChanged();
    void adaptiveBrightnessPausedUntilChanged();
    void perInputScenesEnabledChanged();

private:
    template <class T> void assign(T& field, const T& value, void (MonitorController::*changed)()) {
        if (field == value)
            return;
        field = value;
        emit(this->*changed)();
    }

    void loadSettings();
    QDateTime now() const;
    QString connectedStatus(const QString& withoutInput) const;
    void setActiveInput(std::optional<MonitorInput> input);
    void setStatus(const QString& status, bool hasError);
    void setDisplayName(const QString& name);
    void setWorking(bool working);
    void setNightModeState(bool on, std::optional<NightModeSnapshot> snapshot);
    void setChangingNightMode(bool changing);
    void setActiveSceneID(std::optional<QUuid> id);
    void setApplyingScene(bool applying);
    void setAdaptiveBrightnessSupported(std::optional<bool> supported);
    void setAdaptiveBrightnessPausedUntil(std::optional<QDateTime> until);
    void markLoaded(MonitorFeature feature);

    // refresh
    void detectDisplayName();
    QCoro::Task<std::optional<MonitorInput>> detectActiveInput();

    // adjustments
    void markManualChange();
    QCoro::Task<> performWrite(MonitorFeature feature, double value);
    QCoro::Task<> liveWrite(MonitorFeature feature, double value, CancelToken token);
    QCoro::Task<> writePreset(ColorGains gains);
    QCoro::Task<> switchInput(MonitorInput input, std::optional<MonitorInput> previous);

    // Night Mode
    QCoro::Task<> changeNightMode(bool enabled);
    QCoro::Task<Result<NightModeSnapshot>> currentNightModeSnapshot();
    QCoro::Task<Result<void>> writeNightValues(double brightness, double red, double green, double blue);
    void persistNightMode(const NightModeSnapshot& snapshot);
    void forgetNightMode();

    // adaptive brightness
    void updateAdaptiveBrightnessTask();
    QCoro::Task<> adaptiveLoop(AdaptiveBrightnessPolicy policy, CancelToken token);
    QCoro::Task<> sampleAdaptiveBrightness(AdaptiveBrightnessPolicy policy);
    void clearAdaptivePause();

    // scenes
    QCoro::Task<> applyScene(MonitorScene scene, bool switchesInput);
    QCoro::Task<Result<void>> writeSceneValue(MonitorFeature feature, double value);
    void updateActiveSceneMatch();
    QCoro::Task<> applyPreferredSceneForCurrentInput();

    // lifecycle
    QCoro::Task<> lifecycleLoop(CancelToken token);

    // fields, in the order the views and operations think of them
    double m_brightness = 50;
    double m_contrast = 70;
    double m_volume = 30;
    double m_red = 50;
    double m_green = 50;
    double m_blue = 50;
    std::optional<MonitorInput> m_activeInput;
    QString m_displayName;
    QString m_status;
    bool m_hasError = false;
    bool m_isWorking = false;
    bool m_isNightMode = false;
    bool m_isChangingNightMode = false;
    std::set<MonitorFeature> m_loadedFeatures;
    std::optional<QUuid> m_activeSceneID;
    bool m_isApplyingScene = false;
    bool m_adaptiveBrightnessEnabled = false;
    double m_adaptiveMinimumBrightness = 8;
    double m_adaptiveMaximumBrightness = 82;
    std::optional<bool> m_adaptiveBrightnessSupported;
    std::optional<QDateTime> m_adaptiveBrightnessPausedUntil;
    bool m_perInputScenesEnabled = false;

    MonitorSceneStore& m_sceneStore;
    std::unique_ptr<DDCClient> m_ddc;
    std::unique_ptr<DisplayLifecycleEventSource> m_displayLifecycle;
    BuiltInDisplayBrightnessReadingSource& m_brightnessReader;
    InputScenePreferenceStore& m_inputScenePreferences;

    std::map<MonitorFeature, CancelToken> m_pendingWrites;
    std::optional<NightModeSnapshot> m_nightModeSnapshot;
    CancelToken m_lifecycleTask;
    CancelToken m_adaptiveBrightnessTask;
    bool m_hasStarted = false;
    std::optional<double> m_lastAdaptiveBrightness;
    bool m_adaptiveSampleInFlight = false;

    std::unique_ptr<QSettings> m_ownDefaults;
    QSettings* m_defaults;
    std::shared_ptr<ScreenNameSource> m_screens;
    std::function<QDateTime()> m_now;
};
