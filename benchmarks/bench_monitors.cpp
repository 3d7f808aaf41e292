// What a second monitor costs. Each monitor has a client of its own, so commands to different
// monitors run side by side: a linked brightness change should reach both monitors in about one
// write's time, and a refresh of both take about one refresh's. The fake helper takes a given time
// for every get and set, as a monitor's bus would; the two monitors are on buses of their own.
// Run: build/default/benchmarks/bench_monitors [rounds]
#include "support/ControllerFixture.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int commandMs = 60; // what one DDC/CI exchange takes, settle time included
const QString left = QStringLiteral("00000000000000aa");
const QString right = QStringLiteral("00000000000000bb");

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds from `start()` until `done()` holds, looked at whenever an event has been handled
// (a helper ending is one), so the figure is not rounded up to a polling interval.
double timed(const std::function<void()>& start, const std::function<bool()>& done) {
    QTimer giveUp; // a fault must not hang the benchmark
    giveUp.start(20000);
    QElapsedTimer timer;
    timer.start();
    start();
    while (!done() && giveUp.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    ControllerFixture f(ControllerFixture::withMonitors);
    // The whole program's start: the main monitor read, the listing, the second one read.
    if (!f.startMonitors({left + " Left", right + " Right"}))
        return 1;
    f.monitor.setScript(
        QStringLiteral("display * get * = delay=%1\ndisplay * set * * = delay=%1\n").arg(commandMs));
    auto& main = f.c();
    auto& other = *f.monitors->controller(right);
    const auto brightnessIs = [&f](const QString& id, int value) {
        return f.monitor.stateValue(QStringLiteral("luminance"), id) == QString::number(value);
    };

    std::vector<double> single, linked, refreshOne, refreshBoth;
    for (int i = 0; i < rounds; ++i) {
        // Alternating values, so that every change is a write.
        const int value = i % 2 == 0 ? 40 : 60;
        f.linked().setLinked(false);
        f.settle();
        single.push_back(timed([&] { main.set(MonitorFeature::brightness, value + 1); },
                               [&] { return brightnessIs(left, value + 1); }));
        f.settle();
        // Linked from the same level: the other monitor follows by as much.
        other.set(MonitorFeature::brightness, value + 1);
        f.settle();
        f.linked().setLinked(true);
        linked.push_back(timed([&] { main.set(MonitorFeature::brightness, value); },
                               [&] { return brightnessIs(left, value) && brightnessIs(right, value); }));
        f.settle();

        refreshOne.push_back(timed([&] { main.refresh(); }, [&] { return !main.isWorking(); }));
        f.settle();
        refreshBoth.push_back(timed(
            [&] {
                main.refresh();
                other.refresh();
            },
            [&] { return !main.isWorking() && !other.isWorking(); }));
        f.settle();
    }

    const double write = median(single), both = median(linked);
    const double one = median(refreshOne), two = median(refreshBoth);
    std::printf("helper time per command %d ms, %d rounds\n", commandMs, rounds);
    std::printf("brightness: one monitor %.1f ms, linked to a second %.1f ms (x%.2f)\n", write, both,
                both / write);
    std::printf("refresh: one monitor %.1f ms, both at once %.1f ms (x%.2f)\n", one, two, two / one);
    // For scripts/bench.sh: one line per figure.
    std::printf("BENCH\tmonitors_write_one\t%.1f\tms\n", write);
    std::printf("BENCH\tmonitors_write_linked\t%.2f\tx\n", both / write);
    std::printf("BENCH\tmonitors_refresh_one\t%.1f\tms\n", one);
    std::printf("BENCH\tmonitors_refresh_both\t%.2f\tx\n", two / one);
    return 0;
}
