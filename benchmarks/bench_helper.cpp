// What one helper run costs on a monitor, cold (nothing remembered) and warm (the display
// remembered), against detecting on every run as the helper did before. The helper's own command
// path runs on a simulated machine with a real monitor's timing and real sleeps:
//   - the I2C bus at 100 kHz (90 us a byte, the address byte included);
//   - a reply ready 40 ms after a Get VCP request (an empty message when read sooner);
//   - 50 ms after a Set VCP during which the monitor refuses further messages;
//   - a detection that takes 700 ms, what libddcutil's takes on a real machine.
// Runs are spaced as the app spaces them (50 ms between the reads of a refresh, 60 ms after a
// write), outside the measured time. A fake sysfs shows the monitor's connector and the kernel's
// copy of its EDID, as the graphics drivers do. A second monitor on a port of its own is only
// listed: `display list` of the two, warm from sysfs alone and with the EDIDs read on the buses as
// for a driver that keeps none.
// Run: build/default/benchmarks/bench_helper [warm runs]
#include "Clock.h"
#include "DdcPacket.h"
#include "DdcReplies.h"
#include "DisplayMemory.h"
#include "linux/DirectDdcDisplays.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace m1ddc;
using namespace std::chrono_literals;
using Milliseconds = std::chrono::duration<double, std::milli>;

namespace {

constexpr auto byteTime = 90us;
constexpr auto replyReady = 40ms;
constexpr auto busyAfterSet = 50ms;
constexpr auto detectionTime = 700ms;
constexpr auto pauseBetweenReads = 50ms;
constexpr auto pauseAfterWrite = 60ms;

const std::array refresh{Attribute::luminance, Attribute::contrast, Attribute::volume,  Attribute::red,
                         Attribute::green,     Attribute::blue,     Attribute::inputAlt};

// The monitor, wherever it is plugged in.
struct Monitor {
    int bus = 4;
    EdidBlock edid{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x5A, 0x63, 0x31, 0x2B};
    std::map<std::uint8_t, std::uint16_t> values{{0x10, 70}, {0x12, 70}, {0x62, 30},   {0x16, 50},
                                                 {0x18, 50}, {0x1A, 50}, {0x60, 0x11}, {0xF4, 0x90}};
    Clock::TimePoint quietUntil{};
};

void transfer(std::size_t bytes) {
    std::this_thread::sleep_for((bytes + 1) * byteTime);
}

class SimulatedBus final : public DisplayBus {
public:
    explicit SimulatedBus(Monitor& monitor)
        : monitor_(monitor), device_("/dev/i2c-" + std::to_string(monitor.bus)) {}

    const std::string& device() const override { return device_; }
    std::variant<bool, Failure> tryLock() override { return true; }

    WriteOutcome send(std::span<const std::uint8_t> message) override {
        transfer(message.size());
        const auto now = std::chrono::steady_clock::now();
        if (now < monitor_.quietUntil) {
            return Failure{"Cannot write to /dev/i2c-4: No such device or address"};
        }
        const std::uint8_t opcode = message[2], feature = message[3];
        if (opcode == ddc::setVcpOpcode) {
            monitor_.values[feature] = std::uint16_t(message[4] << 8 | message[5]);
            monitor_.quietUntil = now + busyAfterSet;
            return std::nullopt;
        }
        reply_ = getVcpReply({.feature = feature, .current = monitor_.values[feature]});
        readyAt_ = now + replyReady;
        return std::nullopt;
    }

    std::variant<std::size_t, Failure> receive(std::span<std::uint8_t> buffer) override {
        transfer(buffer.size());
        const std::vector<std::uint8_t> notReady{0x6E, 0x80, 0xBE};
        const auto& reply = std::chrono::steady_clock::now() >= readyAt_ ? reply_ : notReady;
        const auto count = std::min(reply.size(), buffer.size());
        std::copy_n(reply.begin(), count, buffer.begin());
        return buffer.size();
    }

    std::variant<EdidBlock, Failure> readEdid() override {
        transfer(1);
        transfer(monitor_.edid.size());
        return monitor_.edid;
    }

private:
    Monitor& monitor_;
    std::string device_;
    std::vector<std::uint8_t> reply_;
    Clock::TimePoint readyAt_{};
};

class SimulatedMachine final : public DisplayBuses, public DisplayDetector {
public:
    explicit SimulatedMachine(std::filesystem::path sysRoot) : sysRoot_(std::move(sysRoot)) {
        second.bus = 9;
        second.edid[12] = 2; // another serial number
        connector(second, "connected");
        plugIn(4);
    }

    Monitor monitor;
    Monitor second; ///< a second monitor on a port of its own, for the listings
    int detections = 0;

    // Moves the monitor to the port whose display's bus is `bus`; sysfs shows the old port empty.
    void plugIn(int bus) {
        connector(monitor, "disconnected");
        monitor.bus = bus;
        connector(monitor, "connected");
    }
    // As a driver that keeps no EDID: the helper then reads it on the bus.
    void dropKernelEdids() {
        for (const auto* display : {&monitor, &second}) {
            std::ofstream(folderOf(display->bus) / "edid", std::ios::trunc);
        }
    }

    std::variant<std::unique_ptr<DisplayBus>, BusRefusal> open(int bus) override {
        for (auto* display : {&monitor, &second}) {
            if (display->bus == bus) {
                return std::make_unique<SimulatedBus>(*display);
            }
        }
        const auto device = "/dev/i2c-" + std::to_string(bus);
        return BusRefusal{device, "Cannot open " + device + ": No such file or directory", false};
    }
    std::optional<std::string> forbiddenDisplayDevice() override { return std::nullopt; }

    Detection detect() override {
        ++detections;
        std::this_thread::sleep_for(detectionTime);
        std::vector<FoundDisplay> found{{monitor.bus, monitor.edid}, {second.bus, second.edid}};
        std::ranges::sort(found, {}, &FoundDisplay::bus);
        return found;
    }

private:
    std::filesystem::path folderOf(int bus) const {
        return sysRoot_ / "class" / "drm" / ("card0-DP-" + std::to_string(bus));
    }

    // A DisplayPort connector with its bus as an i2c-N folder of its own; connected, the EDID of a
    // monitor with one extension block.
    void connector(const Monitor& display, const std::string& status) {
        const auto folder = folderOf(display.bus);
        std::filesystem::create_directories(folder / ("i2c-" + std::to_string(display.bus)));
        std::ofstream(folder / "status") << status << '\n';
        std::ofstream edid(folder / "edid", std::ios::binary | std::ios::trunc);
        if (status == "connected") {
            edid.write(reinterpret_cast<const char*>(display.edid.data()), display.edid.size());
            edid << std::string(display.edid.size(), '\x02');
        }
    }

    std::filesystem::path sysRoot_;
};

class Bench {
public:
    Bench(SimulatedMachine& machine, const DisplayMemory& memory, std::filesystem::path sysRoot)
        : machine_(machine), memory_(memory), sysRoot_(std::move(sysRoot)) {}

    // One helper run each, as the app starts them.
    Milliseconds get(Attribute attribute = Attribute::luminance) {
        return timed(
            [&](DirectDdcDisplays& displays) {
                return std::holds_alternative<int>(displays.read({}, attribute));
            },
            pauseBetweenReads);
    }
    Milliseconds set(int value) {
        return timed(
            [&](DirectDdcDisplays& displays) { return !displays.write({}, Attribute::luminance, value); },
            pauseAfterWrite);
    }
    // `display list`, which must find both monitors.
    Milliseconds list() {
        return timed(
            [](DirectDdcDisplays& displays) {
                const auto listing = displays.list();
                const auto* listed = std::get_if<std::vector<ListedDisplay>>(&listing);
                return listed != nullptr && listed->size() == 2;
            },
            pauseBetweenReads);
    }
    // The helper's time over a refresh's seven runs, and the detections among them.
    std::pair<Milliseconds, int> refreshAll() {
        const int before = machine_.detections;
        Milliseconds total{};
        for (const auto attribute : refresh) {
            total += get(attribute);
        }
        return {total, machine_.detections - before};
    }

private:
    template <typename Run> Milliseconds timed(Run run, Clock::Duration pauseAfter) {
        const auto start = std::chrono::steady_clock::now();
        DirectDdcDisplays displays(machine_, machine_, memory_, clock_, sysRoot_);
        if (!run(displays)) {
            std::fprintf(stderr, "bench_helper: a command failed\n");
            std::exit(1);
        }
        const Milliseconds elapsed = std::chrono::steady_clock::now() - start;
        std::this_thread::sleep_for(pauseAfter);
        return elapsed;
    }

    SimulatedMachine& machine_;
    const DisplayMemory& memory_;
    std::filesystem::path sysRoot_;
    SteadyClock clock_;
};

double median(std::vector<Milliseconds> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2].count();
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    char folder[] = "/tmp/bench_helper-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        std::perror("bench_helper: mkdtemp");
        return 1;
    }
    const DisplayMemory remembering(folder, folder, ::geteuid());
    const DisplayMemory forgetful;
    const auto sysRoot = std::filesystem::path(folder) / "sys";
    SimulatedMachine machine(sysRoot);
    Bench remembered(machine, remembering, sysRoot);
    Bench everyRun(machine, forgetful, sysRoot);

    std::vector<Milliseconds> coldGets, coldSets, warmGets, warmSets, oldGets, oldSets;
    for (int i = 0; i < 3; ++i) {
        remembering.forget();
        coldGets.push_back(remembered.get());
        remembering.forget();
        coldSets.push_back(remembered.set(40 + i));
        oldGets.push_back(everyRun.get());
        oldSets.push_back(everyRun.set(50 + i));
    }
    remembering.forget();
    const auto [coldRefresh, coldDetections] = remembered.refreshAll();
    for (int i = 0; i < runs; ++i) {
        warmGets.push_back(remembered.get());
        warmSets.push_back(remembered.set(i % 100));
    }
    const auto [warmRefresh, warmDetections] = remembered.refreshAll();
    const auto [oldRefresh, oldDetections] = everyRun.refreshAll();
    machine.plugIn(7);
    const auto [movedRefresh, movedDetections] = remembered.refreshAll();
    const auto [afterMoveRefresh, afterMoveDetections] = remembered.refreshAll();

    std::vector<Milliseconds> warmLists, busEdidLists;
    remembering.forget();
    const int beforeColdList = machine.detections;
    const auto coldList = remembered.list();
    const int coldListDetections = machine.detections - beforeColdList;
    const int beforeWarmLists = machine.detections;
    for (int i = 0; i < runs; ++i) {
        warmLists.push_back(remembered.list());
    }
    machine.dropKernelEdids();
    for (int i = 0; i < runs; ++i) {
        busEdidLists.push_back(remembered.list());
    }
    const int listDetections = machine.detections - beforeWarmLists;
    remembering.forget();
    std::filesystem::remove_all(folder);

    std::printf("m1ddc command path on a simulated monitor: I2C at 100 kHz, reply ready 40 ms after a\n"
                "request, 50 ms quiet after a set, detection %lld ms; median of %d warm runs, 3 cold\n\n",
                static_cast<long long>(detectionTime.count()), runs);
    std::printf("%-34s %9s %9s %14s %11s\n", "", "get (ms)", "set (ms)", "refresh (ms)", "detections");
    std::printf("%-34s %9s %9s %14s %11s\n", "", "", "", "7 runs", "per refresh");
    std::printf("%-34s %9.1f %9.1f %14.1f %11d\n", "remembered display, cold", median(coldGets),
                median(coldSets), coldRefresh.count(), coldDetections);
    std::printf("%-34s %9.1f %9.1f %14.1f %11d\n", "remembered display, warm", median(warmGets),
                median(warmSets), warmRefresh.count(), warmDetections);
    std::printf("%-34s %9.1f %9.1f %14.1f %11d\n", "detection on every run (before)", median(oldGets),
                median(oldSets), oldRefresh.count(), oldDetections);
    std::printf("%-34s %9s %9s %14.1f %11d\n", "first refresh after a port change", "", "",
                movedRefresh.count(), movedDetections);
    std::printf("%-34s %9s %9s %14.1f %11d\n", "the refresh after that", "", "", afterMoveRefresh.count(),
                afterMoveDetections);

    std::printf("\n%-34s %9s %11s\n", "display list of two monitors", "(ms)", "detections");
    std::printf("%-34s %9.1f %11d\n", "cold", coldList.count(), coldListDetections);
    std::printf("%-34s %9.1f %11s\n", "warm", median(warmLists), "");
    std::printf("%-34s %9.1f %11s\n", "warm, EDIDs read on the buses", median(busEdidLists), "");
    std::printf("%-34s %9s %11d\n", "all warm listings", "", listDetections);

    // The lines scripts/bench.sh turns into its table.
    std::printf("BENCH\thelper_get_warm\t%.1f\tms\n", median(warmGets));
    std::printf("BENCH\thelper_set_warm\t%.1f\tms\n", median(warmSets));
    std::printf("BENCH\thelper_get_cold\t%.1f\tms\n", median(coldGets));
    std::printf("BENCH\thelper_detections_warm\t%d\truns\n", warmDetections);
    std::printf("BENCH\thelper_detections_moved\t%d\truns\n", movedDetections);
    std::printf("BENCH\thelper_list_two_warm\t%.1f\tms\n", median(warmLists));
    std::printf("BENCH\thelper_list_two_warm_bus_edid\t%.1f\tms\n", median(busEdidLists));
    std::printf("BENCH\thelper_list_detections_warm\t%d\truns\n", listDetections);

    const bool met = median(warmGets) <= 45 && median(warmSets) <= 15 && warmDetections == 0 &&
                     movedDetections == 1 && median(busEdidLists) <= 150 && listDetections == 0;
    std::printf("\ngoals (warm get <= 45 ms, warm set <= 15 ms, no detection once warm, one after a move,\n"
                "warm list of two <= 150 ms without a detection): %s\n",
                met ? "met" : "NOT met");
    return 0;
}
