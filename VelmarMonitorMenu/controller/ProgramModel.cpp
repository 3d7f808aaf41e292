#include "ProgramModel.h"

#include "AdaptiveBrightness.h"
#include "ConnectedMonitors.h"
#include "KeyboardShortcuts.h"
#include "LinkedBrightness.h"
#include "NightModeForAll.h"
#include "OnScreenIndicatorPreference.h"
#include "SettingsFile.h"
#include "system/DisplayLifecycleEventSource.h"
#include "system/GlobalShortcuts.h"
#include "system/LightSensor.h"
#include "system/WallClock.h"

ProgramModel::ProgramModel(MonitorSceneStore& sceneStore, BuiltInDisplayBrightnessReadingSource& brightnessReader,
                           ProgramEnvironment environment, QObject* parent)
    : QObject(parent), m_sceneStore(sceneStore), m_clock(std::move(environment.clock)),
      m_lightSensor(std::move(environment.lightSensor)), m_globalShortcuts(std::move(environment.globalShortcuts)),
      m_settings(std::make_unique<SettingsFile>(environment.settings, environment.timings.settingsCheckDelay)) {
    if (!m_clock)
        m_clock = makeSystemWallClock();
    if (!m_lightSensor)
        m_lightSensor = makeSystemLightSensor();
    if (!m_globalShortcuts)
        m_globalShortcuts = std::make_shared<NoGlobalShortcuts>();
    MonitorControllerEnvironment controllers;
    controllers.settings = m_settings.get();
    controllers.helperLocator = std::move(environment.helperLocator);
    controllers.screens = std::move(environment.screens);
    controllers.timings = environment.timings;
    m_monitors = std::make_unique<ConnectedMonitors>(sceneStore, *m_settings, std::move(controllers),
                                                     std::move(environment.displayLifecycle));
    m_linked = std::make_unique<LinkedBrightness>(*m_monitors, *m_settings);
    m_nightMode = std::make_unique<NightModeForAll>(*m_monitors);
    m_adaptive = std::make_unique<AdaptiveBrightness>(
        *m_monitors, *m_linked, AdaptiveBrightness::Sources{brightnessReader, *m_lightSensor, *m_clock},
        *m_settings, environment.timings);
    m_indicator = std::make_unique<OnScreenIndicatorPreference>(*m_settings);
    m_shortcuts = std::make_unique<KeyboardShortcuts>(*m_settings, sceneStore, *m_globalShortcuts);
}

ProgramModel::~ProgramModel() {
    // The features first: they watch the controllers, which go with the monitors.
    m_shortcuts.reset();
    m_indicator.reset();
    m_adaptive.reset();
    m_nightMode.reset();
    m_linked.reset();
    m_monitors.reset();
}

QCoro::Task<> ProgramModel::start() {
    // The loop's first sample comes on the next turn of the event loop, when the first reading is
    // under way: it waits for the reading rather than writing a monitor not read yet.
    m_adaptive->start();
    co_await m_monitors->start();
}

QCoro::Task<> ProgramModel::finishWork(std::chrono::milliseconds bound) {
    m_adaptive->stop();
    co_await m_monitors->finishWork(bound);
}
