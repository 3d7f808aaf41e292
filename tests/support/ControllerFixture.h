#pragma once

#include "controller/AdaptiveBrightness.h"
#include "controller/ConnectedMonitors.h"
#include "controller/LinkedBrightness.h"
#include "controller/MonitorController.h"
#include "controller/NightMode.h"
#include "controller/NightModeForAll.h"
#include "controller/ProgramModel.h"
#include "controller/SettingsFile.h"
#include "FakeMonitor.h"
#include "scenes/MonitorSceneStore.h"
#include "system/BuiltInDisplayBrightnessReadingSource.h"
#include "system/GlobalShortcuts.h"
#include "system/LightSensor.h"
#include "system/WallClock.h"

#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <map>
#include <memory>

// Internals, for tests only (friends of the classes they look into).
class MonitorControllerProbe {
public:
    static const NightMode& nightMode(const MonitorController& c) { return *c.m_nightMode; }
};
class AdaptiveBrightnessProbe {
public:
    static quint64 samplesBegun(const AdaptiveBrightness& adaptive) { return adaptive.m_samplesBegun; }
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

// A wall clock the test moves by hand, in a time zone of its choosing. Moving it is not a jump of
// the clock; setting it is.
class FakeClock : public WallClock {
public:
    QDateTime current = QDateTime(QDate(2026, 12, 6), QTime(10, 0), Qt::UTC);
    QTimeZone zone = QTimeZone("Europe/Berlin");
    void advance(std::chrono::seconds by) { current = current.addSecs(by.count()); }
    void set(const QDateTime& instant) {
        current = instant;
        emit changed();
    }
    QDateTime now() const override { return current; }
    QTimeZone timeZone() const override { return zone; }
};

// An ambient light sensor whose light the test sets.
class FakeLightSensor : public LightSensor {
public:
    bool present = true;
    std::optional<double> lux;
    int claims = 0;
    int releases = 0;
    void setLux(double value) {
        lux = value;
        emit readingChanged(*reading());
    }
    void setPresent(bool isPresent) {
        present = isPresent;
        emit presenceChanged(present);
    }
    bool isPresent() const override { return present; }
    std::optional<LightReading> reading() const override {
        return present && lux ? std::optional(LightReading{*lux, LightLevelUnit::lux}) : std::nullopt;
    }
    void claim() override { ++claims; }
    void release() override { ++releases; }
};

// A desktop that gives keys as the test says: every key asked for is active unless the test
// named it taken or refused; press() is a key pressed.
class FakeGlobalShortcuts : public GlobalShortcuts {
public:
    bool available = true;
    QList<Shortcut> asked;
    std::map<QString, State> answers; // by id; active otherwise
    int requests = 0;
    bool isAvailable() const override { return available; }
    void setShortcuts(const QList<Shortcut>& shortcuts) override {
        asked = shortcuts;
        ++requests;
        emit stateChanged();
    }
    State state(const QString& id) const override {
        const bool wanted = std::any_of(asked.begin(), asked.end(), [&](const auto& s) { return s.id == id; });
        if (!wanted)
            return State::none;
        const auto answer = answers.find(id);
        return answer == answers.end() ? State::active : answer->second;
    }
    void answer(const QString& id, State state) {
        answers[id] = state;
        emit stateChanged();
    }
    void press(const QString& id) { emit activated(id); }
    /// The keys asked for `id`, empty when none.
    QKeySequence keysOf(const QString& id) const {
        for (const auto& shortcut : asked) {
            if (shortcut.id == id)
                return shortcut.keys;
        }
        return {};
    }
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

// Everything the program's model needs, over a temporary settings file, the fake helper and an
// event source that hears nothing of the real desktop. It can be rebuilt over the same settings
// to play a restart. Built `alone`, there is one controller of its own, without the monitors'
// listing or the features over them (what a unit test of one monitor wants); built
// `withMonitors`, the whole model as the program builds it, c() being its main controller.
class ControllerFixture {
public:
    enum Build { alone, withMonitors };

    explicit ControllerFixture(MonitorControllerTimings timings = testTimings(), Build build = alone)
        : timings(timings), m_build(build), m_settingsPath(m_dir.filePath(QStringLiteral("velmar.conf"))) {
        rebuild();
    }
    explicit ControllerFixture(Build build) : ControllerFixture(testTimings(), build) {}

    // Whatever is still under way is torn down with the controllers: that must be safe too.
    // Events are then processed, so anything resumed afterwards runs while ASan watches.
    ~ControllerFixture() {
        tearDown();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    /// Builds anew over the same settings file once the old one's work has settled, as a restart
    /// of the program would.
    void rebuild() {
        settle();
        tearDown();
        settings = std::make_unique<QSettings>(m_settingsPath, QSettings::IniFormat);
        store = std::make_unique<MonitorSceneStore>(std::make_unique<SettingsMonitorSceneStorage>(*settings),
                                                    MonitorScene::builtInDefaults());
        if (m_build == withMonitors) {
            ProgramEnvironment environment;
            environment.settings = settings.get();
            environment.helperLocator = monitor.locator();
            environment.screens = screens;
            environment.displayLifecycle =
                std::make_unique<DisplayLifecycleEventSource>(DisplayLifecycleEventSource::Observe::nothing);
            lifecycle = environment.displayLifecycle.get();
            environment.clock = clock;
            environment.lightSensor = light;
            environment.globalShortcuts = keys;
            environment.timings = timings;
            model = std::make_unique<ProgramModel>(*store, reader, std::move(environment));
            monitors = &model->monitors();
            return;
        }
        settingsFile = std::make_unique<SettingsFile>(settings.get(), timings.settingsCheckDelay);
        MonitorControllerEnvironment environment;
        environment.settings = settingsFile.get();
        environment.helperLocator = monitor.locator();
        environment.screens = screens;
        environment.timings = timings;
        controller = std::make_unique<MonitorController>(*store, std::move(environment));
    }

    /// Waits until no operation is under way and no helper runs or waits.
    void settle() {
        const auto idle = [this] {
            const auto all = monitors ? monitors->controllers() : QList<MonitorController*>{controller.get()};
            const bool sampling = model && model->adaptiveBrightness().isSampling();
            return !sampling && std::all_of(all.begin(), all.end(), [](auto* c) { return !c || c->isIdle(); });
        };
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 20000);
    }

    /// Starts what was built: the whole model, or the controller alone (its first reading).
    QCoro::Task<> start() { return model ? model->start() : controller->start(); }

    /// Built `withMonitors`: starts over the monitors `displays` names ("<id> <name>", the main one
    /// first, with "formerly <id>" lines as the helper prints them) and waits until each has its
    /// controller and every reading is done; the log then starts empty. False when a monitor never
    /// got its controller.
    bool startMonitors(const QStringList& displays) {
        monitor.setDisplays(displays);
        start();
        QStringList ids;
        for (const auto& display : displays) {
            if (!display.startsWith(QLatin1String("formerly ")))
                ids.append(display.section(QLatin1Char(' '), 0, 0));
        }
        const auto named = [&] {
            QStringList have;
            for (auto* controller : monitors->controllers())
                have.append(controller->id());
            have.sort();
            QStringList want = ids;
            want.sort();
            return have == want;
        };
        const bool started = QTest::qWaitFor(named, 20000) &&
            QTest::qWaitFor([&] { return readAll(); }, 20000);
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
    AdaptiveBrightness& adaptive() { return model->adaptiveBrightness(); }
    LinkedBrightness& linked() { return model->linkedBrightness(); }
    NightModeForAll& nightMode() { return model->nightMode(); }
    SettingsFile& settingsFileInUse() { return model ? model->settings() : *settingsFile; }
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
    std::shared_ptr<FakeLightSensor> light = std::make_shared<FakeLightSensor>();
    std::shared_ptr<FakeGlobalShortcuts> keys = std::make_shared<FakeGlobalShortcuts>();
    FakeBrightnessReader reader;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<MonitorSceneStore> store;
    std::unique_ptr<SettingsFile> settingsFile;     // alone
    std::unique_ptr<MonitorController> controller;  // alone
    std::unique_ptr<ProgramModel> model;            // withMonitors
    ConnectedMonitors* monitors = nullptr;          // the model's
    DisplayLifecycleEventSource* lifecycle = nullptr; // the model's

private:
    void tearDown() {
        controller.reset();
        settingsFile.reset();
        model.reset();
        monitors = nullptr;
        lifecycle = nullptr;
        store.reset();
    }
    bool readAll() {
        const auto all = monitors->controllers();
        return std::all_of(all.begin(), all.end(),
                           [](auto* c) { return !c->isWorking() && !c->status().startsWith(QLatin1String("Checking")); });
    }

    Build m_build;
    QTemporaryDir m_dir;
    QString m_settingsPath;
};
