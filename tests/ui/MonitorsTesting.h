#pragma once

#include "support/ControllerFixture.h"
#include "support/TestSupport.h"

// Two fake monitors behind one helper (see ControllerFixture::startMonitors), for the views that
// show each of them.
namespace MonitorsTesting {

inline const QString left = QStringLiteral("00000000000000aa");
inline const QString right = QStringLiteral("00000000000000bb");

/// Command lines that reached the monitor with this id, without the "display <id> " in front.
inline QStringList linesFor(const FakeMonitor& monitor, const QString& id) {
    const QString prefix = QStringLiteral("display ") + id + QLatin1Char(' ');
    QStringList lines = monitor.commandLines().filter(prefix);
    lines.replaceInStrings(prefix, QString());
    return lines;
}

} // namespace MonitorsTesting
