#pragma once

#include <QProcess>
#include <QString>

#include <csignal>
#include <sys/prctl.h>

// A dbus-daemon of the test's own, so nothing reaches the user's real buses.
namespace PrivateBus {
/// Starts the daemon and returns its address, or an empty string when it could not start. The
/// daemon is told to die with the test, so a crashed run leaves none behind.
inline QString start(QProcess& daemon) {
    daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"},
                 QIODevice::ReadOnly);
    while (!daemon.canReadLine())
        if (!daemon.waitForReadyRead(10000))
            return {};
    return QString::fromUtf8(daemon.readLine().trimmed());
}
} // namespace PrivateBus
