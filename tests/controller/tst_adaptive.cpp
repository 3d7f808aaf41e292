// Adaptive brightness: the monitor following the built-in panel, against the fake helper, a
// fake panel and a wall clock the test moves.
#include "support/ControllerFixture.h"
#include "support/TestSupport.h"
#include "controller/AdaptiveSchedule.h"
#include "system/PlatformWording.h"

#include <QSignalSpy>

using namespace std::chrono_literals;

namespace {
using Reading = BuiltInDisplayBrightnessReading;
using Support = Adaptive::Support;
constexpr auto program = ControllerFixture::withMonitors;

// Long enough for several samples to run; only used to show that something does NOT happen.
void letSamplesRun(const ControllerFixture& f) {
    QTest::qWait(int(5 * f.timings.adaptiveSamplingInterval.count()));
}

// A moment of 7 December 2026 in Berlin, the fake clock's time zone.
QDateTime berlin(int hour, int minute, int second = 0) {
    return QDateTime(QDate(2026, 12, 7), QTime(hour, minute, second), QTimeZone("Europe/Berlin"));
}

BrightnessSchedule scheduleOf(const QString& text) {
    return std::get<BrightnessSchedule>(BrightnessSchedule::parse(text));
}

// Follows `source` over the whole range, switched on.
void follow(ControllerFixture& f, Adaptive::Source source) {
    f.adaptive().setRange(0, 100);
    f.adaptive().setSource(source);
    f.adaptive().setEnabled(true);
}

MonitorControllerTimings quickLight() {
    auto timings = testTimings();
    timings.lightSmoothing = 100ms;
    timings.lightSettleLook = 20ms;
    timings.adaptiveBusyRetry = 20ms;
    return timings;
}
} // namespace

class TestAdaptive : public QObject {
    Q_OBJECT

private slots:
    void switchingOnWritesAtOnceThenOnlyOnRealChanges() {
        ControllerFixture f(program);
        // Movie's values: the refresh marks the scene, which the adaptive write then clears.
        QVERIFY(f.refreshShowingMovie());
        f.monitor.clearLog();
        f.reader.reading = Reading::available(0.5);
        f.adaptive().setEnabled(true);
        QTRY_COMPARE(f.c().status(), PlatformWording::adaptiveFollowingStatus());
        QCOMPARE(f.monitor.writes(), QStringList{"set luminance 41"});
        QVERIFY(!f.c().activeSceneID());
        QVERIFY(f.c().loadedFeatures().contains(MonitorFeature::brightness));
        QCOMPARE(f.settings->value("adaptiveBrightnessEnabled").toBool(), true);

        // Samples go on; a steady panel writes nothing more.
        QTRY_VERIFY(f.reader.reads >= 3);
        QCOMPARE(f.monitor.writes().size(), 1);

        // A move the policy finds worth a write (its threshold is the policy test's) is written.
        f.reader.reading = Reading::available(0.52);
        QTRY_COMPARE(f.adaptive().lastWritten(), 43.0);
        QCOMPARE(f.monitor.writes().last(), QStringLiteral("set luminance 43"));

        f.adaptive().setEnabled(false);
        const int readsWhenOff = f.reader.reads;
        letSamplesRun(f);
        QCOMPARE(f.reader.reads, readsWhenOff);
    }

    void atLaunchTheMonitorIsReadBeforeAnySampleWrites() {
        ControllerFixture f(program);
        f.settings->setValue("adaptiveBrightnessEnabled", true);
        f.rebuild();
        f.reader.reading = Reading::available(1.0);
        QVERIFY(runTask(f.start()));
        QTRY_COMPARE(f.c().brightness(), 82.0);
        const auto commands = f.monitor.commandLines();
        QCOMPARE(commands.first(), QStringLiteral("get luminance"));
        // The whole start-up refresh went out before the first adaptive write.
        QCOMPARE_GE(commands.indexOf("set luminance 82"), 7);
    }

    void aManualChangePausesFollowingForHalfAnHour() {
        ControllerFixture f(program);
        f.reader.reading = Reading::available(0.5);
        f.adaptive().setEnabled(true);
        QTRY_COMPARE(f.adaptive().lastWritten(), 41.0);

        f.c().set(MonitorFeature::brightness, 70); // 10:00
        QCOMPARE(f.adaptive().pausedUntil(), f.clock->current.addSecs(1800));
        f.settle();
        f.reader.reading = Reading::available(0.75);
        const int reads = f.reader.reads;
        letSamplesRun(f);
        QCOMPARE(f.reader.reads, reads); // paused: samples neither read nor write
        f.clock->advance(29min);
        letSamplesRun(f);
        QCOMPARE(f.monitor.writes(), (QStringList{"set luminance 41", "set luminance 70"}));

        // At 10:30 the pause is over: the first sample writes even a value within the
        // hysteresis of the last adaptive write.
        f.reader.reading = Reading::available(0.5);
        f.clock->advance(1min);
        QTRY_COMPARE(f.monitor.writes().size(), 3);
        QCOMPARE(f.monitor.writes().last(), QStringLiteral("set luminance 41"));
        QVERIFY(!f.adaptive().pausedUntil());

        // A colour preset pauses too, for half an hour from now; resuming ends a pause at once, and
        // the next sample writes whatever the distance.
        f.c().applyPreset(ColorPreset::cool);
        QCOMPARE(f.adaptive().pausedUntil(), f.clock->current.addSecs(1800));
        f.adaptive().resume();
        QVERIFY(!f.adaptive().pausedUntil());
        QTRY_COMPARE(f.monitor.writes().count("set luminance 41"), 2);
        f.adaptive().setEnabled(false);
    }

    void anUnreadablePanelSetsTheFlagAndLeavesTheStatusAlone() {
        ControllerFixture f(program);
        f.reader.reading = Reading::unavailable(Reading::UnavailableReason::noBuiltInDisplay);
        QSignalSpy status(&f.c(), &MonitorController::statusChanged);
        f.adaptive().setEnabled(true);
        QTRY_COMPARE(f.adaptive().support(), Support::no);
        letSamplesRun(f);
        QCOMPARE(status.count(), 0);
        QVERIFY(f.monitor.writes().isEmpty());

        f.reader.reading = Reading::available(0);
        QTRY_COMPARE(f.adaptive().support(), Support::yes);
        QTRY_COMPARE(f.c().brightness(), 8.0);
        f.adaptive().setEnabled(false);
        QCOMPARE(f.adaptive().support(), Support::yes); // kept while switched off
    }

    void samplesStandAsideWhileTheMonitorIsBeingRead() {
        ControllerFixture f(program);
        f.monitor.setScript("get luminance = wait=gate out=\"60\"\n");
        auto refreshing = f.c().refresh();
        f.adaptive().setEnabled(true);
        letSamplesRun(f);
        QVERIFY(f.c().isWorking());
        QCOMPARE(f.reader.reads, 0); // skipped before the panel is even read
        QCOMPARE(f.adaptive().support(), Support::unknown);
        f.monitor.openGate("gate");
        QVERIFY(runTask(std::move(refreshing)));
        QTRY_COMPARE(f.c().brightness(), 41.0);
        f.adaptive().setEnabled(false);
    }

    void aFailingWriteIsRetriedEverySample() {
        ControllerFixture f(program);
        f.monitor.setScript("set luminance * = exit=1 err=\"write refused\"\n");
        f.reader.reading = Reading::available(0.5);
        f.adaptive().setEnabled(true);
        // Samples run one after another, so a second write means the first one has reported.
        QTRY_VERIFY(f.monitor.writes().size() >= 2);
        QCOMPARE(f.c().status(), QStringLiteral("write refused"));
        QVERIFY(f.c().hasError());
        QVERIFY(!f.adaptive().lastWritten());
        QCOMPARE(f.c().brightness(), 50.0);
        f.adaptive().setEnabled(false);
    }

    void aRestartedLoopWaitsForTheOldWriteThenWritesAtOnce() {
        ControllerFixture f(program);
        f.monitor.setScript("set luminance 41 = wait=gate\n");
        f.reader.reading = Reading::available(0.5);
        f.adaptive().setEnabled(true);
        QTRY_COMPARE(f.monitor.writes().size(), 1); // 41 is held by the monitor

        // A new range restarts the loop while the old sample waits: the new loop neither
        // overlaps that write nor loses its own first write to it.
        f.reader.reading = Reading::available(0.6);
        f.adaptive().setRange(40, 50); // 0.6 proposes 46, within reach of nothing stored
        letSamplesRun(f);
        QCOMPARE(f.monitor.writes().size(), 1);
        f.monitor.openGate("gate");
        QTRY_COMPARE(f.adaptive().lastWritten(), 46.0);
        QCOMPARE(f.monitor.writes(), (QStringList{"set luminance 41", "set luminance 46"}));
        f.adaptive().setEnabled(false);
    }

    void rangeIsClampedRaisedAndStored() {
        ControllerFixture f(program);
        f.adaptive().setRange(-5, 120);
        QCOMPARE(f.adaptive().minimum(), 0.0);
        QCOMPARE(f.adaptive().maximum(), 100.0);
        f.adaptive().setRange(90, 30);     // the maximum is raised to the minimum
        QVERIFY(!f.adaptive().isRunning()); // switched off: nothing starts
        f.rebuild();
        QCOMPARE(f.adaptive().minimum(), 90.0);
        QCOMPARE(f.adaptive().maximum(), 90.0);

        // A reversed range the settings file holds still gives a valid policy.
        f.settings->setValue("adaptiveMinimumBrightness", 60);
        f.settings->setValue("adaptiveMaximumBrightness", 20);
        f.settings->setValue("adaptiveBrightnessEnabled", true);
        f.rebuild();
        f.reader.reading = Reading::available(0);
        QVERIFY(runTask(f.start()));
        QTRY_COMPARE(f.adaptive().lastWritten(), 20.0);
        QCOMPARE(f.adaptive().minimum(), 60.0); // the fields keep what was stored
        f.adaptive().setEnabled(false);
    }
};

// The other sources: the schedule for the time of day and the light sensor.
class TestAdaptiveSources : public QObject {
    Q_OBJECT

private slots:
    // The schedule's value now, within the range, with the status saying so; through a move at most
    // one write a minute, each a new whole value, nothing at all between points.
    void theScheduleIsFollowedWithinItsWriteBudget() {
        ControllerFixture f(program);
        f.clock->current = berlin(11, 0);
        f.adaptive().schedule().setSchedule(scheduleOf("07:00=90 22:00=20"));
        follow(f, Adaptive::Source::schedule);
        QTRY_COMPARE(f.c().brightness(), 90.0);
        QCOMPARE(f.c().status(), QStringLiteral("Adaptive • Following schedule"));
        QCOMPARE(f.adaptive().state(), Adaptive::State::following);
        f.adaptive().setRange(8, 82);
        QTRY_COMPARE(f.c().brightness(), 82.0); // held within the range
        f.adaptive().setRange(0, 100);
        QTRY_COMPARE(f.c().brightness(), 90.0);
        f.settle();

        QList<std::pair<QDateTime, double>> written;
        QObject::connect(&f.c(), &MonitorController::brightnessChosen,
                         [&](double value) { written.append({f.clock->current, value}); });
        for (QDateTime at = berlin(21, 0); at <= berlin(22, 10); at = at.addSecs(10)) {
            f.clock->set(at);
            f.settle();
        }
        QVERIFY(written.size() >= 25 && written.size() <= 31);
        QCOMPARE(written.last().second, 20.0);
        QVERIFY(written.first().first >= berlin(21, 30));
        for (qsizetype i = 1; i < written.size(); ++i) {
            QVERIFY(written[i - 1].first.secsTo(written[i].first) >= 60);
            QVERIFY(written[i].second < written[i - 1].second);
        }
    }

    // A manual change holds until the schedule's next point, and the caption can say until when.
    void aManualChangeHoldsUntilTheNextPoint() {
        ControllerFixture f(program);
        f.clock->current = berlin(12, 0);
        f.adaptive().schedule().setSchedule(scheduleOf("07:00=90 22:00=20"));
        follow(f, Adaptive::Source::schedule);
        QTRY_COMPARE(f.c().brightness(), 90.0);
        f.settle();
        f.c().set(MonitorFeature::brightness, 55);
        QCOMPARE(f.adaptive().pausedUntil(), berlin(22, 0));
        QCOMPARE(f.adaptive().state(), Adaptive::State::paused);
        f.clock->set(berlin(21, 45)); // within the move, still held
        f.settle();
        QCOMPARE(f.c().brightness(), 55.0);
        f.clock->set(berlin(22, 0, 30));
        QTRY_COMPARE(f.c().brightness(), 20.0);
        QVERIFY(!f.adaptive().pausedUntil());
    }

    // After a wake, once the monitor answers, the schedule's value goes to it again: the monitor
    // may have changed meanwhile.
    void aWokenMonitorGetsTheSchedulesValue() {
        ControllerFixture f(program);
        f.clock->current = berlin(12, 0);
        f.adaptive().schedule().setSchedule(scheduleOf("07:00=90 22:00=20"));
        QVERIFY(runTask(f.start()));
        follow(f, Adaptive::Source::schedule);
        QTRY_COMPARE(f.monitor.stateValue("luminance"), QStringLiteral("90"));
        f.settle();
        f.monitor.setState({{"luminance", "35"}}); // set on the monitor's own buttons while asleep
        f.monitor.clearLog();
        f.lifecycle->post(DisplayLifecycleEvent::systemDidWake);
        QTRY_COMPARE(f.monitor.stateValue("luminance"), QStringLiteral("90"));
        QCOMPARE(f.monitor.writes(), QStringList("set luminance 90"));
    }

    // The light sensor is claimed only while it is followed; its light moves the monitor once the
    // move is worth it, and a sensor that is gone makes following unavailable.
    void theLightSensorIsFollowedWhileClaimed() {
        ControllerFixture f(quickLight(), program);
        f.light->lux = 1000;
        follow(f, Adaptive::Source::lightSensor);
        QCOMPARE(f.light->claims, 1);
        QTRY_COMPARE(f.c().brightness(), 75.0);
        QCOMPARE(f.c().status(), QStringLiteral("Adaptive • Following light sensor"));
        f.settle();
        f.monitor.clearLog();
        f.light->setLux(10000);
        QTRY_COMPARE(f.c().brightness(), 100.0);
        f.settle();
        QVERIFY(f.monitor.writes().size() <= 6); // on its way, in steps of the dead band at least
        f.monitor.clearLog();
        f.light->setLux(8000); // 97.6: within the dead band
        QTest::qWait(200);
        f.settle();
        QVERIFY(f.monitor.writes().isEmpty());

        f.light->setPresent(false);
        QCOMPARE(f.adaptive().state(), Adaptive::State::unavailable);
        f.adaptive().setSource(Adaptive::Source::laptop);
        QCOMPARE(f.light->releases, 1);
        f.adaptive().setEnabled(false);
        QCOMPARE(f.light->claims, 1);
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TestAdaptive adaptive;
    TestAdaptiveSources sources;
    return QTest::qExec(&adaptive, argc, argv) | QTest::qExec(&sources, argc, argv);
}
#include "tst_adaptive.moc"
