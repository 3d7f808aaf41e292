#pragma once

#include "controller/MonitorController.h"
#include "FakeMonitor.h"
#include "scenes/InputScenePreferenceStore.h"
#include "scenes/MonitorSceneStore.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Screens as a test wants them.
class FakeScreens : public ScreenNameSource {
public:
    QStringList names;
    QStringList screenNames() const override { return names; }
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

// Everything a controller needs, over a temporary settings file and the fake helper. The
// controller can be rebuilt over the same settings to play a restart.
class ControllerFixture {
public:
    ControllerFixture() : m_settingsPath(m_dir.filePath(QStringLiteral("velmar.conf"))) { rebuild(); }

    ~ControllerFixture() { settle(); }

    /// Tears the controller down (after its work has settled) and builds a new one over the
    /// same settings file, as a restart of the program would.
    void rebuild() {
        if (controller)
            settle();
        controller.reset();
        preferences.reset();
        store.reset();
        settings = std::make_unique<QSettings>(m_settingsPath, QSettings::IniFormat);
        store = std::make_unique<MonitorSceneStore>(
            std::make_unique<UserDefaultsMonitorSceneStorage>(*settings), MonitorScene::builtInDefaults());
        preferences =
            std::make_unique<InputScenePreferenceStore>(*settings, QStringLiteral("inputScenePreferences"));
        MonitorControllerEnvironment environment;
        environment.defaults = settings.get();
        environment.helperLocator = monitor.locator();
        environment.helperTimeLimit = std::chrono::seconds(5);
        environment.screens = screens;
        environment.now = [clock = clock] { return clock->current; };
        controller =
            std::make_unique<MonitorController>(*store, reader, *preferences, std::move(environment));
    }

    /// Waits until no helper runs or waits and no operation is under way.
    void settle() {
        if (!controller)
            return;
        QTRY_VERIFY_WITH_TIMEOUT(controller->ddc().isIdle() && !controller->isWorking() &&
                                     !controller->isChangingNightMode() && !controller->isApplyingScene(),
                                 20000);
        // Pending live writes wait before they reach the client.
        QTest::qWait(150);
        QTRY_VERIFY_WITH_TIMEOUT(controller->ddc().isIdle(), 20000);
    }

    MonitorController& c() { return *controller; }

    /// Puts Movie's values on the monitor and refreshes, so that Movie is the active scene.
    bool refreshShowingMovie() {
        monitor.setState(
            {{"luminance", "35"}, {"contrast", "75"}, {"red", "50"}, {"green", "47"}, {"blue", "43"}});
        controller->refresh();
        return QTest::qWaitFor([this] { return !controller->isWorking(); }, 20000) &&
               controller->activeSceneID() == MonitorScene::movie().id;
    }

    FakeMonitor monitor;
    std::shared_ptr<FakeScreens> screens = std::make_shared<FakeScreens>();
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    FakeBrightnessReader reader;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<MonitorSceneStore> store;
    std::unique_ptr<InputScenePreferenceStore> preferences;
    std::unique_ptr<MonitorController> controller;

private:
    QTemporaryDir m_dir;
    QString m_settingsPath;
};
