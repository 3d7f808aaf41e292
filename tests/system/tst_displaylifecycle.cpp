// Display lifecycle events: the buffered stream, and the Linux observers driven by real D-Bus
// signals on private buses and real screen changes of the offscreen platform.
#include "system/DisplayLifecycleEventSource.h"
#include "system/DisplayLifecycleObservers.h"

#include "OffscreenScreens.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <memory>

#include <sys/prctl.h>

using namespace std::chrono_literals;
using Event = DisplayLifecycleEvent;

char* toString(DisplayLifecycleEvent event) {
    switch (event) {
    case Event::systemDidWake:
        return qstrdup("systemDidWake");
    case Event::screensDidWake:
        return qstrdup("screensDidWake");
    case Event::displayConfigurationDidChange:
        return qstrdup("displayConfigurationDidChange");
    }
    return qstrdup("?");
}

namespace {

constexpr auto withoutBusesFlag = "--lifecycle-without-buses";

const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString freedesktopScreenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString gnomeScreenSaver = QStringLiteral("org.gnome.ScreenSaver");
const QString barrierPath = QStringLiteral("/test/velmar/Barrier");
const QString barrierInterface = QStringLiteral("test.velmar.Barrier");

// A dbus-daemon of the test's own. It is told to die with the test, so a crashed run leaves
// no daemon behind.
class PrivateBus {
public:
    bool start() {
        m_daemon.setProgram(QStringLiteral("dbus-daemon"));
        m_daemon.setArguments({"--session", "--nofork", "--print-address=1"});
        m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_daemon.start(QIODevice::ReadOnly);
        if (!m_daemon.waitForStarted(10000))
            return false;
        while (!m_daemon.canReadLine())
            if (!m_daemon.waitForReadyRead(10000))
                return false;
        m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
        return !m_address.isEmpty();
    }
    ~PrivateBus() {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000))
            m_daemon.kill();
        m_daemon.waitForFinished();
    }
    QString address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};

// Buses of the whole run, started in main() before anything touches D-Bus, so nothing can
// reach the user's real buses.
PrivateBus* systemBus = nullptr;
PrivateBus* sessionBus = nullptr;

// Another client of a private bus, standing in for logind or a screen locker.
class Peer {
public:
    Peer(const QString& address, const QString& name)
        : m_name(name), m_connection(QDBusConnection::connectToBus(address, name)) {}
    ~Peer() { QDBusConnection::disconnectFromBus(m_name); }

    bool isConnected() const { return m_connection.isConnected(); }
    bool own(const QString& service) { return m_connection.registerService(service); }
    void release(const QString& service) { m_connection.unregisterService(service); }

    bool emitSignal(const QString& path, const QString& interface, const QString& name, bool argument) {
        auto message = QDBusMessage::createSignal(path, interface, name);
        message << argument;
        return m_connection.send(message);
    }
    bool prepareForSleep(bool goingToSleep) {
        return emitSignal("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep",
                          goingToSleep);
    }
    bool activeChanged(const QString& path, const QString& interface, bool active) {
        return emitSignal(path, interface, "ActiveChanged", active);
    }
    bool emitBarrier() {
        return m_connection.send(QDBusMessage::createSignal(barrierPath, barrierInterface, "Reached"));
    }

private:
    QString m_name;
    QDBusConnection m_connection;
};

// Hears the barrier signals on the connections the observers use.
class BarrierListener : public QObject {
    Q_OBJECT
signals:
    void reached();
public slots:
    void onReached() { emit reached(); }
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

QCoro::Task<QList<Event>> take(DisplayLifecycleEventSource& source, int count) {
    QList<Event> events;
    while (events.size() < count) {
        const auto event = co_await source.next();
        if (!event)
            break;
        events.append(*event);
    }
    co_return events;
}

} // namespace

class TestDisplayLifecycle : public QObject {
    Q_OBJECT

    std::unique_ptr<Peer> m_logind;
    std::unique_ptr<Peer> m_screenLocker;
    BarrierListener m_barrier;
    QJsonObject m_initialScreens;

    // Everything `peer` sent before this has been dispatched by our side of the bus (a bus
    // keeps one sender's messages in order), and the events it produced are in the stream.
    bool passBarrier(Peer& peer) {
        QSignalSpy spy(&m_barrier, &BarrierListener::reached);
        if (!peer.emitBarrier() || !spy.wait(10000))
            return false;
        QCoreApplication::sendPostedEvents();
        return true;
    }

    // Subscriptions are sent to the bus without waiting; a call on the same connection returns
    // only after the bus has handled them, so nothing a peer sends next can slip past.
    static void syncWithBuses() {
        for (auto bus : {QDBusConnection::systemBus(), QDBusConnection::sessionBus()})
            bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus"));
    }

    static void start(DisplayLifecycleEventSource& source) {
        source.start();
        syncWithBuses();
    }

private slots:
    void initTestCase() {
        QVERIFY(QDBusConnection::systemBus().isConnected());
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        for (auto bus : {QDBusConnection::systemBus(), QDBusConnection::sessionBus()})
            QVERIFY(bus.connect({}, barrierPath, barrierInterface, "Reached", &m_barrier, SLOT(onReached())));
        m_logind = std::make_unique<Peer>(systemBus->address(), "logind");
        m_screenLocker = std::make_unique<Peer>(sessionBus->address(), "screen-locker");
        QVERIFY(m_logind->isConnected());
        QVERIFY(m_screenLocker->isConnected());
        m_initialScreens = OffscreenScreens::configuration();
        QVERIFY2(!m_initialScreens.isEmpty(), "these tests drive the offscreen platform's screens");
    }

    void init() {
        QVERIFY(m_logind->own(login1));
        QVERIFY(m_screenLocker->own(freedesktopScreenSaver));
        QVERIFY(m_screenLocker->own(gnomeScreenSaver));
    }

    void cleanup() {
        m_logind->release(login1);
        m_screenLocker->release(freedesktopScreenSaver);
        m_screenLocker->release(gnomeScreenSaver);
        QVERIFY(OffscreenScreens::setConfiguration(m_initialScreens));
        OffscreenScreens::flush();
    }

    void cleanupTestCase() {
        m_logind.reset();
        m_screenLocker.reset();
    }

    // --- the stream ---

    void streamKeepsTheNewestEightUndelivered() {
        DisplayLifecycleEventSource source;
        source.start();
        const QList<Event> posted{Event::systemDidWake,  Event::systemDidWake,
                                  Event::systemDidWake,  Event::systemDidWake,
                                  Event::screensDidWake, Event::displayConfigurationDidChange,
                                  Event::screensDidWake, Event::displayConfigurationDidChange,
                                  Event::screensDidWake, Event::displayConfigurationDidChange,
                                  Event::screensDidWake, Event::displayConfigurationDidChange};
        for (Event event : posted)
            source.post(event);
        QCOMPARE(source.pendingCount(), DisplayLifecycleEventSource::bufferLimit);

        const auto delivered = runTask(take(source, 8));
        QVERIFY(delivered);
        QCOMPARE(*delivered, posted.mid(4));
        QCOMPARE(source.pendingCount(), std::size_t{0});
    }

    void streamDeliversToAWaitingConsumerInOrder() {
        Consumer consumer;
        DisplayLifecycleEventSource source;
        source.start();
        auto task = consumer.consume(source);
        QCOMPARE(consumer.events, QList<Event>{});

        source.post(Event::displayConfigurationDidChange);
        source.post(Event::systemDidWake);
        source.post(Event::displayConfigurationDidChange);
        QCOMPARE(consumer.events, (QList<Event>{Event::displayConfigurationDidChange, Event::systemDidWake,
                                                Event::displayConfigurationDidChange}));
        QCOMPARE(source.pendingCount(), std::size_t{0});
    }

    void nothingIsSeenBeforeStart() {
        DisplayLifecycleEventSource source;
        source.post(Event::systemDidWake);
        source.post(Event::displayConfigurationDidChange);
        QCOMPARE(source.pendingCount(), std::size_t{0});
        QVERIFY(!source.isRunning());

        // Nor what the platform says before start.
        QVERIFY(m_logind->prepareForSleep(false));
        QVERIFY(passBarrier(*m_logind));
        QCOMPARE(source.pendingCount(), std::size_t{0});

        start(source);
        QVERIFY(source.isRunning());
        source.post(Event::screensDidWake);
        QCOMPARE(source.pendingCount(), std::size_t{1});
    }

    void destroyingTheSourceEndsTheStream() {
        Consumer consumer;
        auto source = std::make_unique<DisplayLifecycleEventSource>();
        start(*source);
        auto task = consumer.consume(*source);
        // A screen change has been seen and its event is on its way when the source goes.
        QVERIFY(OffscreenScreens::setScreens(m_initialScreens,
                                             {OffscreenScreens::screen({}, {0, 0, 1024, 768})}));
        QWindowSystemInterface::flushWindowSystemEvents();
        source.reset();
        QCoreApplication::sendPostedEvents();
        QVERIFY(consumer.ended);
        QCOMPARE(consumer.events, QList<Event>{});
    }

    // --- the platform's signals ---

    void registersWithEveryBusAndTheScreens() {
        DisplayLifecycleEventSource source;
        DisplayLifecycleObservers observers(&source);
        // logind's PrepareForSleep, ActiveChanged on the screen savers' three paths, Qt's screens.
        QCOMPARE(observers.registrationCount(), 5);
    }

    void wakeFromSleepGivesThreeSeparateEventsInOrder() {
        Consumer consumer;
        DisplayLifecycleEventSource source;
        start(source);
        auto task = consumer.consume(source);

        QVERIFY(m_logind->prepareForSleep(true));
        QVERIFY(m_logind->prepareForSleep(false));
        QVERIFY(passBarrier(*m_logind));
        QVERIFY(m_screenLocker->activeChanged("/org/freedesktop/ScreenSaver", freedesktopScreenSaver, true));
        QVERIFY(m_screenLocker->activeChanged("/org/freedesktop/ScreenSaver", freedesktopScreenSaver, false));
        QVERIFY(passBarrier(*m_screenLocker));
        QVERIFY(OffscreenScreens::setScreens(m_initialScreens,
                                             {OffscreenScreens::screen({}, {0, 0, 1280, 1024})}));
        OffscreenScreens::flush();

        QCOMPARE(consumer.events, (QList<Event>{Event::systemDidWake, Event::screensDidWake,
                                                Event::displayConfigurationDidChange}));
    }

    void goingToSleepAndScreensBlankingAreIgnored() {
        DisplayLifecycleEventSource source;
        start(source);
        QVERIFY(m_logind->prepareForSleep(true));
        QVERIFY(m_screenLocker->activeChanged("/org/freedesktop/ScreenSaver", freedesktopScreenSaver, true));
        QVERIFY(m_screenLocker->activeChanged("/ScreenSaver", freedesktopScreenSaver, true));
        QVERIFY(m_screenLocker->activeChanged("/org/gnome/ScreenSaver", gnomeScreenSaver, true));
        QVERIFY(passBarrier(*m_logind));
        QVERIFY(passBarrier(*m_screenLocker));
        QCOMPARE(source.pendingCount(), std::size_t{0});
    }

    void screenWakeOnEachScreenSaver_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("interface");
        QTest::newRow("freedesktop") << "/org/freedesktop/ScreenSaver" << freedesktopScreenSaver;
        QTest::newRow("freedesktop, short path") << "/ScreenSaver" << freedesktopScreenSaver;
        QTest::newRow("GNOME") << "/org/gnome/ScreenSaver" << gnomeScreenSaver;
    }
    void screenWakeOnEachScreenSaver() {
        QFETCH(QString, path);
        QFETCH(QString, interface);
        Consumer consumer;
        DisplayLifecycleEventSource source;
        start(source);
        auto task = consumer.consume(source);
        QVERIFY(m_screenLocker->activeChanged(path, interface, true));
        QVERIFY(m_screenLocker->activeChanged(path, interface, false));
        QVERIFY(passBarrier(*m_screenLocker));
        QCOMPARE(consumer.events, QList<Event>{Event::screensDidWake});
    }

    void oneScreenWakeAnnouncedTwiceIsOneEvent() {
        Consumer consumer;
        DisplayLifecycleEventSource source;
        start(source);
        auto task = consumer.consume(source);

        // KDE: one change, sent on both paths of the freedesktop interface.
        for (bool active : {true, false}) {
            QVERIFY(m_screenLocker->activeChanged("/ScreenSaver", freedesktopScreenSaver, active));
            QVERIFY(m_screenLocker->activeChanged("/org/freedesktop/ScreenSaver", freedesktopScreenSaver,
                                                  active));
        }
        QVERIFY(passBarrier(*m_screenLocker));
        QCOMPARE(consumer.events, QList<Event>{Event::screensDidWake});

        // A desktop that offers both interfaces; the next wake still counts.
        for (bool active : {true, false}) {
            QVERIFY(m_screenLocker->activeChanged("/org/gnome/ScreenSaver", gnomeScreenSaver, active));
            QVERIFY(m_screenLocker->activeChanged("/org/freedesktop/ScreenSaver", freedesktopScreenSaver,
                                                  active));
        }
        QVERIFY(passBarrier(*m_screenLocker));
        QCOMPARE(consumer.events, (QList<Event>{Event::screensDidWake, Event::screensDidWake}));

        // A repeated "inactive" with no activation between is no new wake.
        QVERIFY(m_screenLocker->activeChanged("/org/gnome/ScreenSaver", gnomeScreenSaver, false));
        QVERIFY(passBarrier(*m_screenLocker));
        QCOMPARE(consumer.events, (QList<Event>{Event::screensDidWake, Event::screensDidWake}));
    }

    void firstDeactivationAfterStartCounts() {
        // Started while the screens were blanked: the screen saver's earlier "active" was never
        // heard, and the wake must not be lost for it.
        DisplayLifecycleEventSource source;
        start(source);
        QVERIFY(m_screenLocker->activeChanged("/org/gnome/ScreenSaver", gnomeScreenSaver, false));
        QVERIFY(passBarrier(*m_screenLocker));
        QCOMPARE(source.pendingCount(), std::size_t{1});
    }

    void onlyTheServicesOwnerIsHeard() {
        DisplayLifecycleEventSource source;
        start(source);
        Peer impostor(systemBus->address(), "impostor");
        QVERIFY(impostor.prepareForSleep(false));
        QVERIFY(passBarrier(impostor));
        QCOMPARE(source.pendingCount(), std::size_t{0});

        QVERIFY(m_logind->prepareForSleep(false));
        QVERIFY(passBarrier(*m_logind));
        QCOMPARE(source.pendingCount(), std::size_t{1});
    }

    void screenSaverStartingLaterIsHeard() {
        m_screenLocker->release(gnomeScreenSaver);
        DisplayLifecycleEventSource source;
        start(source);
        QVERIFY(m_screenLocker->own(gnomeScreenSaver));
        QVERIFY(m_screenLocker->activeChanged("/org/gnome/ScreenSaver", gnomeScreenSaver, true));
        QVERIFY(m_screenLocker->activeChanged("/org/gnome/ScreenSaver", gnomeScreenSaver, false));
        QVERIFY(passBarrier(*m_screenLocker));
        QCOMPARE(source.pendingCount(), std::size_t{1});
    }

    void startingTwiceRegistersOnce() {
        Consumer consumer;
        DisplayLifecycleEventSource source;
        start(source);
        start(source);
        auto task = consumer.consume(source);
        QVERIFY(m_logind->prepareForSleep(false));
        QVERIFY(passBarrier(*m_logind));
        QVERIFY(m_screenLocker->activeChanged("/org/freedesktop/ScreenSaver", freedesktopScreenSaver, false));
        QVERIFY(passBarrier(*m_screenLocker));
        QVERIFY(OffscreenScreens::setScreens(m_initialScreens,
                                             {OffscreenScreens::screen({}, {0, 0, 1280, 1024})}));
        OffscreenScreens::flush();
        QCOMPARE(consumer.events, (QList<Event>{Event::systemDidWake, Event::screensDidWake,
                                                Event::displayConfigurationDidChange}));
    }

    void destroyedObserversHearNothing() {
        Consumer consumer;
        DisplayLifecycleEventSource source;
        start(source);
        auto task = consumer.consume(source);
        auto extra = std::make_unique<DisplayLifecycleObservers>(&source);
        syncWithBuses();

        auto provoke = [this] {
            QVERIFY(m_logind->prepareForSleep(false));
            QVERIFY(passBarrier(*m_logind));
            QVERIFY(m_screenLocker->activeChanged("/ScreenSaver", freedesktopScreenSaver, true));
            QVERIFY(m_screenLocker->activeChanged("/ScreenSaver", freedesktopScreenSaver, false));
            QVERIFY(passBarrier(*m_screenLocker));
            const auto geometry = QGuiApplication::primaryScreen()->geometry();
            QVERIFY(OffscreenScreens::setScreens(
                m_initialScreens, {OffscreenScreens::screen({}, geometry.adjusted(0, 0, 16, 0))}));
            OffscreenScreens::flush();
        };
        // Two sets of observers on one source: every signal arrives twice.
        provoke();
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(consumer.events.count(Event::systemDidWake), 2);
        QCOMPARE(consumer.events.count(Event::screensDidWake), 2);
        QCOMPARE(consumer.events.count(Event::displayConfigurationDidChange), 2);

        consumer.events.clear();
        extra.reset();
        provoke();
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(consumer.events, (QList<Event>{Event::systemDidWake, Event::screensDidWake,
                                                Event::displayConfigurationDidChange}));
    }

    // --- screens ---

    void screensComingGoingAndChanging() {
        using namespace OffscreenScreens;
        Consumer consumer;
        DisplayLifecycleEventSource source;
        start(source);
        auto task = consumer.consume(source);
        const auto original = m_initialScreens.value("screens").toArray().first().toObject();
        const auto monitor = screen("HDMI-A-1", {800, 0, 2560, 1440});

        QVERIFY(setScreens(m_initialScreens, {original, monitor}));
        flush();
        QCOMPARE(consumer.events.size(), 1);

        // The screen plugged in after start is watched too.
        QVERIFY(setScreens(m_initialScreens, {original, screen("HDMI-A-1", {800, 0, 1920, 1080})}));
        flush();
        QCOMPARE(consumer.events.size(), 2);

        // Moving a screen changes the arrangement.
        QVERIFY(setScreens(m_initialScreens, {original, screen("HDMI-A-1", {0, 800, 1920, 1080})}));
        flush();
        QCOMPARE(consumer.events.size(), 3);

        QVERIFY(setScreens(m_initialScreens, {original}));
        flush();
        QCOMPARE(consumer.events, QList<Event>(4, Event::displayConfigurationDidChange));

        // Nothing that is not a change of the screens.
        QVERIFY(setScreens(m_initialScreens, {original}));
        flush();
        QCOMPARE(consumer.events.size(), 4);
    }

    void burstOfScreenChangesKeepsTheNewestEight() {
        using namespace OffscreenScreens;
        DisplayLifecycleEventSource source;
        start(source);
        // The consumer is busy: nobody awaits while twelve changes arrive.
        for (int i = 1; i <= 12; ++i)
            QVERIFY(setScreens(m_initialScreens, {screen({}, {0, 0, 800 + 10 * i, 600})}));
        flush();
        QCOMPARE(source.pendingCount(), DisplayLifecycleEventSource::bufferLimit);
        const auto delivered = runTask(take(source, 8));
        QVERIFY(delivered);
        QCOMPARE(*delivered, QList<Event>(8, Event::displayConfigurationDidChange));
    }

    // --- a desktop without the buses ---

    void missingBusesAreSilent_data() {
        QTest::addColumn<QString>("application");
        QTest::addColumn<QByteArray>("registrations");
        QTest::newRow("GUI application") << "gui" << QByteArray("1\n");
        QTest::newRow("core application") << "core" << QByteArray("0\n");
    }
    void missingBusesAreSilent() {
        QFETCH(QString, application);
        QFETCH(QByteArray, registrations);
        QTemporaryDir nowhere;
        QTemporaryDir runtime;
        QVERIFY(nowhere.isValid());
        QVERIFY(runtime.isValid());
        auto environment = QProcessEnvironment::systemEnvironment();
        // Without it Qt itself complains on start-up, which is not what this test listens for.
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        environment.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + nowhere.path() + "/system_bus_socket");
        environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + nowhere.path() + "/bus");
        // Under LeakSanitizer the child must not print its suppression summary either.
        if (environment.contains("LSAN_OPTIONS"))
            environment.insert("LSAN_OPTIONS", environment.value("LSAN_OPTIONS") + ":print_suppressions=0");

        QProcess child;
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(),
                    {QString::fromLatin1(withoutBusesFlag), application});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(child.readAllStandardError(), QByteArray());
        QCOMPARE(child.readAllStandardOutput(), registrations);
    }
};

// The child of missingBusesAreSilent: starts the event source on a desktop without buses and
// reports how many registrations took.
static int runWithoutBuses(int argc, char** argv) {
    const bool gui = argc > 2 && qstrcmp(argv[2], "gui") == 0;
    std::unique_ptr<QCoreApplication> app;
    if (gui)
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
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
    // before anything else does.
    QGuiApplication app(argc, argv);
    PrivateBus system;
    PrivateBus session;
    if (!system.start() || !session.start()) {
        std::fprintf(stderr, "could not start private dbus-daemons\n");
        return 1;
    }
    systemBus = &system;
    sessionBus = &session;
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", system.address().toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", session.address().toUtf8());

    TestDisplayLifecycle test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_displaylifecycle.moc"
