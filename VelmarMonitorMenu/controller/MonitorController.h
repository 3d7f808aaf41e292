#pragma once

#include "AdaptiveBrightnessState.h"
#include "async/Cancellation.h"
#include "monitor/MonitorFeature.h"
#include "monitor/MonitorInput.h"
#include "MonitorControllerEnvironment.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QUuid>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <set>

class AdaptiveBrightness;
class BuiltInDisplayBrightnessReadingSource;
class ControllerSettings;
class InputScenePreferenceStore;
class MonitorSceneStore;
class NightMode;
enum class ColorPreset;
struct ColorGains;
struct MonitorScene;
struct MonitorSceneState;

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
    Q_PROPERTY(QStringList offeredInputs READ offeredInputRawValues NOTIFY offeredInputsChanged)
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
    Q_PROPERTY(Adaptive::Support adaptiveBrightnessSupported READ adaptiveBrightnessSupported NOTIFY
                   adaptiveBrightnessSupportedChanged)
    Q_PROPERTY(QDateTime adaptiveBrightnessPausedUntil READ adaptiveBrightnessPausedUntilValue NOTIFY
                   adaptiveBrightnessPausedUntilChanged)
    Q_PROPERTY(Adaptive::State adaptiveBrightnessState READ adaptiveBrightnessState NOTIFY
                   adaptiveBrightnessStateChanged)
    Q_PROPERTY(bool isBusy READ isBusy NOTIFY isBusyChanged)
    Q_PROPERTY(bool perInputScenesEnabled READ perInputScenesEnabled NOTIFY perInputScenesEnabledChanged)
    Q_PROPERTY(
        bool onScreenIndicatorEnabled READ onScreenIndicatorEnabled NOTIFY onScreenIndicatorEnabledChanged)
    Q_PROPERTY(QString settingsError READ settingsErrorText NOTIFY settingsErrorChanged)

public:
    using AdaptiveSupport = Adaptive::Support;
    using AdaptiveBrightnessState = Adaptive::State;

    static constexpr double sceneMatchTolerance = 1.0;

    MonitorController(MonitorSceneStore& sceneStore, BuiltInDisplayBrightnessReadingSource& brightnessReader,
                      InputScenePreferenceStore& inputScenePreferences,
                      MonitorControllerEnvironment environment = {}, QObject* parent = nullptr);
    /// Safe with work in flight: the running helper is killed and reaped before this returns,
    /// queued monitor commands are dropped, and every task of ours that is still suspended ends
    /// without touching the controller when it next resumes. Settings not yet on disk are written.
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
    /// The inputs a picker offers: those the monitor's capabilities list when it is switched
    /// through the standard input feature and has said which it has, else every input.
    QList<MonitorInput> offeredInputs() const;
    const QString& displayName() const { return m_displayName; }
    const QString& status() const { return m_status; }
    bool hasError() const { return m_hasError; }
    bool isWorking() const { return m_isWorking; }
    /// The monitor is being read, a scene applied or Night Mode switched; adaptive brightness waits.
    bool isBusy() const { return m_isBusy; }
    bool isNightMode() const;
    bool isChangingNightMode() const;
    const std::set<MonitorFeature>& loadedFeatures() const { return m_loadedFeatures; }
    std::optional<QUuid> activeSceneID() const { return m_activeSceneID; }
    bool isApplyingScene() const { return m_isApplyingScene; }
    bool adaptiveBrightnessEnabled() const;
    double adaptiveMinimumBrightness() const;
    double adaptiveMaximumBrightness() const;
    AdaptiveSupport adaptiveBrightnessSupported() const;
    std::optional<QDateTime> adaptiveBrightnessPausedUntil() const;
    /// A pause is set and still lies ahead (on the controller's clock).
    bool isAdaptiveBrightnessPaused() const;
    /// Off, paused, unavailable, checking or following: what every view tells the user.
    AdaptiveBrightnessState adaptiveBrightnessState() const;
    bool perInputScenesEnabled() const { return m_perInputScenesEnabled; }
    /// Whether a change made by a script or a keyboard shortcut is shown briefly on screen.
    bool onScreenIndicatorEnabled() const { return m_onScreenIndicatorEnabled; }
    /// The colour preset whose gains equal the current ones exactly.
    std::optional<ColorPreset> matchedPreset() const;
    /// Why the controller's own settings could not be saved; nullopt once a save has worked.
    const std::optional<QString>& settingsError() const;

    /// Built-in scenes in their order, then the user's in theirs; scenesChanged() tells of changes.
    QList<MonitorScene> scenes() const;
    /// The store behind scenes(), for its persistenceError.
    MonitorSceneStore& sceneStore() const { return m_sceneStore; }

    // --- start-up and refresh -------------------------------------------------------------
    /// The one-time start: event source, lifecycle loop, adaptive loop, first refresh and the
    /// per-input scene step. Later calls return at once.
    QCoro::Task<> start();
    /// Before the program ends: no new work starts (pending slider writes and adaptive sampling
    /// stop), and the monitor command under way gets up to `bound` to finish, so quitting does
    /// not cut a write short. Whatever still runs after that is stopped with the controller.
    QCoro::Task<> finishWork(std::chrono::milliseconds bound);
    /// Re-reads all values, the input and the display name; dropped while one is running.
    /// Cancelling `cancel` (the view that asked has gone) cuts the reads' retries short.
    QCoro::Task<> refresh(CancelToken cancel = {});

    // --- adjustments ------------------------------------------------------------------------
    /// Stores a value in the controller only (a slider's binding); nothing is written. It is the
    /// user's choice from now on: a reading already under way does not replace it.
    void setValue(MonitorFeature feature, double value);
    /// A value during a drag: written once it has stood still for the live-write delay.
    void setLive(MonitorFeature feature, double value);
    /// The value on release (or from a script): written at once, or, while a write of the same
    /// feature is still under way, right after it. Values that arrive meanwhile replace each other.
    void set(MonitorFeature feature, double value);
    void applyPreset(ColorPreset preset);
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
    /// Saves an edited custom scene; an edited active scene no longer counts as applied.
    void updateScene(const MonitorScene& scene);
    void duplicateScene(const MonitorScene& scene);
    void deleteScene(const MonitorScene& scene);
    std::optional<QUuid> preferredSceneID(MonitorInput input) const;
    /// The scene applied after a switch to `input` while per-input scenes are on; nullopt for none.
    void setPreferredSceneID(MonitorInput input, std::optional<QUuid> sceneID);
    void setPerInputScenesEnabled(bool enabled);

    // --- preferences of the shell -----------------------------------------------------------
    void setOnScreenIndicatorEnabled(bool enabled);

    // --- the monitor it stands for, for the owner of several controllers ----------------------
    /// As the helper lists it; an empty id until a listing has named it.
    const ListedDisplay& listedDisplay() const { return m_listedDisplay; }
    /// Commands carry the monitor's id.
    bool isAddressed() const { return m_ddc->display().has_value(); }
    /// Stands for `display` from now on, with its own keys under `settingsGroup` and its commands
    /// carrying its id when `addressed`. For another monitor than before, slider values not yet
    /// written are dropped, work under way gets a moment to finish, and nothing read so far
    /// counts as loaded. True when what was read so far may not be this monitor's (another
    /// monitor, or commands that reached whichever monitor the helper picked): read it again.
    QCoro::Task<bool> standFor(ListedDisplay display, QString settingsGroup, bool addressed);
    /// The monitors the helper finds, asked in turn with this monitor's commands.
    QCoro::Task<Result<QList<ListedDisplay>>> listDisplays();

    // Property adaptors for the Qt meta-object system (optional values as empty/invalid).
    QString activeInputRawValue() const { return m_activeInput ? rawValue(*m_activeInput) : QString(); }
    QStringList offeredInputRawValues() const;
    QStringList loadedFeatureNames() const;
    QUuid activeSceneUuid() const { return m_activeSceneID.value_or(QUuid()); }
    QDateTime adaptiveBrightnessPausedUntilValue() const {
        return adaptiveBrightnessPausedUntil().value_or(QDateTime());
    }
    QString settingsErrorText() const { return settingsError().value_or(QString()); }

signals:
    void brightnessChanged();
    void contrastChanged();
    void volumeChanged();
    void redChanged();
    void greenChanged();
    void blueChanged();
    /// Any of the six values changed; sent after the value's own signal.
    void valueChanged(MonitorFeature feature);
    /// The brightness was set by hand, by a script or by adaptive brightness (not read, nor set
    /// by a scene or Night Mode); `live` while a slider is still being dragged.
    void brightnessChosen(double brightness, bool live);
    /// Night Mode was asked to turn on or off, and a change is under way.
    void nightModeChosen(bool enabled);
    void activeInputChanged();
    void offeredInputsChanged();
    void displayNameChanged();
    void statusChanged();
    void hasErrorChanged();
    void isWorkingChanged();
    void isBusyChanged();
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
    void adaptiveBrightnessStateChanged();
    void perInputScenesEnabledChanged();
    void onScreenIndicatorEnabledChanged();
    void scenesChanged();
    void settingsErrorChanged();

private:
    friend class MonitorControllerProbe; // tests look at the internals through it

    std::unique_ptr<AdaptiveBrightness> makeAdaptiveBrightness(BuiltInDisplayBrightnessReadingSource& reader,
                                                               std::function<QDateTime()> now);
    void forwardSignals();

    template <class T> void assign(T& field, const T& value, void (MonitorController::*changed)()) {
        if (field == value)
            return;
        field = value;
        emit(this->*changed)();
    }

    QString connectedStatus(const QString& withoutInput) const;
    void setActiveInput(std::optional<MonitorInput> input);
    /// What was read belonged to another monitor.
    void forgetReadings();
    void setStatus(const QString& status, bool hasError);
    void setDisplayName(const QString& name);
    void setWorking(bool working);
    void setActiveSceneID(std::optional<QUuid> id);
    void setApplyingScene(bool applying);
    void updateBusy();
    void markLoaded(MonitorFeature feature);
    /// Drops the slider and script values not yet written, so that nothing lands after what
    /// follows (a scene's values); the write under way finishes.
    void cancelPendingWrites();
    void storeValue(MonitorFeature feature, double value);

    // refresh
    /// The refresh itself: whether it read the brightness this time, or nullopt when it was
    /// dropped because another refresh is running.
    QCoro::Task<std::optional<bool>> readMonitor(CancelToken cancel);
    void detectDisplayName();
    QCoro::Task<std::optional<MonitorInput>> detectActiveInput();
    /// Once per connection, and only for a monitor switched through the standard feature.
    QCoro::Task<> askForOfferedInputs();
    void setReportedInputs(QList<MonitorInput> inputs);

    // adjustments
    void markManualChange();
    QCoro::Task<Result<void>> performWrite(MonitorFeature feature, double value);
    void writeNewest(MonitorFeature feature, double value);
    /// A value of this feature waits to be written, or is being written.
    bool isWriteUnderWay(MonitorFeature feature) const;
    QCoro::Task<> writeFeature(MonitorFeature feature, double value);
    QCoro::Task<> liveWrite(MonitorFeature feature, double value, CancelToken token);
    QCoro::Task<> writePreset(ColorGains gains);
    struct InputSwitch {
        MonitorInput input;
        std::optional<MonitorInput> previous; // shown again if the switch fails
    };
    QCoro::Task<> switchInputs(InputSwitch first);
    /// Through the register the monitor was last seen to answer.
    QCoro::Task<Result<void>> selectInput(MonitorInput input);

    // Night Mode
    QCoro::Task<> changeNightMode(bool enabled);

    // adaptive brightness
    QCoro::Task<bool> followBuiltInBrightness(int brightness);

    // scenes
    QCoro::Task<> applyScene(MonitorScene scene, bool switchesInput);
    QCoro::Task<Result<void>> writeSceneValue(MonitorFeature feature, double value);
    MonitorSceneState sceneState() const;
    void updateActiveSceneMatch();
    QCoro::Task<> applyPreferredSceneForCurrentInput();

    // lifecycle
    QCoro::Task<> lifecycleLoop();
    QCoro::Task<> runReadingHook(const std::function<QCoro::Task<>()>& hook);
    QCoro::Task<> waitWhile(std::function<bool()> busy, std::chrono::milliseconds bound);

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
    bool m_isBusy = false;
    std::set<MonitorFeature> m_loadedFeatures;
    std::optional<QUuid> m_activeSceneID;
    bool m_isApplyingScene = false;
    bool m_perInputScenesEnabled = false;
    bool m_onScreenIndicatorEnabled = true;

    MonitorSceneStore& m_sceneStore;
    std::unique_ptr<DDCClient> m_ddc;
    std::unique_ptr<DisplayLifecycleEventSource> m_displayLifecycle;
    InputScenePreferenceStore& m_inputScenePreferences;

    std::map<MonitorFeature, CancelToken> m_pendingWrites;
    // One write per feature at a time; only the newest value waits behind it, so a script or a
    // held shortcut never queues up stale writes ahead of everything else.
    struct FeatureWrites {
        bool writing = false;
        std::optional<double> next;
    };
    std::map<MonitorFeature, FeatureWrites> m_featureWrites;
    // Likewise one input switch at a time, and only the newest waiting behind it.
    bool m_switchingInput = false;
    std::optional<InputSwitch> m_nextInputSwitch;
    // Counts the choices made of each value and of the input; a reading issued before the count
    // moved is older than the choice and is not stored over it.
    std::map<MonitorFeature, quint64> m_valueChoices;
    quint64 m_inputChoices = 0;
    // Monitors of other makes have no vendor input register: their input is set through the
    // standard one once that has answered and the vendor one never has. A Velmar monitor that
    // misses one question keeps its own register.
    enum class InputRegister { unknown, vendor, standard };
    InputRegister m_inputRegister = InputRegister::unknown;
    // What such a monitor's capabilities list; empty while unknown. Asked once per connection: the
    // answer cannot change while the monitor stays, and reading it keeps the bus busy for a while.
    QList<MonitorInput> m_reportedInputs;
    bool m_inputsAsked = false;
    bool m_hasStarted = false;
    ListedDisplay m_listedDisplay;
    MonitorReadingHooks m_readingHooks;
    int m_readingHooksUnderWay = 0; // the monitors are being listed: adaptive brightness waits

    // Cancelled first thing in the destructor: every task holds it and checks it after each
    // suspension before touching the controller.
    CancelToken m_lifetime = makeCancelToken();
    int m_runningTasks = 0;

    // The concerns with state of their own; the settings first, since the others keep theirs there.
    std::unique_ptr<ControllerSettings> m_settings;
    std::unique_ptr<NightMode> m_nightMode;
    std::unique_ptr<AdaptiveBrightness> m_adaptive;
    std::shared_ptr<ScreenNameSource> m_screens;
    MonitorControllerTimings m_timings;
};
