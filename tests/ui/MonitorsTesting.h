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

/// Starts both, "Left" (the main one) at 20 % brightness and "Right" at 80 %, so that a value shown
/// tells whose it is.
inline bool startBoth(ControllerFixture& f) {
    f.monitor.setState({{"luminance", "20"}}, left);
    f.monitor.setState({{"luminance", "80"}}, right);
    return f.startMonitors({left + " Left", right + " Right"});
}

} // namespace MonitorsTesting
