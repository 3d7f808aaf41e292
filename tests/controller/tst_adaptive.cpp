// Adaptive brightness: the monitor following the built-in panel, against the fake helper, a
// fake panel and a wall clock the test moves.
#include "support/ControllerFixture.h"
#include "support/TestSupport.h"

#include <QSignalSpy>

using namespace std::chrono_literals;

namespace {
using Reading = BuiltInDisplayBrightnessReading;
} // namespace

class TestAdaptive : public QObject {
    Q_OBJECT

private slots:
    void switchingOnWritesAtOnceThenOnlyOnRealChanges() {
        ControllerFixture f;
        // Movie's values: the refresh marks the scene, which the adaptive write then clears.
        QVERIFY(f.refreshShowingMovie());
        f.monitor.clearLog();
        f.reader.reading = Reading::available(0.5);
        f.c().setAdaptiveBrightnessEnabled(true);
        QTRY_COMPARE(f.monitor.writes(), QStringList{"set luminance 41"});
        QTRY_COMPARE(f.c().status(), QStringLiteral("Adaptive • Following MacBook"));
        QCOMPARE(f.c().brightness(), 41.0);
        QVERIFY(!f.c().activeSceneID());
        QCOMPARE(f.c().adaptiveBrightnessSupported(), true);
        QVERIFY(f.c().loadedFeatures().contains(MonitorFeature::brightness));
        f.settings->sync();
        QCOMPARE(f.settings->value("adaptiveBrightnessEnabled").toBool(), true);

        // Samples go on once a second; a steady panel writes nothing more.
        QTRY_VERIFY_WITH_TIMEOUT(f.reader.reads >= 3, 5000);
        QCOMPARE(f.monitor.writes().size(), 1);

        // 0.51 proposes 42: one step from 41, not worth a write. 0.52 proposes 43.
        f.reader.reading = Reading::available(0.51);
        const int readsBefore = f.reader.reads;
        QTRY_VERIFY_WITH_TIMEOUT(f.reader.reads >= readsBefore + 2, 5000);
        QCOMPARE(f.monitor.writes().size(), 1);
        f.reader.reading = Reading::available(0.52);
        QTRY_COMPARE_WITH_TIMEOUT(f.monitor.writes().size(), 2, 5000);
        QCOMPARE(f.monitor.writes().last(), QStringLiteral("set luminance 43"));
        QCOMPARE(f.c().lastAdaptiveBrightness(), 43.0);

        f.c().setAdaptiveBrightnessEnabled(false);
        QVERIFY(!f.c().isAdaptiveLoopRunning());
        const int readsWhenOff = f.reader.reads;
        QTest::qWait(1300);
        QCOMPARE(f.reader.reads, readsWhenOff);
    }

    void aManualChangePausesFollowingForHalfAnHour() {
        ControllerFixture f;
        f.reader.reading = Reading::available(0.5);
        f.c().setAdaptiveBrightnessEnabled(true);
        QTRY_COMPARE(f.monitor.writes().size(), 1);

        f.c().set(MonitorFeature::brightness, 70); // 10:00
        QCOMPARE(f.c().adaptiveBrightnessPausedUntil(), f.clock->current.addSecs(1800));
        QTRY_COMPARE(f.monitor.writes().size(), 2);
        f.reader.reading = Reading::available(0.75);
        const int reads = f.reader.reads;
        QTest::qWait(2300);
        QCOMPARE(f.monitor.writes().size(), 2); // paused: no sample reads or writes
        QCOMPARE(f.reader.reads, reads);

        f.clock->advance(29min);
        QTest::qWait(1300);
        QCOMPARE(f.monitor.writes().size(), 2);

        // At 10:30 the pause is over: the first sample writes even a value within the
        // hysteresis of the last adaptive write.
        f.reader.reading = Reading::available(0.5);
        f.clock->advance(1min);
        QTRY_COMPARE_WITH_TIMEOUT(f.monitor.writes().size(), 3, 5000);
        QCOMPARE(f.monitor.writes().last(), QStringLiteral("set luminance 41"));
        QVERIFY(!f.c().adaptiveBrightnessPausedUntil());

        // Resuming ends a pause at once, and the next sample writes whatever the distance.
        f.c().setLive(MonitorFeature::contrast, 40);
        QVERIFY(f.c().adaptiveBrightnessPausedUntil());
        QTRY_COMPARE(f.monitor.writes().size(), 4);
        f.c().resumeAdaptiveBrightness();
        QVERIFY(!f.c().adaptiveBrightnessPausedUntil());
        QTRY_COMPARE_WITH_TIMEOUT(f.monitor.writes().size(), 5, 3000);
        QCOMPARE(f.monitor.writes().last(), QStringLiteral("set luminance 41"));
        f.c().setAdaptiveBrightnessEnabled(false);
    }

    void anUnreadablePanelSetsTheFlagAndLeavesTheStatusAlone() {
        ControllerFixture f;
        f.reader.reading = Reading::unavailable(Reading::UnavailableReason::noBuiltInDisplay);
        QSignalSpy status(f.controller.get(), &MonitorController::statusChanged);
        f.c().setAdaptiveBrightnessEnabled(true);
        QTRY_COMPARE(f.c().adaptiveBrightnessSupported(), false);
        QTest::qWait(1200);
        QCOMPARE(status.count(), 0);
        QVERIFY(f.monitor.writes().isEmpty());

        f.reader.reading = Reading::available(0);
        QTRY_COMPARE_WITH_TIMEOUT(f.c().adaptiveBrightnessSupported(), true, 3000);
        QTRY_COMPARE(f.monitor.writes(), QStringList{"set luminance 8"});
        f.c().setAdaptiveBrightnessEnabled(false);
        QCOMPARE(f.c().adaptiveBrightnessSupported(), true); // kept while switched off
    }

    void samplesStandAsideWhileTheMonitorIsBeingRead() {
        ControllerFixture f;
        f.monitor.setScript("get luminance = delay=1500 out=\"60\"\n");
        auto refreshing = f.c().refresh();
        f.c().setAdaptiveBrightnessEnabled(true);
        QTest::qWait(1200);
        QCOMPARE(f.reader.reads, 0); // skipped before the panel is even read
        QVERIFY(!f.c().adaptiveBrightnessSupported());
        QVERIFY(runTask(std::move(refreshing)));
        QTRY_COMPARE_WITH_TIMEOUT(f.monitor.writes().size(), 1, 3000);
        f.c().setAdaptiveBrightnessEnabled(false);
    }

    void aFailingWriteIsRetriedEverySample() {
        ControllerFixture f;
        f.monitor.setScript("set luminance * = exit=1 err=\"write refused\"\n");
        f.reader.reading = Reading::available(0.5);
        f.c().setAdaptiveBrightnessEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(f.monitor.writes().size(), 2, 4000);
        QCOMPARE(f.c().status(), QStringLiteral("write refused"));
        QVERIFY(f.c().hasError());
        QVERIFY(!f.c().lastAdaptiveBrightness());
        QCOMPARE(f.c().brightness(), 50.0);
        f.c().setAdaptiveBrightnessEnabled(false);
    }

    void theLoopNeverOverlapsItself() {
        ControllerFixture f;
        f.monitor.setScript("set luminance * = delay=2500\n");
        f.reader.reading = Reading::available(0.5);
        f.c().setAdaptiveBrightnessEnabled(true);
        QTRY_COMPARE(f.monitor.writes().size(), 1);
        f.reader.reading = Reading::available(1.0);
        // Restarting the loop while its sample waits on the slow monitor must not add a write.
        f.c().setAdaptiveBrightnessRange(10, 90);
        QTest::qWait(2000);
        QCOMPARE(f.monitor.writes().size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(f.monitor.writes().size(), 2, 6000);
        QCOMPARE(f.monitor.writes().last(), QStringLiteral("set luminance 90"));
        f.c().setAdaptiveBrightnessEnabled(false);
    }

    void rangeIsClampedRaisedAndStored_data() {
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<double>("storedMinimum");
        QTest::addColumn<double>("storedMaximum");
        QTest::newRow("reversed") << 90.0 << 30.0 << 90.0 << 90.0;
        QTest::newRow("out of range") << -5.0 << 120.0 << 0.0 << 100.0;
        QTest::newRow("equal ends") << 40.0 << 40.0 << 40.0 << 40.0;
        QTest::newRow("ordinary") << 12.0 << 70.0 << 12.0 << 70.0;
    }
    void rangeIsClampedRaisedAndStored() {
        QFETCH(double, minimum);
        QFETCH(double, maximum);
        QFETCH(double, storedMinimum);
        QFETCH(double, storedMaximum);
        ControllerFixture f;
        f.c().setAdaptiveBrightnessRange(minimum, maximum);
        QCOMPARE(f.c().adaptiveMinimumBrightness(), storedMinimum);
        QCOMPARE(f.c().adaptiveMaximumBrightness(), storedMaximum);
        QVERIFY(!f.c().isAdaptiveLoopRunning()); // switched off: nothing starts
        f.rebuild();
        QCOMPARE(f.c().adaptiveMinimumBrightness(), storedMinimum);
        QCOMPARE(f.c().adaptiveMaximumBrightness(), storedMaximum);
    }

    void storedReversedRangeStillGivesAValidPolicy() {
        ControllerFixture f;
        f.settings->setValue("adaptiveMinimumBrightness", 60);
        f.settings->setValue("adaptiveMaximumBrightness", 20);
        f.settings->setValue("adaptiveBrightnessEnabled", true);
        f.settings->sync();
        f.rebuild();
        f.reader.reading = Reading::available(0);
        QVERIFY(runTask(f.c().start()));
        QTRY_VERIFY(f.monitor.writes().contains("set luminance 20"));
        QCOMPARE(f.c().adaptiveMinimumBrightness(), 60.0); // the fields keep what was stored
        f.c().setAdaptiveBrightnessEnabled(false);
    }
};

QTEST_GUILESS_MAIN(TestAdaptive)
#include "tst_adaptive.moc"
