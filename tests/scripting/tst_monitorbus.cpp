// The controller on a private session bus, as a script sees it: every property and method,
// bad arguments refused with nothing changed, and property changes sent once per burst; with
// several monitors, an object for each.
#include "scenes/SceneTesting.h"
#include "scripting/MonitorBusAdaptor.h"
#include "scripting/MonitorBusService.h"
#include "scripting/SingleInstance.h"
#include "support/ControllerFixture.h"
#include "support/PrivateBus.h"
#include "support/TestSupport.h"

#include <QDBusConnectionInterface>
#include <QSignalSpy>

namespace {
const QString left = QStringLiteral("00000000000000aa");
const QString right = QStringLiteral("00000000000000bb");
const QString invalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");

QVariantList valuesOf(const QVariantMap& map, const QStringList& keys) {
    QVariantList values;
    for (const QString& key : keys)
        values << map.value(key);
    return values;
}
} // namespace

// Receives PropertiesChanged on the script's side of the bus, and keeps what each one changed.
class ChangeListener : public QObject {
    Q_OBJECT
public:
    QSignalSpy changes{this, &ChangeListener::changedProperties};

    /// Whether a signal has told of `name` changed to `value`.
    bool told(const QString& name, const QVariant& value) const {
        return std::any_of(changes.begin(), changes.end(), [&](const QList<QVariant>& signal) {
            return signal.first().toMap().value(name) == value;
        });
    }
    bool listen(QDBusConnection& bus, const QString& path = QLatin1String(MonitorBus::objectPath)) {
        return bus.connect(
            QLatin1String(MonitorBus::serviceName), path, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("PropertiesChanged"), this, SLOT(receive(QString, QVariantMap, QStringList)));
    }
public slots:
    void receive(const QString& interface, const QVariantMap& changed, const QStringList&) {
        if (interface == QLatin1String(MonitorBus::controlInterface))
            emit changedProperties(changed);
    }
signals:
    void changedProperties(const QVariantMap& changed);
};

// A running program's bus objects over the fixture's monitors, and a script's connection to them.
class BusSession {
public:
    explicit BusSession(ControllerFixture& f, const QString& address) {
        static int sessions = 0;
        m_serviceName = QStringLiteral("service%1").arg(++sessions);
        m_clientName = QStringLiteral("client%1").arg(sessions);
        instance = std::make_unique<SingleInstance>(QDBusConnection::connectToBus(address, m_serviceName));
        if (instance->claim() && instance->ownsName())
            service = std::make_unique<MonitorBusService>(*f.model, instance->bus(), instance.get());
        client = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, m_clientName));
    }
    ~BusSession() {
        service.reset();
        instance.reset();
        client.reset();
        QDBusConnection::disconnectFromBus(m_serviceName);
        QDBusConnection::disconnectFromBus(m_clientName);
    }

    QDBusMessage call(const QString& method, const QVariantList& arguments = {},
                      const QString& path = QLatin1String(MonitorBus::objectPath),
                      const QString& interface = QLatin1String(MonitorBus::controlInterface)) const {
        auto message =
            QDBusMessage::createMethodCall(QLatin1String(MonitorBus::serviceName), path, interface, method);
        message.setArguments(arguments);
        // The service answers from this thread's event loop, which must go on turning meanwhile.
        return client->call(message, QDBus::BlockWithGui, 20000);
    }

    /// The error a call ends in; empty when it succeeds.
    QString failure(const QString& method, const QVariantList& arguments = {},
                    const QString& path = QLatin1String(MonitorBus::objectPath)) const {
        const auto reply = call(method, arguments, path);
        return reply.type() == QDBusMessage::ReplyMessage ? QString()
                                                          : reply.errorName() + ": " + reply.errorMessage();
    }

    QVariantMap properties(const QString& path = QLatin1String(MonitorBus::objectPath)) const {
        const auto reply = call("GetAll", {QLatin1String(MonitorBus::controlInterface)}, path,
                                QStringLiteral("org.freedesktop.DBus.Properties"));
        auto values = qdbus_cast<QVariantMap>(reply.arguments().value(0));
        // Arrives marshalled; read, so that two states can be compared.
        values["Scenes"] = QVariant::fromValue(qdbus_cast<MonitorBus::SceneList>(values.value("Scenes")));
        values["Displays"] =
            QVariant::fromValue(qdbus_cast<MonitorBus::DisplayList>(values.value("Displays")));
        values["Schedule"] = QVariant::fromValue(qdbus_cast<MonitorBus::Schedule>(values.value("Schedule")));
        return values;
    }
    QVariant property(const char* name) const { return properties().value(QLatin1String(name)); }
    /// What AdjustValue answers: the value it stepped to.
    QVariant adjust(const QString& feature, int step) const {
        return call("AdjustValue", {feature, step}).arguments().value(0);
    }

    std::unique_ptr<SingleInstance> instance;
    std::unique_ptr<MonitorBusService> service;
    std::unique_ptr<QDBusConnection> client;

private:
    QString m_serviceName, m_clientName;
};

class TestMonitorBus : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (m_bus.address.isEmpty())
            QSKIP(PrivateBus::missing);
        MonitorBus::registerTypes();
    }

    // The properties show the controller's state; the methods are its operations.
    void propertiesAndCommandsAreTheControllers() {
        ControllerFixture f(ControllerFixture::withMonitors);
        BusSession bus(f, m_bus.address);
        QVERIFY(bus.service);

        // Nothing read yet: no value to show and no input. (That a step from there is refused, the
        // command-line test shows end to end.)
        QCOMPARE(valuesOf(bus.properties(), {"Brightness", "Input"}), (QVariantList{-1, QString()}));

        QVERIFY(f.refreshShowingMovie());
        f.adaptive().setEnabled(true);
        QTRY_COMPARE(f.adaptive().support(), Adaptive::Support::yes);
        QTRY_VERIFY(f.adaptive().lastWritten()); // its first write is behind us
        f.settle();
        const auto state = bus.properties();
        QCOMPARE(valuesOf(state,
                          {"Brightness", "Contrast", "Volume", "Green", "Input", "Status", "HasError", "Busy",
                           "NightMode", "AdaptiveBrightness", "AdaptiveBrightnessState", "ActiveScene"}),
                 (QVariantList{qRound(f.c().brightness()), 75, 30, 47, "hdmi1", f.c().status(), false, false,
                               false, true, "following",
                               f.c().activeSceneID() ? uuidText(*f.c().activeSceneID()) : QString()}));
        const auto scenes = qdbus_cast<MonitorBus::SceneList>(state.value("Scenes"));
        QCOMPARE(scenes.size(), 4);
        QCOMPARE(scenes.first(), (MonitorBus::SceneEntry{uuidText(MonitorScene::movie().id), "Movie"}));

        f.monitor.clearLog();
        QSignalSpy values(&bus.service->changes(), &ScriptedChanges::valueRequested);
        // As a slider's release: written at once, and adaptive brightness stands aside.
        QCOMPARE(bus.failure(QStringLiteral("SetValue"), {QStringLiteral("Brightness"), 40}), QString());
        QCOMPARE(f.c().brightness(), 40.0);
        QVERIFY(f.adaptive().isPaused());
        QCOMPARE(bus.property("AdaptiveBrightnessState").toString(), QStringLiteral("paused"));

        // Steps from the value shown, stopping at the ends.
        QCOMPARE(bus.adjust("contrast", 10), 85);
        QCOMPARE(bus.adjust("contrast", 30), 100);
        QCOMPARE(bus.adjust("volume", -100), 0);
        f.settle();
        // Each feature's values in order; a feature waiting for its own earlier write lets others pass.
        auto writes = f.monitor.writes();
        writes.sort();
        QCOMPARE(writes,
                 (QStringList{"set contrast 100", "set contrast 85", "set luminance 40", "set volume 0"}));
        QCOMPARE(values.size(), 4);
        QCOMPARE(values.first().first().value<MonitorFeature>(), MonitorFeature::brightness);

        // What the command-line test follows to the monitor (an input, a scene by name, Night Mode,
        // a refresh) is announced for the on-screen indicator here; a scene is also found by its id.
        QSignalSpy inputs(&bus.service->changes(), &ScriptedChanges::inputRequested);
        QCOMPARE(bus.failure(QStringLiteral("SetInput"), {QStringLiteral("HDMI 2")}), QString());
        QCOMPARE(inputs.size(), 1);
        f.settle();

        QSignalSpy applied(&bus.service->changes(), &ScriptedChanges::sceneRequested);
        QCOMPARE(bus.failure("ApplyScene", {uuidText(MonitorScene::work().id).toLower()}), QString());
        QTRY_COMPARE(f.c().activeSceneID(), MonitorScene::work().id);
        QCOMPARE(applied.size(), 1);
        f.settle();

        QSignalSpy nights(&bus.service->changes(), &ScriptedChanges::nightModeRequested);
        QCOMPARE(bus.failure(QStringLiteral("SetNightMode"), {true}), QString());
        QTRY_VERIFY(f.c().isNightMode());
        QCOMPARE(nights.size(), 1);
    }

    void badArgumentsAreRefusedAndChangeNothing_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("arguments");
        QTest::addColumn<QString>("error");
        // An unknown scene name is the command-line test's, which also shows it stops what follows.
        // clang-format off
        QTest::newRow("unknown feature") << "SetValue" << QVariantList{"sharpness", 40} << invalidArgs;
        QTest::newRow("above 100") << "SetValue" << QVariantList{"brightness", 101} << invalidArgs;
        QTest::newRow("step beyond the range") << "AdjustValue" << QVariantList{"volume", -101} << invalidArgs;
        QTest::newRow("unknown input") << "SetInput" << QVariantList{"vga"} << invalidArgs;
        QTest::newRow("unknown scene id") << "ApplyScene" << QVariantList{uuidText(QUuid::createUuid())} << invalidArgs;
        QTest::newRow("two scenes of that name") << "ApplyScene" << QVariantList{"desk"} << invalidArgs;
        QTest::newRow("unknown source") << "SetAdaptiveBrightnessSource" << QVariantList{"moon"} << invalidArgs;
        QTest::newRow("a time past midnight") << "SetSchedule" << QVariantList{"07:00=80 25:00=20"} << invalidArgs;
        QTest::newRow("two points at sunset") << "SetSchedule" << QVariantList{"sunset=50 sunset+0=60"} << invalidArgs;
        QTest::newRow("brightness beyond 100") << "SetSchedule" << QVariantList{"07:00=120"} << invalidArgs;
        QTest::newRow("an unknown event") << "SetSchedule" << QVariantList{"noon=50"} << invalidArgs;
        QTest::newRow("a transition of hours") << "SetScheduleTransition" << QVariantList{200} << invalidArgs;
        // clang-format on
    }
    void badArgumentsAreRefusedAndChangeNothing() {
        QFETCH(QString, method);
        QFETCH(QVariantList, arguments);
        ControllerFixture f(ControllerFixture::withMonitors);
        BusSession bus(f, m_bus.address);
        QVERIFY(f.refreshShowingMovie());
        f.store->add(makeScene("Desk", 20));
        f.store->add(makeScene("Desk", 20));
        f.settle();
        f.monitor.clearLog();
        const auto before = bus.properties();
        QSignalSpy values(&bus.service->changes(), &ScriptedChanges::valueRequested);
        QSignalSpy inputs(&bus.service->changes(), &ScriptedChanges::inputRequested);
        QSignalSpy scenes(&bus.service->changes(), &ScriptedChanges::sceneRequested);

        const auto reply = bus.call(method, arguments);
        QTEST(reply.errorName(), "error");
        QVERIFY(!reply.errorMessage().isEmpty());
        f.settle();
        QCOMPARE(f.monitor.commandLines(), QStringList());
        QCOMPARE(bus.properties(), before);
        QCOMPARE(values.size() + inputs.size() + scenes.size(), 0);
    }

    // Adaptive brightness's source and schedule, read and set as the command line does; a light
    // sensor the machine does not have is refused.
    void adaptiveBrightnessFollowsWhatScriptsChoose() {
        ControllerFixture f(ControllerFixture::withMonitors);
        f.clock->current = QDateTime(QDate(2026, 12, 7), QTime(12, 0), QTimeZone("Europe/Berlin"));
        BusSession bus(f, m_bus.address);
        QCOMPARE(bus.property("AdaptiveBrightnessSource").toString(), QStringLiteral("laptop"));
        QCOMPARE(bus.failure("SetSchedule", {"07:00=80 sunset-30=50 22:00=20"}), QString());
        QCOMPARE(bus.failure("SetScheduleTransition", {20}), QString());
        const auto points = bus.properties().value("Schedule").value<MonitorBus::Schedule>();
        QCOMPARE(points, (MonitorBus::Schedule{{"07:00", 0, 80}, {"sunset", -30, 50}, {"22:00", 0, 20}}));
        QCOMPARE(bus.property("ScheduleTransition").toInt(), 20);
        // Sunset in Berlin on 7 December is at 15:53.
        QCOMPARE(bus.call("ScheduleToday").arguments().value(0).toStringList(),
                 (QStringList{"07:00=80\t07:00", "sunset-30=50\t15:23", "22:00=20\t22:00"}));

        QSignalSpy switched(&bus.service->changes(), &ScriptedChanges::adaptiveRequested);
        QCOMPARE(bus.failure("SetAdaptiveBrightnessSource", {"Schedule"}), QString());
        QCOMPARE(bus.failure("SetAdaptiveBrightness", {true}), QString());
        QCOMPARE(switched.size(), 1);
        QTRY_COMPARE(f.c().brightness(), 80.0);
        QCOMPARE(bus.property("AdaptiveBrightnessSource").toString(), QStringLiteral("schedule"));

        f.light->setPresent(false);
        QCOMPARE(bus.call("SetAdaptiveBrightnessSource", {"light-sensor"}).errorName(),
                 QLatin1String(MonitorBus::unavailableError));
        QCOMPARE(f.adaptive().source(), Adaptive::Source::schedule);
        f.adaptive().setEnabled(false);
    }

    void commandsTheMonitorCannotTakeNowAreRefused() {
        ControllerFixture f(ControllerFixture::withMonitors);
        BusSession bus(f, m_bus.address);
        QVERIFY(f.refreshShowingMovie());

        // A scene under way: another one is refused rather than silently dropped.
        f.monitor.setScript("set luminance * = wait=scene\n");
        f.c().apply(MonitorScene::work());
        QVERIFY(f.c().isApplyingScene());
        QVERIFY(bus.property("Busy").toBool());
        QCOMPARE(bus.call("ApplyScene", {"Reading"}).errorName(), QLatin1String(MonitorBus::busyError));
        f.monitor.openGate("scene");
        f.settle();
        QCOMPARE(f.c().activeSceneID(), MonitorScene::work().id);

        // Night Mode waits for a refresh, as the panel's button does.
        f.monitor.setScript("get luminance = wait=refresh out=\"70\"\n");
        f.c().refresh();
        QCOMPARE(bus.call("SetNightMode", {true}).errorName(), QLatin1String(MonitorBus::busyError));
        f.monitor.openGate("refresh");
        f.settle();
        QVERIFY(!f.c().isNightMode());
    }

    // A script that sends faster than the monitor takes writes, or a shortcut held down: the
    // monitor gets the first value and the newest, and a refresh is not queued behind the rest.
    void aFloodOfWritesCostsTwoCommands() {
        ControllerFixture f(ControllerFixture::withMonitors);
        BusSession bus(f, m_bus.address);
        f.monitor.setState({{"luminance", "2147483647"}}); // a monitor may report nonsense
        QVERIFY(runTask(f.c().refresh()));
        QCOMPARE(bus.adjust("brightness", 10), 100);
        f.settle();
        f.monitor.clearLog();

        f.monitor.setScript("set luminance * = wait=monitor\n");
        for (int value = 0; value < 100; ++value)
            QCOMPARE(bus.failure("SetValue", {"brightness", value}), QString());
        for (int step = 0; step < 5; ++step) // steps add to the newest value, written or not
            QCOMPARE(bus.adjust("brightness", -10), 89 - 10 * step);
        f.monitor.openGate("monitor");
        QCOMPARE(bus.failure(QStringLiteral("Refresh")), QString());
        f.settle();
        QCOMPARE(f.monitor.writes(), (QStringList{"set luminance 0", "set luminance 49"}));
        QCOMPARE(f.monitor.stateValue("luminance"), QStringLiteral("49"));
        QCOMPARE(f.c().brightness(), 49.0); // the refresh read 0 while 49 was still to be written
    }

    void changesAreSignalledOncePerBurst() {
        ControllerFixture f(ControllerFixture::withMonitors);
        QVERIFY(f.refreshShowingMovie());
        f.settle();
        BusSession bus(f, m_bus.address); // publishes changes from this state on
        ChangeListener listener;
        QVERIFY(listener.listen(*bus.client));
        auto& changes = listener.changes;
        bus.properties(); // a round trip after the match rule: the bus has it in place

        // Several changes in a row, one of them undone: one signal with what really changed.
        f.c().setValue(MonitorFeature::brightness, 20);
        f.c().setValue(MonitorFeature::contrast, 21);
        f.c().setValue(MonitorFeature::volume, 22);
        f.c().setValue(MonitorFeature::volume, 30);
        QVERIFY(changes.wait(5000));
        QCOMPARE(changes.first().first().toMap(), (QVariantMap{{"Brightness", 20}, {"Contrast", 21}}));

        // Later signals hold only later changes: nothing of the burst came again.
        f.c().setNightMode(true);
        QTRY_VERIFY(listener.told("NightMode", true));
        for (qsizetype i = 1; i < changes.size(); ++i)
            QVERIFY(!changes.at(i).first().toMap().contains("Contrast"));
    }

    // Every monitor is served at its own path, the main one too, and listed in Displays on each
    // object; an object acts on its monitor alone, and goes with it. (Steps and readings through a
    // monitor's own object are the command-line test's, with --display.)
    void everyMonitorHasAnObjectOfItsOwn() {
        ControllerFixture f(ControllerFixture::withMonitors);
        f.monitor.setState({{"luminance", "20"}}, left);
        f.monitor.setState({{"luminance", "80"}}, right);
        BusSession bus(f, m_bus.address); // before the monitors, as the program: it follows them
        QVERIFY(bus.service);
        QVERIFY(f.startMonitors({left + " Left", right + " Right"}));
        const MonitorBus::DisplayList both{{left, "Left", QDBusObjectPath(MonitorBus::displayPath(left))},
                                           {right, "Right", QDBusObjectPath(MonitorBus::displayPath(right))}};
        QCOMPARE(bus.property("Displays").value<MonitorBus::DisplayList>(), both);
        QCOMPARE(
            bus.properties(MonitorBus::displayPath(right)).value("Displays").value<MonitorBus::DisplayList>(),
            both);
        QCOMPARE(valuesOf(bus.properties(MonitorBus::displayPath(left)), {"Brightness", "DisplayName"}),
                 (QVariantList{20, "Left"}));

        QSignalSpy values(&bus.service->changes(), &ScriptedChanges::valueRequested);
        ChangeListener rightListener, mainListener;
        QVERIFY(rightListener.listen(*bus.client, MonitorBus::displayPath(right)));
        QVERIFY(mainListener.listen(*bus.client));
        bus.properties(); // a round trip after the match rules: the bus has them in place
        QCOMPARE(bus.failure("SetValue", {"contrast", 40}, MonitorBus::displayPath(right)), QString());
        f.settle();
        QCOMPARE(f.monitor.commandLines().filter(" set "),
                 QStringList{"display " + right + " set contrast 40"});
        // Announced with its own controller, which the on-screen indicator names.
        QCOMPARE(values.size(), 1);
        QCOMPARE(values.first().at(1).value<MonitorController*>(), f.monitors->controller(right));
        // Its object announces its own changes.
        QTRY_VERIFY(rightListener.told("Contrast", 40));

        // Unplugged: the list says so, and the monitor's object goes.
        f.replug({left + " Left"});
        const auto listed = [&changes = mainListener.changes] { // as the newest signal that told of it
            for (auto signal = changes.crbegin(); signal != changes.crend(); ++signal) {
                if (signal->first().toMap().contains("Displays"))
                    return qdbus_cast<MonitorBus::DisplayList>(signal->first().toMap().value("Displays"));
            }
            return MonitorBus::DisplayList{};
        };
        QTRY_COMPARE_WITH_TIMEOUT(listed(), MonitorBus::DisplayList{both.first()}, 10000);
        QCOMPARE(bus.call("Refresh", {}, MonitorBus::displayPath(right)).errorName(),
                 QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"));
        QCOMPARE(bus.property("Brightness"), QVariant(20));
    }

private:
    PrivateBus m_bus;
};

QTEST_MAIN(TestMonitorBus)
#include "tst_monitorbus.moc"
