#pragma once

#include <QProcess>
#include <QString>

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
