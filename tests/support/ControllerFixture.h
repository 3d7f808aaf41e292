#pragma once

#include "controller/AdaptiveBrightness.h"
#include "controller/MonitorController.h"
#include "controller/NightMode.h"
#include "FakeMonitor.h"
#include "scenes/InputScenePreferenceStore.h"
#include "scenes/MonitorSceneStore.h"
#include "system/BuiltInDisplayBrightnessReadingSource.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The controller's internals, for tests only (a friend of MonitorController).
class MonitorControllerProbe {
public:
    static const AdaptiveBrightness& adaptive(const MonitorController& c) { return *c.m_adaptive; }
    static auto lastAdaptiveBrightness(const MonitorController& c) { return c.m_adaptive->lastWritten(); }
    static quint64 adaptiveSamplesBegun(const MonitorController& c) { return c.m_adaptive->m_samplesBegun; }
    static const NightMode& nightMode(const MonitorController& c) { return *c.m_nightMode; }
    /// No operation under way (a pending slider write counts) and no helper running or queued.
    static bool isIdle(const MonitorController& c) {
        return c.m_runningTasks == 0 && !c.m_adaptive->isSampling() && c.m_ddc->isIdle();
    }
};
using Probe = MonitorControllerProbe;

// Screens as a test wants them.
class FakeScreens : public ScreenNameSource {
public:
    QList<ScreenDescription> list;
    QList<ScreenDescription> screens() const override { return list; }
};

// A built-in panel whose brightness the test sets.
class FakeBrightnessReader : public BuiltInDisplayBrightnessReadingSource {
public:
    BuiltInDisplayBrightnessReading reading = BuiltInDisplayBrightnessReading::available(0.5);
    int reads = 0;
    BuiltInDisplayBrightnessReading readBrightness() override {
        ++reads;
        return reading;
    }
};

// A wall clock the test moves by hand.
struct FakeClock {
    QDateTime current = QDateTime(QDate(2026, 12, 6), QTime(10, 0), Qt::UTC);
    void advance(std::chrono::seconds by) { current = current.addSecs(by.count()); }
};

// Waits short enough for a test to wait them out; the pacing between commands keeps its real
// values, so tests can check it.
inline MonitorControllerTimings testTimings() {
    MonitorControllerTimings timings;
    timings.lifecycleSettleDelay = std::chrono::milliseconds(150);
    timings.adaptiveSamplingInterval = std::chrono::milliseconds(40);
    timings.readRetryPause = std::chrono::milliseconds(20);
    timings.helperTimeLimit = std::chrono::seconds(5);
    timings.settingsCheckDelay = std::chrono::milliseconds(10);
    return timings;
}

// Everything a controller needs, over a temporary settings file, the fake helper and an event
// source that hears nothing of the real desktop. The controller can be rebuilt over the same
// settings to play a restart.
class ControllerFixture {
public:
    explicit ControllerFixture(MonitorControllerTimings timings = testTimings())
        : timings(timings), m_settingsPath(m_dir.filePath(QStringLiteral("velmar.conf"))) {
        rebuild();
    }

    // Whatever is still under way is torn down with the controller: that must be safe too.
    // Events are then processed, so anything resumed afterwards runs while ASan watches.
    ~ControllerFixture() {
        controller.reset();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    /// Builds a new controller over the same settings file once the old one's work has settled,
    /// as a restart of the program would.
    void rebuild() {
        if (controller)
            settle();
        controller.reset();
        lifecycle = nullptr;
        preferences.reset();
        store.reset();
        settings = std::make_unique<QSettings>(m_settingsPath, QSettings::IniFormat);
        store = std::make_unique<MonitorSceneStore>(std::make_unique<SettingsMonitorSceneStorage>(*settings),
                                                    MonitorScene::builtInDefaults());
        preferences =
            std::make_unique<InputScenePreferenceStore>(*settings, QStringLiteral("inputScenePreferences"));
        MonitorControllerEnvironment environment;
        environment.settings = settings.get();
        environment.helperLocator = monitor.locator();
        environment.screens = screens;
        environment.displayLifecycle =
            std::make_unique<DisplayLifecycleEventSource>(DisplayLifecycleEventSource::Observe::nothing);
        lifecycle = environment.displayLifecycle.get();
        environment.now = [clock = clock] { return clock->current; };
        environment.timings = timings;
        controller =
            std::make_unique<MonitorController>(*store, reader, *preferences, std::move(environment));
    }

    /// Waits until no operation is under way and no helper runs or waits.
    void settle() {
        if (controller)
            QTRY_VERIFY_WITH_TIMEOUT(Probe::isIdle(*controller), 20000);
    }

    MonitorController& c() { return *controller; }
    /// What the sliders show: brightness, contrast, volume, red, green, blue.
    QList<double> values() const {
        QList<double> shown;
        for (auto feature : MonitorFeatures::allCases)
            shown << controller->value(feature);
        return shown;
    }
    const QString& settingsPath() const { return m_settingsPath; }

    /// Puts Movie's values on the monitor and refreshes, so that Movie is the active scene.
    bool refreshShowingMovie() {
        monitor.setState(
            {{"luminance", "35"}, {"contrast", "75"}, {"red", "50"}, {"green", "47"}, {"blue", "43"}});
        controller->refresh();
        return QTest::qWaitFor([this] { return !controller->isWorking(); }, 20000) &&
               controller->activeSceneID() == MonitorScene::movie().id;
    }

    MonitorControllerTimings timings;
    FakeMonitor monitor;
    std::shared_ptr<FakeScreens> screens = std::make_shared<FakeScreens>();
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    FakeBrightnessReader reader;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<MonitorSceneStore> store;
    std::unique_ptr<InputScenePreferenceStore> preferences;
    std::unique_ptr<MonitorController> controller;
    DisplayLifecycleEventSource* lifecycle = nullptr; // owned by the controller

private:
    QTemporaryDir m_dir;
    QString m_settingsPath;
};
