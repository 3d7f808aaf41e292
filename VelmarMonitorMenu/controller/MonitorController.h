#pragma once

#include "async/Cancellation.h"
#include "InputRegister.h"
#include "monitor/MonitorFeature.h"
#include "monitor/MonitorInput.h"
#include "MonitorControllerEnvironment.h"
#include "MonitorWrites.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QUuid>

#include <chrono>
#include <memory>
#include <optional>
#include <set>

class InputScenePreferenceStore;
class MonitorSceneStore;
class MonitorSettings;
class NightMode;
class SettingsFile;
enum class ColorPreset;
struct ColorGains;
struct MonitorScene;
struct MonitorSceneState;

// One monitor, for the whole of its controller's life: what the interface shows about it and
// every action on it, on the main thread. Each value has a change signal, sent only when the value
// really changes.
// What acts over every monitor (linked brightness, Night Mode for all, adaptive brightness) is an
// object of its own that calls into the controllers.
class MonitorController : public QObject {
    Q_OBJECT

public:
    static constexpr double sceneMatchTolerance = 1.0;

    /// Stands for `environment.monitor`: the helper's default monitor while its id is empty.
    MonitorController(MonitorSceneStore& sceneStore, MonitorControllerEnvironment environment = {},
                      QObject* parent = nullptr);
    /// Safe with work in flight: the running helper is killed, queued monitor commands are dropped,
    /// and every task of ours that is still suspended ends without touching the controller when it
    /// next resumes. Settings not yet on disk are written.
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
    /// The monitor's input register is known: a switch goes through the one it answers on.
    bool canSwitchInput() const { return m_input.kind != InputRegister::Kind::unknown; }
    const QString& displayName() const { return m_displayName; }
    const QString& status() const { return m_status; }
    bool hasError() const { return m_hasError; }
    bool isWorking() const { return m_isWorking; }
    /// The monitor is being read, a scene applied or Night Mode switched; adaptive brightness waits.
    bool isBusy() const { return m_isBusy; }
    bool isNightMode() const;
    bool isChangingNightMode() const;
    const std::set<MonitorFeature>& loadedFeatures() const { return m_loadedFeatures; }
    bool isLoaded(MonitorFeature feature) const { return m_loadedFeatures.contains(feature); }
    std::optional<QUuid> activeSceneID() const { return m_activeSceneID; }
    bool isApplyingScene() const { return m_isApplyingScene; }
    bool perInputScenesEnabled() const { return m_perInputScenesEnabled; }
    /// The colour preset whose gains equal the current ones exactly.
    std::optional<ColorPreset> matchedPreset() const;
    /// Built-in scenes in their order, then the user's in theirs; scenesChanged() tells of changes.
    QList<MonitorScene> scenes() const;
    MonitorSceneStore& sceneStore() const { return m_sceneStore; }

    // --- the monitor it stands for ----------------------------------------------------------
    /// As the helper lists it; empty until a listing has named the monitor.
    const QString& id() const { return m_id; }
    /// Commands carry the monitor's id (several monitors are connected).
    bool isAddressed() const;
    /// The listing named the monitor this controller has been speaking to, with `settingsGroup`
    /// holding its keys. Only a controller that stands for the helper's default learns its id.
    void learnIdentity(const QString& id, const QString& settingsGroup);
    /// Commands carry the id from now on, or go to the helper's default (the only monitor left).
    void setAddressed(bool addressed);
    /// The name the helper lists the monitor under, used when several are connected.
    void setListedName(const QString& name);

    // --- reading ----------------------------------------------------------------------------
    /// The first reading, once: a refresh, then the per-input scene step. Later calls return at once.
    QCoro::Task<> start();
    /// After a wake or display change: reads the monitor, again and again while it stays silent
    /// (until the time is up or `interrupted` is cancelled by a newer event), then the per-input
    /// scene step. True when the brightness could be read.
    QCoro::Task<bool> readAfterChange(CancelToken interrupted);
    /// Before the program ends: no new work starts; the command under way gets up to `bound`.
    QCoro::Task<> finishWork(std::chrono::milliseconds bound);
    /// Re-reads all values, the input and the display name; dropped while one is running.
    /// Cancelling `cancel` (the view that asked has gone) cuts the reads' retries short.
    QCoro::Task<> refresh(CancelToken cancel = {});
    /// No operation under way (a pending slider write counts) and no helper running or queued.
    bool isIdle() const;

    // --- adjustments ------------------------------------------------------------------------
    /// Stores a value in the controller only (a slider's binding); nothing is written. It is the
    /// user's choice from now on: a reading already under way does not replace it.
    void setValue(MonitorFeature feature, double value);
    /// A value during a drag: written once it has stood still for the live-write delay.
    void setLive(MonitorFeature feature, double value);
    /// The value on release (or from a script): written at once, or, while a write of the same
    /// feature is still under way, right after it. Values that arrive meanwhile replace each other.
    void set(MonitorFeature feature, double value);
    /// Linked to another monitor's brightness: moved as its own slider would move it, but no choice
    /// of the user's here (no adaptive pause, no brightnessChosen).
    void followBrightness(double brightness, bool live);
    /// Adaptive brightness's choice: written at once, shown with `status`; true once it took.
    QCoro::Task<bool> writeAdaptiveBrightness(int brightness, QString status);
    void applyPreset(ColorPreset preset);
    void setInput(MonitorInput input);

    // --- Night Mode, this monitor's --------------------------------------------------------
    void setNightMode(bool enabled);

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

signals:
    void brightnessChanged();
    void contrastChanged();
    void volumeChanged();
    void redChanged();
    void greenChanged();
    void blueChanged();
    /// Any of the six values changed; sent after the value's own signal.
    void valueChanged(MonitorFeature feature);
    /// The brightness was set by hand, by a script or by adaptive brightness (not read, nor set by
    /// a scene, Night Mode or a linked monitor); `live` while a slider is still being dragged.
    void brightnessChosen(double brightness, bool live);
    /// A value, a preset or a scene was chosen for this monitor: adaptive brightness stands aside.
    void adjustedByHand();
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
    void perInputScenesEnabledChanged();
    void scenesChanged();
    void idChanged();

private:
    friend class MonitorControllerProbe; // tests look at Night Mode's snapshot through it

    template <class T> void assign(T& field, const T& value, void (MonitorController::*changed)()) {
        if (field == value)
            return;
        field = value;
        emit(this->*changed)();
    }
    QString connectedStatus(const QString& withoutInput) const;
    void setActiveInput(std::optional<MonitorInput> input);
    void setStatus(const QString& status, bool hasError);
    void setDisplayName(const QString& name);
    void setWorking(bool working);
    void setActiveSceneID(std::optional<QUuid> id);
    void setApplyingScene(bool applying);
    void updateBusy();
    void markLoaded(MonitorFeature feature);
    void storeValue(MonitorFeature feature, double value);

    // writes
    void markManualChange();
    void writeLive(MonitorFeature feature, double value);
    void writeNewest(MonitorFeature feature, double value);
    QCoro::Task<> liveWrite(MonitorFeature feature, double value, CancelToken token);
    QCoro::Task<> writeFeature(MonitorFeature feature, double value);
    QCoro::Task<Result<void>> performWrite(MonitorFeature feature, double value);
    QCoro::Task<> writePreset(ColorGains gains);

    // refresh
    /// The refresh itself: whether it read the brightness this time, or nullopt when it was
    /// dropped because another refresh is running.
    QCoro::Task<std::optional<bool>> readMonitor(CancelToken cancel);
    void detectDisplayName();
    QCoro::Task<std::optional<MonitorInput>> detectActiveInput();
    /// Once per connection, and only for a monitor switched through the standard feature.
    QCoro::Task<> askForOfferedInputs();
    void setReportedInputs(QList<MonitorInput> inputs);

    // input switches
    QCoro::Task<> switchInputs(MonitorWrites::InputSwitch first);
    /// Through the register the monitor has answered on; refused while neither has answered.
    QCoro::Task<Result<void>> selectInput(MonitorInput input);

    QCoro::Task<> changeNightMode(bool enabled);

    // scenes
    QCoro::Task<> applyScene(MonitorScene scene, bool switchesInput);
    QCoro::Task<Result<void>> writeSceneValue(MonitorFeature feature, double value);
    MonitorSceneState sceneState() const;
    void updateActiveSceneMatch();
    QCoro::Task<> applyPreferredSceneForCurrentInput();

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
    bool m_hasStarted = false;
    QString m_id;
    QString m_listedName;

    InputRegister m_input;

    MonitorSceneStore& m_sceneStore;
    // Cancelled first thing in the destructor: every task holds it and checks it after each
    // suspension before touching the controller.
    CancelToken m_lifetime = makeCancelToken();
    std::unique_ptr<SettingsFile> m_ownSettings;
    SettingsFile* m_settingsFile;
    std::unique_ptr<MonitorSettings> m_settings;
    std::unique_ptr<InputScenePreferenceStore> m_inputScenePreferences;
    std::unique_ptr<DDCClient> m_ddc;
    std::unique_ptr<NightMode> m_nightMode;
    MonitorWrites m_writes;
    std::shared_ptr<ScreenNameSource> m_screens;
    MonitorControllerTimings m_timings;
};
