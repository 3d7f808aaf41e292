#pragma once

#include "support/ControllerFixture.h"
#include "support/TestSupport.h"

// Several fake monitors behind one helper, for the views that show each of them.
namespace MonitorsTesting {

inline const QString left = QStringLiteral("00000000000000aa");
inline const QString right = QStringLiteral("00000000000000bb");

/// Starts `f` (built withMonitors) on the monitors listed as "<id> <name>", the first the main
/// one, and waits until each has its controller and nothing runs.
inline bool connectMonitors(ControllerFixture& f, const QStringList& displays) {
    f.monitor.setDisplays(displays);
    if (!runTask(f.c().start()))
        return false;
    const bool listed = QTest::qWaitFor([&] { return f.monitors->controllers().size() == displays.size(); });
    f.settle();
    f.monitor.clearLog();
    return listed;
}

/// Command lines that reached the monitor with this id, without the "display <id> " in front.
inline QStringList linesFor(const FakeMonitor& monitor, const QString& id) {
    const QString prefix = QStringLiteral("display ") + id + QLatin1Char(' ');
    QStringList lines = monitor.commandLines().filter(prefix);
    lines.replaceInStrings(prefix, QString());
    return lines;
}

} // namespace MonitorsTesting
