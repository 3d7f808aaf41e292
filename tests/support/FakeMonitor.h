#pragma once

#include "monitor/HelperLocation.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>

// One invocation of the fake helper as it reached the "monitor".
struct Invocation {
    std::chrono::steady_clock::time_point startedAt;
    qint64 pid = 0;
    QStringList arguments;

    QString commandLine() const { return arguments.join(QLatin1Char(' ')); }
};

// A scriptable fake m1ddc in a temporary directory of its own. Every invocation is logged
// with its start time on the steady clock (the clock the tests measure with), so tests
// can assert what reached the monitor, in which order and how far apart.
class FakeMonitor {
public:
    FakeMonitor();

    /// The helper's path: a symlink named m1ddc to the fake in this monitor's directory.
    QString helperPath() const;
    HelperLocator locator() const { return HelperLocation::fixed(helperPath()); }

    /// Takes the helper away (as if it were deleted) or puts it back.
    void setPresent(bool present);
    /// Lets every helper held by a `wait=name` response go on.
    void openGate(const QString& name);

    /// Script rules (see fake_m1ddc.cpp), replacing earlier ones.
    void setScript(const QString& script);
    /// The monitors the helper lists, the default first, each as "<id> <name>"; an empty list
    /// makes it a helper of one monitor that knows no "display" command.
    void setDisplays(const QStringList& displays);
    /// Values the fake reports for "get" and updates on "set" (luminance, contrast, volume,
    /// red, green, blue, input-alt, input, and "inputs", unanswered until set), of the monitor
    /// with this id when several are listed.
    void setState(const QMap<QString, QString>& values, const QString& display = {});
    QString stateValue(const QString& name, const QString& display = {}) const;

    QList<Invocation> invocations() const;
    QStringList commandLines() const;
    /// Command lines whose first argument is "set".
    QStringList writes() const;
    void clearLog();

    /// Gaps in milliseconds between consecutive invocations in `list`.
    static QList<double> gapsMs(const QList<Invocation>& list);

private:
    QString statePath(const QString& display) const;

    QTemporaryDir m_dir;
};
