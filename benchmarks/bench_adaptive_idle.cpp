// CPU time the controller spends following a steady built-in panel: adaptive brightness on,
// the panel's brightness unchanged, so after the first write every sample is a file read and
// a comparison. Uses the real sysfs reader over a fake backlight directory.
// Run: build/default/benchmarks/bench_adaptive_idle [seconds]
#include "support/ControllerFixture.h"
#include "system/linux/SystemBuiltInDisplayBrightnessReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
}

void write(const QString& path, const QByteArray& text) {
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text);
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, atoi(argv[1])) : 60;

    QTemporaryDir sysfs;
    const QString device = sysfs.filePath(QStringLiteral("intel_backlight"));
    QDir().mkpath(device);
    write(device + QStringLiteral("/type"), "raw\n");
    write(device + QStringLiteral("/max_brightness"), "19200\n");
    write(device + QStringLiteral("/actual_brightness"), "9600\n");
    write(device + QStringLiteral("/brightness"), "9600\n");
    SystemBuiltInDisplayBrightnessReader reader(sysfs.path());

    ControllerFixture fixture;
    // The fixture's fake panel is replaced by the real reader over the fake directory.
    ProgramEnvironment environment;
    environment.settings = fixture.settings.get();
    environment.helperLocator = fixture.monitor.locator();
    environment.displayLifecycle =
        std::make_unique<DisplayLifecycleEventSource>(DisplayLifecycleEventSource::Observe::nothing);
    ProgramModel model(*fixture.store, reader, std::move(environment));
    auto& adaptive = model.adaptiveBrightness();
    adaptive.setEnabled(true);

    // Let the first write happen, then measure the steady state.
    QTimer::singleShot(2000, [&] {
        const double start = cpuSeconds();
        QTimer::singleShot(seconds * 1000, [&, start] {
            const double used = cpuSeconds() - start;
            std::printf(
                "adaptive following, steady panel: %.4f s CPU in %d s = %.4f %% of one core; writes: %lld\n",
                used, seconds, 100.0 * used / seconds,
                static_cast<long long>(fixture.monitor.writes().size()));
            std::printf("BENCH\tadaptive_cpu_controller\t%.4f\t%%\n", 100.0 * used / seconds);
            adaptive.setEnabled(false);
            app.quit();
        });
    });
    return app.exec();
}
