#pragma once

#include "MonitorControllerEnvironment.h"
#include "system/DisplayLifecycleEventSource.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

class AdaptiveBrightness;
class BuiltInDisplayBrightnessReadingSource;
class ConnectedMonitors;
class GlobalShortcuts;
class KeyboardShortcuts;
class LightSensor;
class WallClock;
class LinkedBrightness;
class MonitorSceneStore;
class NightModeForAll;
class OnScreenIndicatorPreference;
class QSettings;
class SettingsFile;

// What the program's model needs from its surroundings beyond the scene store and the built-in
// display's brightness. Every member has a production default; tests replace what they need.
struct ProgramEnvironment {
    QSettings* settings = nullptr; // the user's settings when null
    HelperLocator helperLocator = HelperLocation::bundled();
    std::shared_ptr<ScreenNameSource> screens; // the platform's screens when null
    /// The platform's wake and display signals when null.
    std::unique_ptr<DisplayLifecycleEventSource> displayLifecycle;
    /// The system's clock and time zone, and its light sensor, when null.
    std::shared_ptr<WallClock> clock;
    std::shared_ptr<LightSensor> lightSensor;
    /// The desktop's way to keys of the program's own; none when null, so that nothing grabs
    /// keys unless asked to.
    std::shared_ptr<GlobalShortcuts> globalShortcuts;
    MonitorControllerTimings timings;
};

// Everything the views, the bus and the command line act on: the connected monitors, each with
// its controller, and the features that act over all of them (linked brightness, Night Mode for
// every monitor, adaptive brightness, the on-screen indicator's preference), over one settings file.
class ProgramModel : public QObject {
    Q_OBJECT

public:
    ProgramModel(MonitorSceneStore& sceneStore, BuiltInDisplayBrightnessReadingSource& brightnessReader,
                 ProgramEnvironment environment = {}, QObject* parent = nullptr);
    ~ProgramModel() override;

    SettingsFile& settings() const { return *m_settings; }
    MonitorSceneStore& sceneStore() const { return m_sceneStore; }
    ConnectedMonitors& monitors() const { return *m_monitors; }
    LinkedBrightness& linkedBrightness() const { return *m_linked; }
    NightModeForAll& nightMode() const { return *m_nightMode; }
    AdaptiveBrightness& adaptiveBrightness() const { return *m_adaptive; }
    OnScreenIndicatorPreference& onScreenIndicator() const { return *m_indicator; }
    KeyboardShortcuts& keyboardShortcuts() const { return *m_shortcuts; }
    WallClock& clock() const { return *m_clock; }

    /// Once: adaptive brightness as the settings keep it, then the monitors (see ConnectedMonitors::start).
    QCoro::Task<> start();
    /// Before the program ends: nothing new starts, and the monitor commands under way get up to
    /// `bound` to finish.
    QCoro::Task<> finishWork(std::chrono::milliseconds bound);

private:
    MonitorSceneStore& m_sceneStore;
    std::shared_ptr<WallClock> m_clock;
    std::shared_ptr<LightSensor> m_lightSensor;
    std::shared_ptr<GlobalShortcuts> m_globalShortcuts;
    std::unique_ptr<SettingsFile> m_settings;
    std::unique_ptr<ConnectedMonitors> m_monitors;
    std::unique_ptr<LinkedBrightness> m_linked;
    std::unique_ptr<NightModeForAll> m_nightMode;
    std::unique_ptr<AdaptiveBrightness> m_adaptive;
    std::unique_ptr<OnScreenIndicatorPreference> m_indicator;
    std::unique_ptr<KeyboardShortcuts> m_shortcuts;
};
