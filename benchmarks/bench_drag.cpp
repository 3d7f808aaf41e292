// How many helper runs a slider drag costs. The panel's capsule slider calls setLive on every
// move and set on release; only values the drag rests on for longer than the live-write delay,
// and the release, should reach the monitor. A steady 2-second drag at 60 moves a second should
// therefore cost one run, and the same drag with two 200 ms rests three.
// Run: build/default/benchmarks/bench_drag [rounds]
#include "support/ControllerFixture.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr auto dragLength = 2000ms;
constexpr auto moveInterval = std::chrono::duration<double, std::milli>(1000.0 / 60);
constexpr auto restLength = 200ms;
// Long enough after the release for any write the drag caused to have run.
constexpr auto afterRelease = 1000ms;

struct Drag {
    std::vector<std::chrono::milliseconds> restsAt; // when the pointer stops, from the drag's start
};

struct Outcome {
    int helperRuns = 0;
    double longestGapMs = 0; // between two moves outside the rests: a stall longer than the
                             // live-write delay would make a steady drag write legitimately
};

bool resting(const Drag& drag, double atMs) {
    return std::any_of(drag.restsAt.begin(), drag.restsAt.end(), [atMs](auto start) {
        return atMs >= start.count() && atMs < (start + restLength).count();
    });
}

// Moves from 20 % to 80 % over the drag's length, on a timer as the pointer's events would
// arrive, then releases where it ended.
Outcome run(ControllerFixture& fixture, const Drag& drag) {
    auto& controller = fixture.c();
    fixture.monitor.clearLog();
    Outcome outcome;
    QEventLoop loop;
    QElapsedTimer clock;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    double nextMoveMs = 0;
    double lastMoveMs = -1;
    double value = 20;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const double now = clock.nsecsElapsed() / 1e6;
        if (now >= std::chrono::duration<double, std::milli>(dragLength).count()) {
            ticker.stop();
            controller.set(MonitorFeature::brightness, value);
            QTimer::singleShot(afterRelease, &loop, &QEventLoop::quit);
            return;
        }
        if (now < nextMoveMs)
            return;
        nextMoveMs += moveInterval.count();
        if (resting(drag, now))
            return;
        if (lastMoveMs >= 0 && !resting(drag, now - moveInterval.count()))
            outcome.longestGapMs = std::max(outcome.longestGapMs, now - lastMoveMs);
        lastMoveMs = now;
        value = 20 + 60 * now / std::chrono::duration<double, std::milli>(dragLength).count();
        controller.setLive(MonitorFeature::brightness, value);
    });
    clock.start();
    ticker.start();
    loop.exec();
    outcome.helperRuns = fixture.monitor.commandLines().size();
    return outcome;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(const char* key, const char* title, const std::vector<Outcome>& outcomes) {
    std::vector<double> runs;
    std::vector<double> gaps;
    std::printf("%s: helper runs per round:", title);
    for (const auto& outcome : outcomes) {
        std::printf(" %d", outcome.helperRuns);
        runs.push_back(outcome.helperRuns);
        gaps.push_back(outcome.longestGapMs);
    }
    std::printf("; median %.0f; longest gap between moves %.1f ms (median of rounds)\n", median(runs),
                median(gaps));
    std::printf("BENCH\t%s\t%.0f\truns\n", key, median(runs));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    ControllerFixture fixture;
    runTask(fixture.c().refresh()); // the values a panel would show before the drag

    const Drag steady;
    const Drag withRests{{600ms, 1300ms}};
    std::vector<Outcome> steadyOutcomes;
    std::vector<Outcome> restOutcomes;
    for (int i = 0; i < rounds; ++i) {
        steadyOutcomes.push_back(run(fixture, steady));
        restOutcomes.push_back(run(fixture, withRests));
    }
    report("drag_steady", "steady 2 s drag, 60 moves/s", steadyOutcomes);
    report("drag_rests", "2 s drag with two 200 ms rests", restOutcomes);
    return 0;
}
