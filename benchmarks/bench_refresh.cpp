// How much a full refresh costs above its own pacing: five 50 ms pauses between the six
// reads are the floor; everything else is process start-up, pipes and our own overhead.
// Run: build/default/benchmarks/bench_refresh [rounds]
#include "support/ControllerFixture.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
    constexpr double floorMs = 5 * 50.0;

    ControllerFixture fixture;
    auto& controller = fixture.c();
    runTask(controller.refresh()); // warm the file cache

    std::vector<double> overheads;
    int helperRuns = 0;
    for (int i = 0; i < rounds; ++i) {
        fixture.monitor.clearLog();
        QElapsedTimer timer;
        timer.start();
        runTask(controller.refresh());
        const double elapsed = timer.nsecsElapsed() / 1e6;
        helperRuns = fixture.monitor.commandLines().size();
        overheads.push_back(elapsed - floorMs);
    }
    std::sort(overheads.begin(), overheads.end());
    const double median = overheads[overheads.size() / 2];
    std::printf("full refresh: %d helper runs, pacing floor %.0f ms, %d rounds\n", helperRuns, floorMs,
                rounds);
    std::printf("overhead above the floor: min %.1f ms, median %.1f ms, max %.1f ms\n", overheads.front(),
                median, overheads.back());
    std::printf("per helper run (median): %.2f ms\n", median / helperRuns);
    // For scripts/bench.sh: one line per figure.
    std::printf("BENCH\trefresh_overhead\t%.1f\tms\n", median);
    std::printf("BENCH\trefresh_helper_runs\t%d\truns\n", helperRuns);
    return 0;
}
