// The program as a user meets it on a real X desktop: a tray host (trayer) holds its icon, a
// click on the icon opens the panel, and dragging the brightness slider with the real pointer
// writes the simulated monitor through the real helper: with where the drag ended, not once per
// movement.
#include "helper/TestFiles.h"
#include "support/ControllerFixture.h"
#include "support/Xdotool.h"
#include "ui/panel/MonitorMenuView.h"
#include "ui/VelmarMonitorMenuApp.h"
#include "ui/widgets/CapsuleSlider.h"

#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

namespace {


} // namespace

class TestTrayEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server (the test command runs it under xvfb-run)");
        for (const auto* tool : {"trayer", "xdotool"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QSKIP(qPrintable(
                    QStringLiteral("%1 is not installed (scripts/bootstrap.sh installs it)").arg(tool)));
        }
        m_trayHost.start(QStringLiteral("trayer"),
                         {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "28",
                          "--SetDockType", "true", "--transparent", "false"});
        QVERIFY(m_trayHost.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 20000);
    }

    void cleanupTestCase() {
        m_trayHost.kill();
        m_trayHost.waitForFinished(5000);
    }

    void aDragInThePanelWritesWhereItEnds() {
        QTemporaryDir dir;
        const QString state = dir.filePath(QStringLiteral("monitor.json"));
        makeFile(state);
        makeFile(state + QStringLiteral(".log"));
        qputenv("VELMAR_SIMULATED_MONITOR", state.toUtf8());

        ControllerFixture f(ControllerFixture::withMonitors);
        f.monitor.setPresent(false); // the real helper in the fake's place
        QVERIFY(QFile::link(QStringLiteral(M1DDC_PATH), f.monitor.helperPath()));
        MonitorController& monitor = f.c();
        VelmarMonitorMenuApp shell(*f.model);
        shell.start();

        QVERIFY(shell.trayIcon());
        QVERIFY(!shell.trayIcon()->icon().isNull());
        QTRY_VERIFY_WITH_TIMEOUT(shell.trayIcon()->geometry().isValid(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(monitor.loadedFeatures().contains(MonitorFeature::brightness), 20000);
        QCOMPARE(monitor.brightness(), 70.0); // the simulated monitor's own value

        // The tray host may still move the icon while it makes room for it, so a click can land
        // where the icon was: the icon's place is read again and clicked again until the panel
        // opens. Each try waits long enough that a late click cannot close what it opened.
        const auto panelOpen = [&] { return shell.panel() && shell.panel()->isVisible(); };
        for (int attempt = 0; attempt < 3 && !panelOpen(); ++attempt) {
            const QPoint icon = shell.trayIcon()->geometry().center();
            QVERIFY(xdotool(
                {"mousemove", "--sync", QString::number(icon.x()), QString::number(icon.y()), "click", "1"}));
            if (QTest::qWaitFor(panelOpen, 20000))
                break;
        }
        QVERIFY(panelOpen());
        auto* slider = shell.panel()->findChild<CapsuleSlider*>();
        QVERIFY(slider && slider->isEnabled());
        QVERIFY(QTest::qWaitForWindowExposed(shell.panel()));

        // A steady drag from near the left end to a quarter of the track: about 60 moves a second.
        const QRect track(slider->mapToGlobal(QPoint(0, 0)), slider->size());
        const int y = track.center().y();
        QStringList drag{"mousemove",        "--sync",    QString::number(track.left() + 4),
                         QString::number(y), "mousedown", "1"};
        const int end = track.left() + track.width() / 4;
        for (int x = track.left() + 8; x <= end; x += 3)
            drag << QStringList{"sleep", "0.016", "mousemove", QString::number(x), QString::number(y)};
        drag << QStringList{"mouseup", "1"};
        QVERIFY(xdotool(drag));

        QTRY_VERIFY_WITH_TIMEOUT(!fileLines(state + ".log").isEmpty(), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(fileLines(state + ".log").last(),
                                  QStringLiteral("set luminance %1").arg(qRound(monitor.brightness())),
                                  30000);
        QVERIFY(monitor.brightness() < 40);
        const auto writes = fileLines(state + ".log");
        QVERIFY2(writes.size() <= 3, qPrintable(writes.join(", ")));
    }

private:
    QProcess m_trayHost;
};

QTEST_MAIN(TestTrayEndToEnd)
#include "tst_traye2e.moc"
