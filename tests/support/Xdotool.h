#pragma once

#include <QProcess>
#include <QStringList>
#include <QTest>

/// Runs xdotool (keys, the pointer) with the event loop still turning, so the program under test
/// sees each event as it comes. True when it ran and succeeded.
inline bool xdotool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForStarted(5000) &&
           QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 30000) &&
           process.exitCode() == 0;
}
