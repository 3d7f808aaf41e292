// The tray panel as a screen reader meets it on a real X display, over AT-SPI: walking the
// accessibility tree down from the application, as a reader's review mode does rather than
// following the focus, reaches the open panel's Night Mode chip; its first action, the reader's
// "activate", turns Night Mode on, on the simulated monitor through the real helper, and the chip
// then reads as checked.
#include "helper/TestFiles.h"
#include "support/ControllerFixture.h"
#include "ui/panel/MonitorMenuView.h"
#include "ui/VelmarMonitorMenuApp.h"
#include "ui/window/UnifiedMonitorWindow.h"

#include <QDBusConnection>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The Debian package puts the AT-SPI module where the system's own Python finds it.
const QString python = QStringLiteral("/usr/bin/python3");
} // namespace

class TestScreenReaderEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server (the test command runs it under xvfb-run)");
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("needs a session bus (the test command starts one)");
        if (!QFile::exists(QStringLiteral("/usr/libexec/at-spi-bus-launcher")))
            QSKIP("at-spi2-core is not installed (scripts/bootstrap.sh installs it)");
        if (QProcess::execute(python, {QStringLiteral("-c"), QStringLiteral("import pyatspi")}) != 0)
            QSKIP("python3-pyatspi is not installed (scripts/bootstrap.sh installs it)");
    }

    void aReaderTurnsNightModeOnFromTheOpenPanel() {
        QTemporaryDir dir;
        const QString state = dir.filePath(QStringLiteral("monitor.json"));
        makeFile(state);
        makeFile(state + QStringLiteral(".log"));
        qputenv("VELMAR_SIMULATED_MONITOR", state.toUtf8());

        // The program's own timings, and the real helper in the fake's place.
        ControllerFixture f(MonitorControllerTimings{}, ControllerFixture::withMonitors);
        f.monitor.setPresent(false);
        QVERIFY(QFile::link(QStringLiteral(M1DDC_PATH), f.monitor.helperPath()));
        MonitorController& monitor = f.c();
        VelmarMonitorMenuApp shell(*f.model);
        shell.start(); // no tray on this display: the window stands in, and is in the tree as well
        // The window active and the monitor read before the panel opens: a window that becomes
        // active later closes the panel, and the Night Mode chip waits while the monitor is read.
        QVERIFY(shell.window() && QTest::qWaitForWindowActive(shell.window()));
        QTRY_VERIFY_WITH_TIMEOUT(
            monitor.loadedFeatures().contains(MonitorFeature::brightness) && !monitor.isWorking(), 20000);
        shell.togglePanel(QRect(600, 0, 20, 20));
        QTRY_VERIFY_WITH_TIMEOUT(shell.panel() && shell.panel()->isVisible(), 10000);
        QVERIFY(QTest::qWaitForWindowExposed(shell.panel()));
        QVERIFY(!monitor.isNightMode());

        QProcess screenReader;
        screenReader.setProcessChannelMode(QProcess::MergedChannels);
        QSignalSpy finished(&screenReader, &QProcess::finished);
        screenReader.start(python, {QStringLiteral(SCREEN_READER_WALK),
                                    QGuiApplication::applicationDisplayName(), QStringLiteral("Night Mode")});
        // The event loop turns while the reader walks: the program answers its questions.
        QVERIFY(finished.wait(180000));
        const QString said = QString::fromUtf8(screenReader.readAll());
        qInfo().noquote() << said;
        QVERIFY2(screenReader.exitStatus() == QProcess::NormalExit && screenReader.exitCode() == 0,
                 qPrintable(said));
        QVERIFY(monitor.isNightMode());
        QVERIFY(shell.panel() && shell.panel()->isVisible()); // reached through the tree, not by closing it
    }
};

QTEST_MAIN(TestScreenReaderEndToEnd)
#include "tst_screenreadere2e.moc"
