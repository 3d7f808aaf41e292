// Start-up and the reaction to wake and display-configuration events.
#include "support/ControllerFixture.h"
#include "support/TestSupport.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {
int refreshesIn(const FakeMonitor& monitor) {
    return monitor.commandLines().count(QStringLiteral("get luminance"));
}
} // namespace

class TestLifecycle : public QObject {
    Q_OBJECT

private slots:
    void startRunsOnceThenEventsWaitForTheMonitorToSettleOneAfterAnother() {
        ControllerFixture f(ControllerFixture::withMonitors);
        QVERIFY(runTask(f.start()));
        QVERIFY(f.lifecycle->isRunning());
        QVERIFY(runTask(f.start(), 1s));
        f.settle();
        // One refresh, six values and the input, then the monitors are listed.
        QCOMPARE(f.monitor.commandLines().size(), 8);
        QCOMPARE(f.monitor.commandLines().last(), QStringLiteral("display list"));

        const auto wokeAt = Clock::now();
        f.lifecycle->post(DisplayLifecycleEvent::systemDidWake);
        QTRY_COMPARE_WITH_TIMEOUT(refreshesIn(f.monitor), 2, 30000);
        f.lifecycle->post(DisplayLifecycleEvent::displayConfigurationDidChange); // mid-refresh
        QTRY_COMPARE_WITH_TIMEOUT(refreshesIn(f.monitor), 3, 30000);
        // The last listing follows the last refresh, which may already be over.
        QTRY_COMPARE_WITH_TIMEOUT(f.monitor.invocations().size(), 24, 30000);
        f.settle();
        // The first refresh began a settle delay after the wake, the second only after the first
        // and its listing ended and its own settle delay passed.
        const auto calls = f.monitor.invocations();
        QCOMPARE(calls.size(), 24);
        QCOMPARE(f.monitor.commandLines().last(), QStringLiteral("display list"));
        QCOMPARE_GE(msBetween(wokeAt, calls.at(8).startedAt), f.timings.lifecycleSettleDelay.count() - 1);
        QVERIFY(msBetween(calls.at(15).startedAt, calls.at(16).startedAt) >=
                f.timings.lifecycleSettleDelay.count() - 1);
    }

    void aStormOfEventsIsReadOnceItIsOver() {
        ControllerFixture f(ControllerFixture::withMonitors);
        QVERIFY(runTask(f.start()));
        f.monitor.clearLog();
        // Hundreds of events within about half a second, as a flapping cable or dock sends them.
        for (int burst = 0; burst < 10; ++burst) {
            for (int i = 0; i < 30; ++i)
                f.lifecycle->post(i % 2 ? DisplayLifecycleEvent::displayConfigurationDidChange
                                        : DisplayLifecycleEvent::screensDidWake);
            QTest::qWait(50);
        }
        f.monitor.setState({{"luminance", "44"}});
        f.lifecycle->post(DisplayLifecycleEvent::screensDidWake);
        QTRY_COMPARE_WITH_TIMEOUT(f.c().brightness(), 44.0, 30000); // read after the storm
        f.settle();
        // One refresh after the storm; on a slow machine a pause between bursts can outlast the
        // settle delay, and one more may start mid-storm.
        QVERIFY2(refreshesIn(f.monitor) <= 3, qPrintable(QString::number(refreshesIn(f.monitor))));
        QCOMPARE(f.lifecycle->pendingCount(), std::size_t(0));
    }

    void anEventDuringTheFirstRefreshRefreshesAgainAfterIt() {
        // The first refresh finds no helper and ends within milliseconds, well inside the
        // loop's settle delay; the loop then reads the monitor that has appeared meanwhile.
        auto timings = testTimings();
        timings.readPause = 1ms;
        timings.readRetryPause = 1ms;
        timings.lifecycleSettleDelay = 800ms;
        ControllerFixture f(timings, ControllerFixture::withMonitors);
        f.monitor.setPresent(false);
        auto starting = f.start();
        f.lifecycle->post(DisplayLifecycleEvent::systemDidWake);
        QVERIFY(runTask(std::move(starting)));
        QVERIFY(f.c().hasError());
        f.monitor.setPresent(true);
        QTRY_COMPARE(f.c().status(), QStringLiteral("HDMI 1 • Connected"));
    }

    void aMonitorSilentAfterWakeIsAskedAgainUntilItAnswers() {
        auto timings = testTimings();
        timings.wakeRetryFirstDelay = 30ms;
        ControllerFixture f(timings, ControllerFixture::withMonitors);
        QVERIFY(runTask(f.start()));
        f.c().setPerInputScenesEnabled(true);
        f.c().setPreferredSceneID(MonitorInput::hdmi1, MonitorScene::night().id);
        // After the wake the first two refreshes get no brightness (three attempts each).
        f.monitor.setScript("get luminance = exit=1; exit=1; exit=1; exit=1; exit=1; exit=1; out=\"33\"\n");
        f.monitor.clearLog();
        f.lifecycle->post(DisplayLifecycleEvent::systemDidWake);
        // The scene step waits for the refresh that worked.
        QTRY_COMPARE_WITH_TIMEOUT(f.c().activeSceneID(), MonitorScene::night().id, 30000);
        QCOMPARE(refreshesIn(f.monitor), 7); // three failed attempts twice, then the answer
        QVERIFY(!f.c().hasError());
    }

    void retriesGiveUpInTimeOrForTheNextEvent() {
        auto timings = testTimings();
        timings.wakeRetryFirstDelay = 30ms;
        timings.wakeRetryGiveUpAfter = 100ms; // retries after 30 and 60 ms more; 120 would pass it
        ControllerFixture f(timings, ControllerFixture::withMonitors);
        QVERIFY(runTask(f.start()));
        f.monitor.setScript("get luminance = exit=1\n");
        f.monitor.clearLog();
        f.lifecycle->post(DisplayLifecycleEvent::screensDidWake);
        QTRY_COMPARE_WITH_TIMEOUT(f.monitor.commandLines().count("get luminance"), 9, 30000);
        QTest::qWait(300);
        QCOMPARE(f.monitor.commandLines().count("get luminance"), 9);

        // With the next retry far away, a new event does not wait for it.
        f.timings.wakeRetryFirstDelay = 1h;
        f.rebuild();
        QVERIFY(runTask(f.start()));
        f.monitor.clearLog();
        f.lifecycle->post(DisplayLifecycleEvent::screensDidWake);
        QTRY_COMPARE_WITH_TIMEOUT(f.monitor.commandLines().count("get luminance"), 3, 30000);
        f.lifecycle->post(DisplayLifecycleEvent::displayConfigurationDidChange);
        QTRY_COMPARE_WITH_TIMEOUT(f.monitor.commandLines().count("get luminance"), 6, 30000);
    }

    void aBusyRefreshDropsTheLoopsRefresh() {
        auto timings = testTimings();
        timings.lifecycleSettleDelay = 0ms;
        ControllerFixture f(timings, ControllerFixture::withMonitors);
        QVERIFY(runTask(f.start()));
        f.c().setPerInputScenesEnabled(true);
        f.c().setPreferredSceneID(MonitorInput::hdmi1, MonitorScene::night().id);
        f.settle();
        f.monitor.clearLog();
        f.monitor.setScript("get luminance = wait=gate out=\"40\"\n");
        auto refreshing = f.c().refresh();
        f.lifecycle->post(DisplayLifecycleEvent::systemDidWake);
        // The loop's own reading is dropped while this one is held; its scene step goes ahead.
        QTRY_VERIFY_WITH_TIMEOUT(f.c().isApplyingScene(), 30000);
        f.monitor.openGate("gate");
        QVERIFY(runTask(std::move(refreshing)));
        f.settle();
        QCOMPARE(refreshesIn(f.monitor), 1);
        QCOMPARE(f.c().activeSceneID(), MonitorScene::night().id);
    }
};

QTEST_GUILESS_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"
