// Display lifecycle events: the buffered stream, and the Linux observers driven by real D-Bus
// signals on private buses and real screen changes of the offscreen platform.
#include "support/PrivateBus.h"
#include "system/DisplayLifecycleEventSource.h"
#include "system/DisplayLifecycleObservers.h"

#include "OffscreenScreens.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>
#include <optional>

using Event = DisplayLifecycleEvent;

char* toString(DisplayLifecycleEvent event) {
    const char* names[] = {"systemDidWake", "screensDidWake", "displayConfigurationDidChange"};
    return qstrdup(names[int(event)]);
}

namespace {

constexpr auto withoutBusesFlag = "--lifecycle-without-buses";

struct BusSignal {
    const char *path, *interface, *member;
};
const BusSignal prepareForSleep{"/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                "PrepareForSleep"};
const BusSignal freedesktopSaver{"/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
                                 "ActiveChanged"};
// KDE sends the freedesktop signal on this path too.
const BusSignal kdeSaver{"/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged"};
const BusSignal gnomeSaver{"/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged"};
const BusSignal barrier{"/test/velmar/Barrier", "test.velmar.Barrier", "Reached"};

// Another client of a private bus, standing in for logind, a screen locker or an impostor.
struct Peer {
    QString name;
    QDBusConnection bus;

    Peer(QDBusConnection::BusType type, const QString& name)
        : name(name), bus(QDBusConnection::connectToBus(type, name)) {}
    ~Peer() { QDBusConnection::disconnectFromBus(name); }

    bool send(const BusSignal& signal, std::optional<bool> argument = {}) {
        auto message = QDBusMessage::createSignal(signal.path, signal.interface, signal.member);
        if (argument)
            message << *argument;
        return bus.send(message);
    }
};

// Consumes the stream as the controller does: one loop awaiting the next event, started
// before anything arrives, ending when the stream ends. Must outlive the source it reads.
struct Consumer {
    QList<Event> events;
    bool ended = false;

    QCoro::Task<> consume(DisplayLifecycleEventSource& source) {
        // Awaited in a statement of its own: GCC 12 mishandles co_await inside a condition.
        for (;;) {
            const auto event = co_await source.next();
            if (!event)
                break;
            events.append(*event);
        }
        ended = true;
    }
};

// The offscreen platform's own screen (it has no name), resized.
QJsonObject firstScreen(int width) {
    return OffscreenScreens::screen({}, {0, 0, width, 768});
}

} // namespace

Q_DECLARE_METATYPE(BusSignal)

// Skips the calling test when the test's own buses could not be started.
#define NEEDS_PRIVATE_BUSES()                                                                                \
    if (!m_buses)                                                                                            \
    QSKIP(PrivateBus::missing)

class TestDisplayLifecycle : public QObject {
    Q_OBJECT

public:
    /// `buses`: whether the test's own buses run.
    explicit TestDisplayLifecycle(bool buses) : m_buses(buses) {}

private:
    const bool m_buses;
    // The buses' addresses are in the environment before the test object is made.
    Peer m_logind{QDBusConnection::SystemBus, "logind"};
    Peer m_screenLocker{QDBusConnection::SessionBus, "screen-locker"};
    QJsonObject m_initialScreens;

    // A bus keeps one sender's messages in order: once `peer`'s barrier is heard, everything it
    // sent before has been dispatched by our side, and the events it produced are in the stream.
    bool passBarrier(Peer& peer) {
        QSignalSpy spy(this, &TestDisplayLifecycle::barrierReached);
        if (!peer.send(barrier) || !spy.wait(10000))
            return false;
        QCoreApplication::sendPostedEvents();
        return true;
    }
    bool say(Peer& peer, const BusSignal& signal, bool argument) {
        return peer.send(signal, argument) && passBarrier(peer);
    }

    bool changeScreens(const QJsonArray& screens) {
        if (!OffscreenScreens::setScreens(m_initialScreens, screens))
            return false;
        QCoreApplication::sendPostedEvents();
        return true;
    }

    // Subscriptions are sent to the bus without waiting; a call on the same connection returns
    // only after the bus has handled them, so nothing a peer sends next can slip past.
    static void start(DisplayLifecycleEventSource& source) {
        source.start();
        for (auto bus : {QDBusConnection::systemBus(), QDBusConnection::sessionBus()}) {
            if (bus.isConnected())
                bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus"));
        }
    }

    // A consumer reading a source started for it; as a base, the consumer outlives the source.
    struct Watching : Consumer {
        DisplayLifecycleEventSource source;
        QCoro::Task<> task = (start(source), consume(source));
    };

signals:
    void barrierReached();
public slots:
    // Hears the barrier on the connections the observers use.
    void onBarrier() { emit barrierReached(); }

private slots:
    void initTestCase() {
        m_initialScreens = OffscreenScreens::configuration();
        QVERIFY2(!m_initialScreens.isEmpty(), "these tests drive the offscreen platform's screens");
        if (!m_buses)
            return;
        for (auto bus : {QDBusConnection::systemBus(), QDBusConnection::sessionBus()})
            QVERIFY(
                bus.connect({}, barrier.path, barrier.interface, barrier.member, this, SLOT(onBarrier())));
    }

    // Owning a name already owned is no error, so a test may release one and get it back here. A
    // peer that could not connect fails here too.
    void init() {
        if (!m_buses)
            return;
        QVERIFY(m_logind.bus.registerService("org.freedesktop.login1"));
        QVERIFY(m_screenLocker.bus.registerService("org.freedesktop.ScreenSaver"));
        QVERIFY(m_screenLocker.bus.registerService("org.gnome.ScreenSaver"));
    }

    void cleanup() {
        QVERIFY(OffscreenScreens::setConfiguration(m_initialScreens));
        QCoreApplication::sendPostedEvents();
    }

    void streamKeepsTheNewestEightWhileTheConsumerIsBusy() {
        Consumer consumer;
        DisplayLifecycleEventSource source;
        source.start();
        QList<Event> posted(4, Event::systemDidWake);
        for (int i = 0; i < 4; ++i)
            posted << Event::screensDidWake << Event::displayConfigurationDidChange;
        for (Event event : posted)
            source.post(event);
        auto task = consumer.consume(source);
        QCOMPARE(consumer.events, posted.mid(4));
    }

    void destroyingTheSourceEndsTheStream() {
        NEEDS_PRIVATE_BUSES();
        Consumer consumer;
        auto source = std::make_unique<DisplayLifecycleEventSource>();
        start(*source);
        auto task = consumer.consume(*source);
        // A screen change has been seen and its event is on its way when the source goes.
        QVERIFY(OffscreenScreens::setScreens(m_initialScreens, {firstScreen(1024)}));
        source.reset();
        QVERIFY(consumer.ended);
        // Nothing is left subscribed to reach the freed observers.
        QVERIFY(say(m_logind, prepareForSleep, false));
        QVERIFY(say(m_screenLocker, freedesktopSaver, false));
        QVERIFY(changeScreens({firstScreen(1280)}));
        QCOMPARE(consumer.events, QList<Event>{});
    }

    // Nothing is seen before start; after it, each event once and in order.
    void eventsFromStartOnceInOrder() {
        NEEDS_PRIVATE_BUSES();
        Consumer consumer;
        DisplayLifecycleEventSource source;
        auto task = consumer.consume(source);
        source.post(Event::systemDidWake);
        QVERIFY(say(m_logind, prepareForSleep, false));
        QVERIFY(changeScreens({firstScreen(1024)}));
        QCOMPARE(consumer.events, QList<Event>{});

        start(source);
        start(source);                                 // a second start must not observe everything twice
        QVERIFY(say(m_logind, prepareForSleep, true)); // going to sleep is no wake
        QVERIFY(say(m_logind, prepareForSleep, false));
        QVERIFY(say(m_screenLocker, freedesktopSaver, false));
        QVERIFY(changeScreens({firstScreen(1280)}));
        QCOMPARE(consumer.events, (QList<Event>{Event::systemDidWake, Event::screensDidWake,
                                                Event::displayConfigurationDidChange}));
    }

    void screenWakeOnEachScreenSaver_data() {
        QTest::addColumn<BusSignal>("saver");
        QTest::newRow("freedesktop") << freedesktopSaver;
        QTest::newRow("freedesktop, KDE's path") << kdeSaver;
        QTest::newRow("GNOME") << gnomeSaver;
    }
    void screenWakeOnEachScreenSaver() {
        NEEDS_PRIVATE_BUSES();
        QFETCH(BusSignal, saver);
        Watching consumer;
        // Started while the screens were blank: the earlier activation was never heard, and the wake
        // must not be lost for it. Blanking is no wake; a locker that never announces blanking (the
        // last two wakes in a row) still has each wake count.
        for (const auto& [active, wakes] : {std::pair(false, 1), {true, 1}, {false, 2}, {false, 3}}) {
            QVERIFY(say(m_screenLocker, saver, active));
            QCOMPARE(consumer.events, QList<Event>(wakes, Event::screensDidWake));
        }
    }

    void oneScreenWakeAnnouncedTwiceIsOneEvent_data() {
        QTest::addColumn<BusSignal>("first");
        QTest::addColumn<BusSignal>("second");
        QTest::newRow("KDE: one change on both paths") << kdeSaver << freedesktopSaver;
        QTest::newRow("a desktop offering both interfaces") << gnomeSaver << freedesktopSaver;
    }
    void oneScreenWakeAnnouncedTwiceIsOneEvent() {
        NEEDS_PRIVATE_BUSES();
        QFETCH(BusSignal, first);
        QFETCH(BusSignal, second);
        Watching consumer;
        for (bool active : {true, false}) {
            QVERIFY(m_screenLocker.send(first, active));
            QVERIFY(m_screenLocker.send(second, active));
        }
        QVERIFY(passBarrier(m_screenLocker));
        QCOMPARE(consumer.events, QList<Event>{Event::screensDidWake});
    }

    // Any account may send on the system bus: a wake counts only from the owner of logind's
    // name (QtDBus follows the name to a new owner). On the user's own session bus lockers differ
    // in which process sends, and none needs to own a name.
    void onlyLogindAnnouncesAWake() {
        NEEDS_PRIVATE_BUSES();
        DisplayLifecycleEventSource source;
        start(source);
        Peer impostor(QDBusConnection::SystemBus, "impostor");
        QVERIFY(say(impostor, prepareForSleep, false));
        QCOMPARE(source.pendingCount(), std::size_t{0});
        QVERIFY(say(m_logind, prepareForSleep, false));
        QCOMPARE(source.pendingCount(), std::size_t{1});

        QVERIFY(m_screenLocker.bus.unregisterService("org.gnome.ScreenSaver"));
        QVERIFY(say(m_screenLocker, gnomeSaver, false));
        QCOMPARE(source.pendingCount(), std::size_t{2});
    }

    void screensComingGoingAndChanging() {
        using OffscreenScreens::screen;
        Watching consumer;
        const auto original = m_initialScreens.value("screens").toArray().first().toObject();
        QVERIFY(changeScreens({original, screen("HDMI-A-1", {800, 0, 2560, 1440})}));
        QCOMPARE(consumer.events.size(), 1);
        // The screen plugged in after start is watched too.
        QVERIFY(changeScreens({original, screen("HDMI-A-1", {800, 0, 1920, 1080})}));
        QCOMPARE(consumer.events.size(), 2);
        QVERIFY(changeScreens({original}));
        QCOMPARE(consumer.events, QList<Event>(3, Event::displayConfigurationDidChange));
    }

    void missingBusesAreSilent_data() {
        QTest::addColumn<QString>("application");
        QTest::addColumn<QByteArray>("registrations");
        QTest::newRow("GUI application") << "gui" << QByteArray("1\n");
        QTest::newRow("core application") << "core" << QByteArray("0\n");
    }
    void missingBusesAreSilent() {
        QFETCH(QString, application);
        QTemporaryDir runtime;
        QVERIFY(runtime.isValid());
        auto environment = QProcessEnvironment::systemEnvironment();
        // Without it Qt itself complains on start-up, which is not what this test listens for.
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        environment.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + runtime.path() + "/system_bus_socket");
        environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + runtime.path() + "/bus");
        // Under LeakSanitizer the child must not print its suppression summary either.
        if (environment.contains("LSAN_OPTIONS"))
            environment.insert("LSAN_OPTIONS", environment.value("LSAN_OPTIONS") + ":print_suppressions=0");

        QProcess child;
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(),
                    {QString::fromLatin1(withoutBusesFlag), application});
        QVERIFY(child.waitForFinished(30000));
        QVERIFY(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0);
        QCOMPARE(child.readAllStandardError(), QByteArray());
        QTEST(child.readAllStandardOutput(), "registrations");
    }
};

// The child of missingBusesAreSilent: starts the event source on a desktop without buses and
// reports how many registrations took.
static int runWithoutBuses(int argc, char** argv) {
    const bool gui = argc > 2 && qstrcmp(argv[2], "gui") == 0;
    std::unique_ptr<QCoreApplication> app(gui ? new QGuiApplication(argc, argv)
                                              : new QCoreApplication(argc, argv));
    DisplayLifecycleEventSource source;
    source.start();
    DisplayLifecycleObservers observers(&source);
    // One turn of the event loop, for anything that would complain late.
    QTimer::singleShot(0, app.get(), &QCoreApplication::quit);
    app->exec();
    std::printf("%d\n", observers.registrationCount());
    return 0;
}

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], withoutBusesFlag) == 0)
        return runWithoutBuses(argc, argv);

    // The offscreen application does not reach D-Bus itself; the test's buses are in place
    // before anything else does, so nothing can reach the user's real buses.
    QGuiApplication app(argc, argv);
    PrivateBus system, session;
    const bool buses = !system.address.isEmpty() && !session.address.isEmpty();
    // Where nothing listens, so the tests that run without buses never reach the user's.
    QTemporaryDir nowhere;
    const QString noBus = "unix:path=" + nowhere.filePath(QStringLiteral("no-bus"));
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", (buses ? system.address : noBus).toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", (buses ? session.address : noBus).toUtf8());
    TestDisplayLifecycle test(buses);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_displaylifecycle.moc"
