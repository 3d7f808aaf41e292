// Destroying the controller in the middle of each kind of work: nothing touches freed memory
// (ASan watches the event loop that goes on afterwards), the helper that was running is gone,
// and nothing queued reaches the monitor later.
#include "support/ControllerFixture.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <functional>

using Work = std::function<void(ControllerFixture&)>;
Q_DECLARE_METATYPE(Work)

class TestTeardown : public QObject {
    Q_OBJECT

private slots:
    void destroyingTheControllerMidWork_data() {
        // The script holds the command the work is waiting on, if any; the held command is the one
        // that is running when the controller goes (empty: none).
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("heldCommand");
        QTest::addColumn<Work>("work");
        const auto row = [](const char* name, const char* script, const char* heldCommand, Work work) {
            QTest::newRow(name) << script << heldCommand << work;
        };
        row("refresh", "get contrast = wait=gate", "get contrast", [](auto& f) { f.c().refresh(); });
        row("start-up with a hung helper", "get luminance = hang", "get luminance",
            [](auto& f) { f.start(); });
        row("live write waiting out its delay", "", "",
            [](auto& f) { f.c().setLive(MonitorFeature::volume, 20); });
        row("live write at the monitor", "set luminance * = wait=gate", "set luminance 20",
            [](auto& f) { f.c().setLive(MonitorFeature::brightness, 20); });
        row("colour preset", "set green * = wait=gate", "set green 46",
            [](auto& f) { f.c().applyPreset(ColorPreset::warm); });
        row("input switch", "set input-alt * = wait=gate", "set input-alt 145", [](auto& f) {
            QVERIFY(runTask(f.c().refresh())); // the input is known: the switch goes ahead
            f.c().setInput(MonitorInput::hdmi2);
        });
        row("scene", "set contrast * = wait=gate", "set contrast 75",
            [](auto& f) { f.c().apply(MonitorScene::movie()); });
        row("scene between two writes", "", "", [](auto& f) {
            f.c().apply(MonitorScene::movie());
            QTRY_COMPARE(f.monitor.writes().size(), 1);
        });
        row("Night Mode turning on", "get red = wait=gate", "get red",
            [](auto& f) { f.c().setNightMode(true); });
        row("Night Mode turning off", "set red * = wait=gate", "set red 49", [](auto& f) {
            f.settings->setValue("nightModeEnabled", true);
            f.settings->setValue("nightModeSnapshot", NightModeSnapshot{80, 49, 51, 52}.toJson());
            f.rebuild();
            f.c().setNightMode(false);
        });
        row("adaptive write", "set luminance * = wait=gate", "set luminance 41",
            [](auto& f) { f.adaptive().setEnabled(true); });
    }
    void destroyingTheControllerMidWork() {
        QFETCH(QString, script);
        QFETCH(QString, heldCommand);
        QFETCH(Work, work);
        ControllerFixture f(ControllerFixture::withMonitors);
        f.monitor.setScript(script + "\n");
        work(f);
        qint64 heldPid = 0;
        if (!heldCommand.isEmpty()) {
            // The helper is running (it has logged itself) and held there.
            QTRY_VERIFY(f.monitor.commandLines().contains(heldCommand));
            heldPid = f.monitor.invocations().last().pid;
        }
        const auto sentBefore = f.monitor.commandLines();

        f.model.reset();
        // Killed at once, and reaped by the event loop without anyone waiting for it.
        if (heldPid)
            QTRY_VERIFY2(!QFileInfo::exists(QStringLiteral("/proc/%1").arg(heldPid)), "the helper outlived us");

        // Everything that was waiting resumes now and must neither crash nor send anything.
        f.monitor.openGate("gate");
        QTest::qWait(200);
        QCOMPARE(f.monitor.commandLines(), sentBefore);
    }

    void finishingGivesAWriteUnderWayItsMoment() {
        ControllerFixture f;
        f.monitor.setScript("set luminance * = delay=300\n");
        f.c().set(MonitorFeature::brightness, 33);
        QTRY_VERIFY(f.monitor.commandLines().contains("set luminance 33")); // under way
        QVERIFY(runTask(f.c().finishWork(std::chrono::seconds(5))));
        QCOMPARE(f.monitor.stateValue("luminance"), QStringLiteral("33")); // done, not cut short

        // A command that never ends is waited for no longer than the bound. That it is then stopped
        // with us is the "start-up with a hung helper" case's.
        f.monitor.setScript("set luminance * = hang\n");
        f.c().set(MonitorFeature::brightness, 34);
        QTRY_VERIFY(f.monitor.commandLines().contains("set luminance 34"));
        QElapsedTimer waited;
        waited.start();
        QVERIFY(runTask(f.c().finishWork(std::chrono::milliseconds(200))));
        QVERIFY(waited.elapsed() >= 190);
    }
};

QTEST_GUILESS_MAIN(TestTeardown)
#include "tst_teardown.moc"
