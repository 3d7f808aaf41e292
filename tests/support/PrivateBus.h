#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

// A dbus-daemon of the test's own, so nothing reaches the user's real buses. It is told to die
// with the test, so a crashed run leaves none behind, and ends with this object.
class PrivateBus {
public:
    static constexpr auto missing =
        "dbus-daemon did not start (Debian package dbus, which scripts/bootstrap.sh installs)";

    PrivateBus() {
        m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"},
                       QIODevice::ReadOnly);
        while (!m_daemon.canReadLine())
            if (!m_daemon.waitForReadyRead(10000))
                return;
        address = QString::fromUtf8(m_daemon.readLine().trimmed());
    }
    ~PrivateBus() {
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

    /// Empty when the daemon could not start.
    QString address;

private:
    QProcess m_daemon;
};

/// Which of the user's buses a private one stands in for while a test runs.
enum class StandsFor { systemBus, sessionBus };

/// Runs the test object `Test`, made with the address of a private bus that stands in for the
/// system or the session bus (empty when none started); the other leads nowhere, so nothing may
/// reach the user's real buses.
template <class Test> int execOnPrivateBus(StandsFor standsFor, int argc, char** argv) {
    QCoreApplication app(argc, argv);
    PrivateBus bus;
    QTemporaryDir nowhere;
    const QByteArray noBus = ("unix:path=" + nowhere.filePath(QStringLiteral("no-bus"))).toUtf8();
    const QByteArray address = bus.address.isEmpty() ? noBus : bus.address.toUtf8();
    const bool system = standsFor == StandsFor::systemBus;
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", system ? address : noBus);
    qputenv("DBUS_SESSION_BUS_ADDRESS", system ? noBus : address);
    Test test(bus.address);
    return QTest::qExec(&test, argc, argv);
}
