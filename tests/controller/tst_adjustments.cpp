// Live and committed writes, colour presets and input switches, as they reach the monitor.
#include "support/ControllerFixture.h"
#include "support/TestSupport.h"

#include <QSignalSpy>

using Clock = std::chrono::steady_clock;

class TestAdjustments : public QObject {
    Q_OBJECT

private slots:
    void eachFeaturesDragIsDebouncedToTheValueThatStoodStill() {
        ControllerFixture f;
        auto& c = f.c();
        c.setLive(MonitorFeature::brightness, 40);
        c.setLive(MonitorFeature::brightness, 41);
        c.setLive(MonitorFeature::brightness, 42);
        const auto lastValueAt = Clock::now();
        QCOMPARE(c.brightness(), 42.0); // the slider's value is there at once
        f.settle();
        QCOMPARE(f.monitor.writes(), QStringList{"set luminance 42"});
        QVERIFY(msBetween(lastValueAt, f.monitor.invocations().first().startedAt) >= 89);

        // Each feature waits out its own delay.
        c.setLive(MonitorFeature::brightness, 30);
        c.setLive(MonitorFeature::contrast, 60);
        c.setLive(MonitorFeature::brightness, 31);
        c.setLive(MonitorFeature::contrast, 61);
        f.settle();
        QCOMPARE(f.monitor.writes().mid(1), (QStringList{"set luminance 31", "set contrast 61"}));
    }

    void releaseCancelsThePendingWriteButAlwaysWrites() {
        ControllerFixture f;
        f.c().setLive(MonitorFeature::contrast, 42);
        f.c().set(MonitorFeature::contrast, 42);
        f.settle();
        QCOMPARE(f.monitor.writes(), QStringList{"set contrast 42"});

        // A release right after a live write of the same value still writes.
        f.c().set(MonitorFeature::contrast, 42);
        QTRY_COMPARE(f.monitor.writes(), (QStringList{"set contrast 42", "set contrast 42"}));
    }

    void aWriteThatHasBegunIsNeverLost() {
        ControllerFixture f;
        f.monitor.setScript("set luminance * = delay=250\n");
        f.c().setLive(MonitorFeature::brightness, 40);
        QTRY_COMPARE(f.monitor.writes().size(), 1); // the slow write of 40 is under way
        f.c().setLive(MonitorFeature::brightness, 41);
        f.settle();
        QCOMPARE(f.monitor.writes(), (QStringList{"set luminance 40", "set luminance 41"}));
        QCOMPARE(f.monitor.stateValue("luminance"), QStringLiteral("41"));
    }

    // A script, a held shortcut or a fast hand outruns a slow monitor: behind the write under
    // way only the newest value of each feature waits, and only the newest input switch.
    void whatWaitsBehindASlowCommandIsOnlyTheNewest() {
        ControllerFixture f;
        QVERIFY(runTask(f.c().refresh())); // a Velmar monitor: its input switches through its own register
        f.monitor.clearLog();
        f.monitor.setScript("set luminance * = wait=luminance\nset input-alt * = wait=input\n");
        for (int value = 10; value <= 60; ++value)
            f.c().set(MonitorFeature::brightness, value);
        f.c().setInput(MonitorInput::displayPort);
        f.c().setInput(MonitorInput::hdmi1);
        f.c().setInput(MonitorInput::hdmi2);
        QCOMPARE(f.c().brightness(), 60.0);
        QCOMPARE(f.c().activeInput(), MonitorInput::hdmi2); // the choice shows at once
        QCOMPARE(f.c().status(), QStringLiteral("Switching to HDMI 2…"));
        f.monitor.openGate("luminance");
        f.monitor.openGate("input");
        f.settle();
        const QStringList writes = f.monitor.writes();
        QCOMPARE(writes.filter("luminance"), (QStringList{"set luminance 10", "set luminance 60"}));
        QCOMPARE(writes.filter("input-alt"), (QStringList{"set input-alt 208", "set input-alt 145"}));
        QCOMPARE(f.c().activeInput(), MonitorInput::hdmi2);
        QCOMPARE(f.c().status(), QStringLiteral("HDMI 2 • Connected"));

        // A switch that fails while a newer one waits: the newer one goes ahead, and if that fails
        // too, the input the monitor really shows is back on the picker.
        f.monitor.clearLog();
        f.monitor.setScript("set input-alt * = wait=failing exit=1 err=\"no signal\"\n");
        f.c().setInput(MonitorInput::usbC);
        f.c().setInput(MonitorInput::displayPort);
        f.monitor.openGate("failing");
        f.settle();
        QCOMPARE(f.monitor.writes(), (QStringList{"set input-alt 210", "set input-alt 208"}));
        QCOMPARE(f.c().activeInput(), MonitorInput::hdmi2);
        QVERIFY(f.c().hasError());
        QCOMPARE(f.c().status(), QStringLiteral("no signal"));
    }

    // A value or an input chosen while the monitor was being read is newer than the reading.
    void aReadingNeverReplacesANewerChoice() {
        ControllerFixture f;
        f.c().setPerInputScenesEnabled(true);
        f.c().setPreferredSceneID(MonitorInput::hdmi1, MonitorScene::movie().id);
        f.c().setPreferredSceneID(MonitorInput::hdmi2, MonitorScene::reading().id);
        f.monitor.setState({{"luminance", "70"}, {"input-alt", "144"}});
        QVERIFY(runTask(f.c().refresh())); // the monitor's input register is known
        f.monitor.clearLog();
        f.monitor.setScript("get luminance = wait=luminance\nget input-alt = wait=input\n");
        f.c().start();
        QTRY_COMPARE(f.monitor.commandLines(), QStringList{"get luminance"});
        f.c().set(MonitorFeature::brightness, 30);
        f.monitor.openGate("luminance");
        QTRY_VERIFY(f.monitor.commandLines().contains("get input-alt"));
        f.c().setInput(MonitorInput::hdmi2);
        f.monitor.openGate("input");
        f.settle();
        QCOMPARE(f.monitor.writes().mid(0, 2), (QStringList{"set luminance 30", "set input-alt 145"}));
        QCOMPARE(f.c().activeInput(), MonitorInput::hdmi2);
        QCOMPARE(f.c().activeSceneID(), MonitorScene::reading().id); // not the old input's Movie
        QCOMPARE(f.c().brightness(), *MonitorScene::reading().brightness);
        QVERIFY(!f.monitor.writes().contains("set luminance 35")); // Movie was never applied

        // The next refresh reads the monitor again.
        f.monitor.setScript(QString());
        QVERIFY(runTask(f.c().refresh()));
        QCOMPARE(f.c().activeInput(), MonitorInput::hdmi2);
        QCOMPARE(f.c().brightness(), f.monitor.stateValue("luminance").toDouble());
    }

    // Rounding both ways is the scene test's; here a set value is clamped and kept as chosen.
    void valuesAreRoundedAndClampedOnlyOnTheirWayAndAFailureIsOnlyReported() {
        ControllerFixture f;
        f.c().set(MonitorFeature::red, 49.5);
        f.c().set(MonitorFeature::green, 100.6);
        f.settle();
        QCOMPARE(f.monitor.writes(), (QStringList{"set red 50", "set green 100"}));
        QCOMPARE(f.c().red(), 49.5);
        QCOMPARE(f.c().green(), 100.6);

        // A failed write is reported, and nothing else happens.
        f.c().set(MonitorFeature::volume, 25);
        f.settle();
        QVERIFY(f.c().loadedFeatures().contains(MonitorFeature::volume));

        f.monitor.setScript("set volume * = exit=1 err=\"volume locked\\n\"\n");
        f.c().set(MonitorFeature::volume, 90);
        QTRY_VERIFY(f.c().hasError());
        QCOMPARE(f.c().status(), QStringLiteral("volume locked\n"));
        QCOMPARE(f.c().volume(), 90.0);                         // nothing is reverted or read back
        QCOMPARE(f.monitor.writes().count("set volume 90"), 1); // and nothing retried
    }

    void manualChangesClearTheSceneMarkAndPauseAdaptive() {
        ControllerFixture f(ControllerFixture::withMonitors);
        // Movie's values: the refresh finds the scene.
        QVERIFY(f.refreshShowingMovie());

        QSignalSpy scene(&f.c(), &MonitorController::activeSceneIDChanged);
        f.c().setLive(MonitorFeature::brightness, 35.6);
        QVERIFY(!f.c().activeSceneID());                 // cleared at once
        QVERIFY(!f.adaptive().pausedUntil()); // adaptive is off: no pause
        // Matched again after the write: 35.6 is within 1.0 of Movie's 35.
        QTRY_COMPARE(f.c().activeSceneID(), MonitorScene::movie().id);
        QCOMPARE(scene.count(), 2);

        f.c().set(MonitorFeature::brightness, 50);
        f.settle();
        QVERIFY(!f.c().activeSceneID());
    }

    void presetShowsAtOnceAndWritesEachGainApart() {
        ControllerFixture f;
        f.c().applyPreset(ColorPreset::warm);
        QCOMPARE(f.values().mid(3), (QList<double>{50, 46, 40}));
        QCOMPARE(f.c().matchedPreset(), ColorPreset::warm);
        f.settle();
        QCOMPARE(f.monitor.writes(), (QStringList{"set red 50", "set green 46", "set blue 40"}));
        QCOMPARE_GE(std::ranges::min(FakeMonitor::gapsMs(f.monitor.invocations())), 49);

        // A gain that fails does not stop the next.
        f.monitor.clearLog();
        f.monitor.setScript("set green * = exit=1 err=\"green failed\"\n");
        f.c().applyPreset(ColorPreset::cool);
        f.settle();
        QCOMPARE(f.monitor.writes(), (QStringList{"set red 42", "set green 46", "set blue 50"}));
        QVERIFY(!f.c().hasError()); // the blue write reported last
        QCOMPARE(f.c().status(), QStringLiteral("Connected via DDC/CI"));
    }

    void inputSwitchesAreNotCoalescedAndLeaveSceneMarkAndAdaptiveAlone() {
        ControllerFixture f(ControllerFixture::withMonitors);
        QVERIFY(f.refreshShowingMovie());
        f.c().setInput(MonitorInput::usbC);
        f.c().setInput(MonitorInput::usbC); // input switches are not coalesced
        f.settle();
        QCOMPARE(f.monitor.writes(), (QStringList{"set input-alt 210", "set input-alt 210"}));
        QCOMPARE(f.c().activeSceneID(), MonitorScene::movie().id);
        QVERIFY(!f.adaptive().pausedUntil());
        QCOMPARE(f.monitor.commandLines().last(), QStringLiteral("set input-alt 210")); // nothing re-read
    }
};

QTEST_GUILESS_MAIN(TestAdjustments)
#include "tst_adjustments.moc"
