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
        QVERIFY(f.c().hasStarted());
        QVERIFY(f.c().displayLifecycle().isRunning());
        QCOMPARE(f.c().status(), QStringLiteral("HDMI 1 • Connected"));
        QVERIFY(runTask(f.c().start(), 1s));
        f.settle();
        QCOMPARE(refreshesIn(f.monitor), 1);
        QCOMPARE(f.monitor.commandLines().size(), 7);
    }

    void eventsBeforeStartAreNotSeen() {
        ControllerFixture f;
        f.c().displayLifecycle().post(DisplayLifecycleEvent::systemDidWake);
        QVERIFY(runTask(f.c().start()));
        QTest::qWait(1300);
        QCOMPARE(refreshesIn(f.monitor), 1);
    }

    void aWakeRefreshesAfterTheMonitorHadTimeToSettle() {
        ControllerFixture f;
        QVERIFY(runTask(f.c().start()));
        f.monitor.setState({{"luminance", "22"}});
        const auto wokeAt = Clock::now();
        f.c().displayLifecycle().post(DisplayLifecycleEvent::systemDidWake);
        QTRY_COMPARE_WITH_TIMEOUT(f.c().brightness(), 22.0, 5000);
        QCOMPARE(refreshesIn(f.monitor), 2);
        const auto calls = f.monitor.invocations();
        QVERIFY(msBetween(wokeAt, calls.at(7).startedAt) >= 899);
    }

    void eventsAreHandledOneAfterAnother() {
        ControllerFixture f;
        QVERIFY(runTask(f.c().start()));
        f.c().displayLifecycle().post(DisplayLifecycleEvent::screensDidWake);
        f.c().displayLifecycle().post(DisplayLifecycleEvent::displayConfigurationDidChange);
        QTRY_COMPARE_WITH_TIMEOUT(refreshesIn(f.monitor), 3, 10000);
        f.settle();
        // The second refresh began only after the first ended and its own settle delay passed.
        const auto calls = f.monitor.invocations();
        QCOMPARE(calls.size(), 21);
        QVERIFY(msBetween(calls.at(13).startedAt, calls.at(14).startedAt) >= 899);
    }

    void anEventDuringTheFirstRefreshRefreshesAgainAfterIt() {
        ControllerFixture f;
        f.monitor.setScript("get luminance = delay=100 out=\"40\"; out=\"41\"\n");
        auto starting = f.c().start();
        f.c().displayLifecycle().post(DisplayLifecycleEvent::systemDidWake);
        QVERIFY(runTask(std::move(starting)));
        QTRY_COMPARE_WITH_TIMEOUT(f.c().brightness(), 41.0, 5000);
        f.settle();
        QCOMPARE(refreshesIn(f.monitor), 2);
    }

    void aBusyRefreshDropsTheLoopsRefresh() {
        ControllerFixture f;
        // The start-up refresh outlasts the loop's settle delay, so the loop's refresh is dropped.
        f.monitor.setScript("get luminance = delay=1500 out=\"40\"\n");
        auto starting = f.c().start();
        f.c().displayLifecycle().post(DisplayLifecycleEvent::systemDidWake);
        QVERIFY(runTask(std::move(starting)));
        QTest::qWait(300);
        f.settle();
        QCOMPARE(refreshesIn(f.monitor), 1);
    }

    void theLoopEndsWithTheController() {
        // Destroying a started controller with its loops waiting must be clean (ASan/LSan watch this).
        ControllerFixture f;
        f.c().setAdaptiveBrightnessEnabled(true);
        QVERIFY(runTask(f.c().start()));
        f.settle();
        f.controller.reset();
        QTest::qWait(50);
    }
};

QTEST_GUILESS_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"
