#pragma once

#include "controller/AdaptiveBrightness.h"
#include "controller/ConnectedMonitors.h"
#include "controller/MonitorController.h"
#include "controller/NightMode.h"
#include "FakeMonitor.h"
#include "scenes/InputScenePreferenceStore.h"
#include "scenes/MonitorSceneStore.h"
#include "system/BuiltInDisplayBrightnessReadingSource.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
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
// settings to play a restart. Built `withMonitors`, the controller is the main one of a
// ConnectedMonitors, as the program builds it.
class ControllerFixture {
public:
    enum Build { alone, withMonitors };

    explicit ControllerFixture(MonitorControllerTimings timings = testTimings(), Build build = alone)
        : timings(timings), m_build(build), m_settingsPath(m_dir.filePath(QStringLiteral("velmar.conf"))) {
        rebuild();
    }
    explicit ControllerFixture(Build build) : ControllerFixture(testTimings(), build) {}

    // Whatever is still under way is torn down with the controller: that must be safe too.
    // Events are then processed, so anything resumed afterwards runs while ASan watches.
    ~ControllerFixture() {
        controller.reset();
        monitors.reset();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    /// Builds a new controller over the same settings file once the old one's work has settled,
    /// as a restart of the program would.
    void rebuild() {
        settle();
        controller.reset();
        monitors.reset();
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
        if (m_build == withMonitors)
            monitors =
                std::make_unique<ConnectedMonitors>(*store, reader, *preferences, std::move(environment));
        else
            controller =
                std::make_unique<MonitorController>(*store, reader, *preferences, std::move(environment));
    }

    /// Waits until no operation is under way and no helper runs or waits.
    void settle() {
        const auto idle = [this] {
            const auto all = monitors ? monitors->controllers() : QList<MonitorController*>{controller.get()};
            return std::all_of(all.begin(), all.end(), [](auto* c) { return !c || Probe::isIdle(*c); });
        };
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 20000);
    }

    /// Built `withMonitors`: starts over the monitors `displays` names ("<id> <name>", the main one
    /// first) and waits until each has its controller and every reading is done; the log then
    /// starts empty. False when a monitor never got its controller.
    bool startMonitors(const QStringList& displays) {
        monitor.setDisplays(displays);
        c().start();
        const bool started =
            QTest::qWaitFor([&] { return monitors->controllers().size() == displays.size(); }, 20000);
        settle();
        monitor.clearLog();
        return started;
    }
    /// The monitors `displays` names are now connected, and the program is told the displays changed.
    void replug(const QStringList& displays) {
        monitor.setDisplays(displays);
        lifecycle->post(DisplayLifecycleEvent::displayConfigurationDidChange);
    }

    MonitorController& c() { return monitors ? monitors->main() : *controller; }
    /// What the sliders show: brightness, contrast, volume, red, green, blue.
    QList<double> values() {
        QList<double> shown;
        for (auto feature : MonitorFeatures::allCases)
            shown << c().value(feature);
        return shown;
    }
    const QString& settingsPath() const { return m_settingsPath; }

    /// Puts Movie's values on the monitor and refreshes, so that Movie is the active scene.
    bool refreshShowingMovie() {
        monitor.setState(
            {{"luminance", "35"}, {"contrast", "75"}, {"red", "50"}, {"green", "47"}, {"blue", "43"}});
        c().refresh();
        return QTest::qWaitFor([this] { return !c().isWorking(); }, 20000) &&
               c().activeSceneID() == MonitorScene::movie().id;
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
    std::unique_ptr<ConnectedMonitors> monitors;
    DisplayLifecycleEventSource* lifecycle = nullptr; // owned by the (main) controller

private:
    Build m_build;
    QTemporaryDir m_dir;
    QString m_settingsPath;
};
