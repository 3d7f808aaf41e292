// How often following the schedule writes the monitor during a move: a wall clock stepped through a
// two-hour move from 90 to 10 (every ten seconds of it looked at), counting the writes that reached
// the fake helper. The budget is one write a minute, and only a new whole value.
// Run: build/default/benchmarks/bench_schedule
#include "controller/AdaptiveSchedule.h"
#include "support/ControllerFixture.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    auto timings = testTimings();
    timings.adaptiveBusyRetry = std::chrono::milliseconds(5);
    ControllerFixture f(timings, ControllerFixture::withMonitors);
    const QTimeZone berlin("Europe/Berlin");
    const auto at = [&](int hour, int minute) { return QDateTime(QDate(2026, 12, 7), QTime(hour, minute), berlin); };
    f.clock->current = at(12, 0);
    auto& adaptive = f.adaptive();
    adaptive.schedule().setSchedule(std::get<BrightnessSchedule>(
        BrightnessSchedule::parse(QStringLiteral("07:00=90 22:00=10"), std::chrono::minutes(120))));
    adaptive.setRange(0, 100);
    adaptive.setSource(Adaptive::Source::schedule);
    adaptive.setEnabled(true);
    f.settle();
    f.monitor.clearLog();

    for (QDateTime now = at(19, 55); now <= at(22, 5); now = now.addSecs(10)) {
        f.clock->set(now);
        f.settle();
    }
    const auto writes = f.monitor.writes().size();
    const double perHour = writes / 2.0;
    std::printf("schedule: a 2 h move from 90 to 10 took %lld writes, %.1f per hour\n",
                static_cast<long long>(writes), perHour);
    std::printf("BENCH\tschedule_writes_per_hour\t%.4g\tper h\n", perHour);
    adaptive.setEnabled(false);
    return 0;
}
