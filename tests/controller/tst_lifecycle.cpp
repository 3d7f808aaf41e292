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
    void startRunsOnce() {
        ControllerFixture f;
        QVERIFY(runTask(f.c().start()));
        QVERIFY(Probe::hasStarted(f.c()));
        QVERIFY(f.lifecycle->isRunning());
        QCOMPARE(f.c().status(), QStringLiteral("HDMI 1 • Connected"));
        QVERIFY(runTask(f.c().start(), 1s));
        f.settle();
        QCOMPARE(f.monitor.commandLines().size(), 7); // one refresh: six values and the input
    }

    void eventsBeforeStartAreNotSeen() {
        ControllerFixture f;
        f.lifecycle->post(DisplayLifecycleEvent::systemDidWake);
        QVERIFY(runTask(f.c().start()));
        QTest::qWait(int(3 * f.timings.lifecycleSettleDelay.count()));
        f.settle();
        QCOMPARE(refreshesIn(f.monitor), 1);
    }

    void aWakeRefreshesAfterTheMonitorHadTimeToSettle() {
        ControllerFixture f;
        QVERIFY(runTask(f.c().start()));
        f.monitor.setState({{"luminance", "22"}});
        const auto wokeAt = Clock::now();
        f.lifecycle->post(DisplayLifecycleEvent::systemDidWake);
        QTRY_COMPARE(f.c().brightness(), 22.0);
        QCOMPARE(refreshesIn(f.monitor), 2);
        const auto calls = f.monitor.invocations();
        QVERIFY(msBetween(wokeAt, calls.at(7).startedAt) >= f.timings.lifecycleSettleDelay.count() - 1);
    }

    void eventsAreHandledOneAfterAnother() {
        ControllerFixture f;
        QVERIFY(runTask(f.c().start()));
        f.lifecycle->post(DisplayLifecycleEvent::screensDidWake);
        f.lifecycle->post(DisplayLifecycleEvent::displayConfigurationDidChange);
        QTRY_COMPARE(refreshesIn(f.monitor), 3);
        f.settle();
        // The second refresh began only after the first ended and its own settle delay passed.
        const auto calls = f.monitor.invocations();
        QCOMPARE(calls.size(), 21);
        QVERIFY(msBetween(calls.at(13).startedAt, calls.at(14).startedAt) >=
                f.timings.lifecycleSettleDelay.count() - 1);
    }

    void anEventDuringTheFirstRefreshRefreshesAgainAfterIt() {
        // The first refresh finds no helper and ends within milliseconds, well inside the
        // loop's settle delay; the loop then reads the monitor that has appeared meanwhile.
        auto timings = testTimings();
        timings.readPause = 1ms;
        timings.readRetryPause = 1ms;
        timings.lifecycleSettleDelay = 800ms;
        ControllerFixture f(timings);
        f.monitor.setPresent(false);
        auto starting = f.c().start();
        f.lifecycle->post(DisplayLifecycleEvent::systemDidWake);
        QVERIFY(runTask(std::move(starting)));
        QVERIFY(f.c().hasError());
        f.monitor.setPresent(true);
        QTRY_COMPARE(f.c().status(), QStringLiteral("HDMI 1 • Connected"));
        QCOMPARE(f.c().brightness(), 60.0);
    }

    void aBusyRefreshDropsTheLoopsRefresh() {
        auto timings = testTimings();
        timings.lifecycleSettleDelay = 0ms;
        ControllerFixture f(timings);
        f.monitor.setScript("get luminance = wait=gate out=\"40\"\n");
        auto starting = f.c().start();
        f.lifecycle->post(DisplayLifecycleEvent::systemDidWake);
        QTest::qWait(20); // the loop's refresh comes and is dropped while the first one is held
        QVERIFY(f.c().isWorking());
        f.monitor.openGate("gate");
        QVERIFY(runTask(std::move(starting)));
        f.settle();
        QCOMPARE(refreshesIn(f.monitor), 1);
    }
};

QTEST_GUILESS_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"
