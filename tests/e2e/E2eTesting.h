#pragma once

// The real program as the end-to-end tests start it: a copy of it in a folder of its own, and an
// environment that keeps it away from the user's home, settings and buses.
#include "helper/TestFiles.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

/// The environment for a program whose home, settings and runtime folder are `home`, on
/// `platform`, with `busAddress` as its session bus and no simulated monitor.
inline QProcessEnvironment programEnvironment(const QString& home, const QString& platform,
                                              const QString& busAddress) {
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
    environment.remove(QStringLiteral("VELMAR_SIMULATED_MONITOR"));
    return environment;
}

/// Starts `program` in `environment`, told nothing; whether it started.
inline bool startProgram(QProcess& process, const QString& program, const QProcessEnvironment& environment) {
    process.setProcessEnvironment(environment);
    process.start(program, {});
    return process.waitForStarted(10000);
}

/// A copy of the program beside a helper bundle of its own: the scriptable fake, which answers
/// from the bundle's "script" and logs every run to its "log".
struct Installation {
    QTemporaryDir dir;
    QString program = dir.filePath(QStringLiteral("velmar-monitor"));
    QString bundle = dir.filePath(QStringLiteral("VelmarMonitorMenu_VelmarMonitorMenu.bundle"));

    bool make() {
        return dir.isValid() && QFile::copy(QStringLiteral(VELMAR_MONITOR_PATH), program) &&
               QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) &&
               QDir().mkpath(bundle) &&
               QFile::link(QStringLiteral(FAKE_M1DDC_PATH), bundle + QStringLiteral("/m1ddc"));
    }
    QStringList helperRuns() const { return fileLines(bundle + QStringLiteral("/log")); }
};
