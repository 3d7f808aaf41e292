// The real program in a desktop session: an X server with a tray host, where its window starts
// hidden, and a session bus. Launched again, it hands over to the running instance, which shows
// its window, and the second one ends without touching the monitor. Told to end at logout
// (SIGTERM), it has what the user just changed on disk. Its own keys are grabbed on the X server,
// act on the monitor when pressed, and are the server's again once it ends.
#include "E2eTesting.h"
#include "support/PrivateBus.h"
#include "system/linux/X11KeyboardMap.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QDBusMessage busCall(const QString& method, const QVariantList& arguments) {
    auto call = QDBusMessage::createMethodCall(QStringLiteral("com.velmar.Monitor"),
                                               QStringLiteral("/com/velmar/Monitor"),
                                               QStringLiteral("com.velmar.Monitor1"), method);
    call.setArguments(arguments);
    return call;
}

// Whether another client holds Ctrl+Alt+`keysym` on the root window: our own grab of it is
// refused (and given back at once when made).
bool heldByAnotherClient(xcb_keysym_t keysym) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const auto keys = X11KeyboardMap::read(connection).keysFor({keysym, Qt::ControlModifier | Qt::AltModifier});
    bool held = false;
    for (const X11Key& key : keys) {
        const X11Reply<xcb_generic_error_t> error(xcb_request_check(
            connection, xcb_grab_key_checked(connection, false, root, key.modifiers, key.keycode,
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
        if (error)
            held = true;
        else
            xcb_ungrab_key(connection, key.keycode, root, key.modifiers);
    }
    xcb_flush(connection);
    return held;
}

// One property of the running instance's bus interface, asked for afresh.
QVariant busProperty(QDBusConnection& bus, const QString& name) {
    auto call = QDBusMessage::createMethodCall(
        QStringLiteral("com.velmar.Monitor"), QStringLiteral("/com/velmar/Monitor"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("com.velmar.Monitor1") << name;
    const auto reply = bus.call(call, QDBus::Block, 10000);
    return reply.type() == QDBusMessage::ReplyMessage
               ? reply.arguments().value(0).value<QDBusVariant>().variant()
               : QVariant();
}

} // namespace

class TestSession : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server (the test command runs it under xvfb-run)");
        if (QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty())
            QSKIP("trayer is not installed (scripts/bootstrap.sh installs it)");
        if (m_bus.address.isEmpty())
            QSKIP(PrivateBus::missing);
        // A tray host, so that the program starts in the tray with its window hidden.
        m_trayHost.start(QStringLiteral("trayer"), {"--edge", "top", "--SetDockType", "true"});
        QVERIFY(m_trayHost.waitForStarted(5000));
        QVERIFY(m_home.isValid());
        m_environment = programEnvironment(m_home.path(), QStringLiteral("xcb"), m_bus.address);
    }

    void cleanupTestCase() {
        m_trayHost.terminate();
        m_trayHost.waitForFinished(5000);
    }

    void aSecondLaunchShowsTheFirstAndAChangeOutlivesTheEnd() {
        Installation first, second;
        QVERIFY(first.make() && second.make());
        QProcess running;
        QVERIFY(startProgram(running, first.program, m_environment));
        auto bus = QDBusConnection::connectToBus(m_bus.address, QStringLiteral("session-test"));
        // The start-up refresh is over: the monitor's brightness has been read (a property that
        // cannot be read yet, before the name is taken, is no value and not false).
        QTRY_VERIFY_WITH_TIMEOUT(
            busProperty(bus, "Brightness").toInt() >= 0 && busProperty(bus, "Busy") == false, 20000);
        const int runsBefore = first.helperRuns().size();

        // Launched again without a command: the running instance opens its window, whose Controls
        // page reads the monitor as it appears; the second program ends, having run no helper.
        QProcess again;
        QVERIFY(startProgram(again, second.program, m_environment) && again.waitForFinished(20000));
        QCOMPARE(again.exitStatus(), QProcess::NormalExit);
        QCOMPARE(again.exitCode(), 0);
        QVERIFY2(second.helperRuns().isEmpty(), qPrintable(second.helperRuns().join(QLatin1Char('\n'))));
        // The listing of monitors that follows the start-up reading may still be running: it
        // reads no value, so only the readings count.
        const auto readingsSince = [&] {
            auto runs = first.helperRuns().mid(runsBefore);
            runs.removeIf([](const QString& run) { return run.endsWith(QLatin1String("\tdisplay\tlist")); });
            return runs;
        };
        QTRY_VERIFY_WITH_TIMEOUT(!readingsSince().isEmpty(), 20000);
        QVERIFY2(readingsSince().first().endsWith(QLatin1String("\tget\tluminance")),
                 qPrintable(first.helperRuns().join(QLatin1Char('\n'))));

        // Night Mode turned on by a script, then the session ends at once: the way back is kept.
        QTRY_VERIFY_WITH_TIMEOUT(busProperty(bus, "Busy") == false, 20000);
        const int brightness = busProperty(bus, "Brightness").toInt();
        auto night = QDBusMessage::createMethodCall(
            QStringLiteral("com.velmar.Monitor"), QStringLiteral("/com/velmar/Monitor"),
            QStringLiteral("com.velmar.Monitor1"), QStringLiteral("SetNightMode"));
        night << true;
        QCOMPARE(bus.call(night, QDBus::Block, 10000).type(), QDBusMessage::ReplyMessage);
        QTRY_VERIFY_WITH_TIMEOUT(busProperty(bus, "NightMode") == true, 20000);
        running.terminate();
        QVERIFY(running.waitForFinished(10000));
        QCOMPARE(running.exitCode(), 0);
        QSettings saved(m_home.filePath(QStringLiteral("config/Velmar/VelmarMonitor.conf")),
                        QSettings::IniFormat);
        QCOMPARE(saved.value(QStringLiteral("nightModeEnabled")).toBool(), true);
        const auto snapshot = saved.value(QStringLiteral("nightModeSnapshot")).toByteArray();
        QVERIFY2(snapshot.contains("\"brightness\":" + QByteArray::number(brightness)), snapshot.constData());
        QDBusConnection::disconnectFromBus(QStringLiteral("session-test"));
    }

    // A key stored for Brightness down is the program's from its start, with no window open; a
    // press lowers the brightness by the step, and the key is the server's again after the end.
    void itsOwnKeysActAndAreGivenBackAtTheEnd() {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is not installed (scripts/bootstrap.sh installs it)");
        constexpr xcb_keysym_t down = 0xff54; // XK_Down
        QVERIFY(!heldByAnotherClient(down));
        {
            QSettings stored(m_home.filePath(QStringLiteral("config/Velmar/VelmarMonitor.conf")),
                             QSettings::IniFormat);
            stored.setValue(QStringLiteral("shortcuts/brightnessDown"), QStringLiteral("Ctrl+Alt+Down"));
            stored.setValue(QStringLiteral("shortcuts/step"), 5);
        }
        Installation installation;
        QVERIFY(installation.make());
        QProcess running;
        QVERIFY(startProgram(running, installation.program, m_environment));
        auto bus = QDBusConnection::connectToBus(m_bus.address, QStringLiteral("keys-test"));
        QTRY_VERIFY_WITH_TIMEOUT(busProperty(bus, "Busy") == false, 20000);
        QCOMPARE(bus.call(busCall(QStringLiteral("SetValue"), {QStringLiteral("brightness"), 60}),
                          QDBus::Block, 10000).type(),
                 QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(busProperty(bus, "Brightness").toInt(), 60, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(heldByAnotherClient(down), 20000);

        QProcess press;
        press.start(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+alt+Down")});
        QVERIFY(press.waitForFinished(10000));
        QCOMPARE(press.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(busProperty(bus, "Brightness").toInt(), 55, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(installation.helperRuns().join(QLatin1Char('\n')).contains(
                                     QLatin1String("\tset\tluminance\t55")),
                                 20000);

        running.terminate();
        QVERIFY(running.waitForFinished(10000));
        QCOMPARE(running.exitCode(), 0);
        QVERIFY(!heldByAnotherClient(down));
        QDBusConnection::disconnectFromBus(QStringLiteral("keys-test"));
    }

private:
    QTemporaryDir m_home;
    PrivateBus m_bus;
    QProcess m_trayHost;
    QProcessEnvironment m_environment;
};

QTEST_MAIN(TestSession)
#include "tst_session.moc"
