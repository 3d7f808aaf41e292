// The helper's command path on a fake machine: displays on numbered buses and their connectors in a
// fake sysfs, a detector that counts its (slow) detections, the real display memory in a temporary
// runtime folder, virtual time.
#include "linux/DirectDdcDisplays.h"

#include "DdcReplies.h"
#include "FakeSysfs.h"
#include "FormerIds.h"
#include "VirtualClock.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <map>
#include <set>

using namespace m1ddc;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t luminance = 0x10, volume = 0x62, input = 0x60, inputAlt = 0xF4;

// A monitor made by "VLM", product 300, with the serial number and, when given, a display-name
// descriptor in the second descriptor's place (a line break ends a short name, spaces pad it).
EdidBlock edidOf(std::uint8_t serial, std::string_view name = {}) {
    EdidBlock edid{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x59, 0x8D, 0x2C, 0x01, serial};
    if (!name.empty()) {
        const auto descriptor = edid.begin() + 72;
        descriptor[3] = 0xFC;
        std::fill(descriptor + 5, descriptor + 18, ' ');
        std::copy(name.begin(), name.end(), descriptor + 5);
        descriptor[5 + name.size()] = '\n';
    }
    return edid;
}

// The monitor of edidOf(1, "Velmar S27") with what a mode setting rewrites, in the places real EDIDs
// keep it: a detailed timing first, the serial-number text third, the range limits last, and the
// checksum.
EdidBlock edidWithAMode() {
    auto edid = edidOf(1, "Velmar S27");
    const std::pair<std::size_t, std::string_view> fields[] = {{54, "\x02\x3a\x80\x18\x71\x38\x2d\x40"},
                                                               {90, {"\0\0\0\xff\0VS27-0001\n  ", 18}},
                                                               {108, "\0\0\0\xfd\0\x30\x4b\x1e\x53\x11"},
                                                               {127, "\x6c"}};
    for (const auto& [offset, bytes] : fields)
        std::copy(bytes.begin(), bytes.end(), edid.begin() + offset);
    return edid;
}

QByteArray bytesOf(const EdidBlock& edid) {
    return QByteArray(reinterpret_cast<const char*>(edid.data()), edid.size());
}

// A monitor: answers Get VCP from its values (a feature it lacks is unsupported), takes Set VCP,
// and keeps every message it was sent.
struct FakeScreen {
    EdidBlock edid = edidOf(1);
    std::map<std::uint8_t, std::uint16_t> values{
        {luminance, 70}, {volume, 30}, {input, 0x0111}, {inputAlt, 0x90}}; // input with flags above
    bool answers = true; ///< false: its DDC/CI is off, every message is refused on the bus
    int refusals = 0;    ///< messages refused before it answers again, as while it wakes up
    bool edidReadable = true;
    int edidReads = 0;           ///< EDID reads on its bus
    int opens = 0;               ///< times its bus was opened
    int unlockedIo = 0;          ///< messages and EDID reads on its bus without holding its lock
    std::vector<Bytes> received; ///< every message sent to it, taken or refused
};

class FakeBus final : public DisplayBus {
public:
    FakeBus(FakeScreen& screen, std::string device, Clock& clock, Clock::TimePoint heldElsewhereUntil)
        : screen_(screen), device_(std::move(device)), clock_(clock),
          heldElsewhereUntil_(heldElsewhereUntil) {}

    const std::string& device() const override { return device_; }

    std::variant<bool, Failure> tryLock() override {
        locked_ = clock_.now() >= heldElsewhereUntil_;
        return locked_;
    }

    WriteOutcome send(std::span<const std::uint8_t> message) override {
        screen_.unlockedIo += locked_ ? 0 : 1;
        screen_.received.emplace_back(message.begin(), message.end());
        if (!screen_.answers || screen_.refusals > 0) {
            screen_.refusals = std::max(0, screen_.refusals - 1);
            return Failure{"Cannot write to " + device_ + ": No such device or address"};
        }
        const std::uint8_t opcode = message[2], feature = message[3];
        if (opcode == 0x03) {
            screen_.values[feature] = std::uint16_t(message[4] << 8 | message[5]);
        } else if (const auto value = screen_.values.find(feature); value != screen_.values.end()) {
            reply_ = getVcpReply({.feature = feature, .current = value->second});
        } else {
            reply_ = getVcpReply({.feature = feature, .result = 1});
        }
        return std::nullopt;
    }

    std::variant<std::size_t, Failure> receive(std::span<std::uint8_t> buffer) override {
        screen_.unlockedIo += locked_ ? 0 : 1;
        const auto count = std::min(reply_.size(), buffer.size());
        std::copy_n(reply_.begin(), count, buffer.begin());
        return count;
    }

    std::variant<EdidBlock, Failure> readEdid() override {
        ++screen_.edidReads;
        screen_.unlockedIo += locked_ ? 0 : 1;
        if (!screen_.edidReadable)
            return Failure{"Cannot read the EDID on " + device_ + ": Input/output error"};
        return screen_.edid;
    }

private:
    FakeScreen& screen_;
    std::string device_;
    Clock& clock_;
    Clock::TimePoint heldElsewhereUntil_;
    bool locked_ = false;
    Bytes reply_;
};

// The buses of the machine, each holding a screen or nothing, and the detector over them: it finds
// every screen that answers on a bus we may open, by bus, as libddcutil would, and counts how often
// it was asked.
class FakeMachine final : public DisplayBuses, public DisplayDetector {
public:
    std::map<int, FakeScreen*> screens;
    std::set<int> forbidden;                            ///< buses we may not open
    std::optional<std::string> forbiddenInSysfs;        ///< what a look at the connectors would find
    std::map<int, Clock::TimePoint> heldElsewhereUntil; ///< another program's lock on a bus
    Clock* clock = nullptr;
    int detections = 0;
    std::optional<Failure> failure; ///< set: detection itself fails

    std::variant<std::unique_ptr<DisplayBus>, BusRefusal> open(int bus) override {
        const auto device = "/dev/i2c-" + std::to_string(bus);
        if (forbidden.contains(bus))
            return BusRefusal{device, "Cannot open " + device + ": Permission denied", true};
        const auto screen = screens.find(bus);
        if (screen == screens.end())
            return BusRefusal{device, "Cannot open " + device + ": No such file or directory", false};
        ++screen->second->opens;
        return std::make_unique<FakeBus>(*screen->second, device, *clock, heldElsewhereUntil[bus]);
    }

    std::optional<std::string> forbiddenDisplayDevice() override { return forbiddenInSysfs; }

    Detection detect() override {
        ++detections;
        if (failure)
            return *failure;
        std::vector<FoundDisplay> found;
        for (const auto& [bus, screen] : screens)
            if (screen->answers && !forbidden.contains(bus))
                found.push_back({bus, screen->edid});
        return found;
    }
};

QString describe(const ReadOutcome& outcome) {
    const auto* value = std::get_if<int>(&outcome);
    return value ? QString::number(*value) : QString::fromStdString(std::get<Failure>(outcome).reason);
}

QString describe(const WriteOutcome& outcome) {
    return outcome ? QString::fromStdString(outcome->reason) : QString("set");
}

const QString noDisplay = "No external display found";

} // namespace

class TestDirectDdcDisplays : public QObject {
    Q_OBJECT

private:
    QTemporaryDir runtime_;
    QString sys_;
    std::optional<DisplayMemory> memory_;
    FakeMachine machine_;
    VirtualClock clock_;
    FakeScreen monitor_;    ///< the user's monitor, luminance 70
    FakeScreen other_;      ///< another monitor, luminance 24; unless a test plugs it in, never sent anything
    FakeScreen third_;      ///< a monitor without a name in its EDID, luminance 30
    QStringList ids_;       ///< the ids of the last listing, in its order
    QStringList formerIds_; ///< and the ids earlier helpers printed for its monitors

    // One helper run: fresh objects, as every run of the helper starts from nothing.
    DirectDdcDisplays run() { return {machine_, machine_, *memory_, clock_, sys_.toStdString()}; }
    ReadOutcome get(Attribute attribute, const DisplayTarget& target = {}) {
        return run().read(target, attribute);
    }
    WriteOutcome set(Attribute attribute, int value) { return run().write({}, attribute, value); }
    // `display list`: the names in order, or why it failed; the ids go to ids_.
    QStringList list() {
        const auto listing = run().list();
        if (const auto* failure = std::get_if<Failure>(&listing))
            return {QString::fromStdString(failure->reason)};
        QStringList names;
        ids_.clear();
        formerIds_.clear();
        for (const auto& display : std::get<std::vector<ListedDisplay>>(listing)) {
            ids_ << QString::fromStdString(formatDisplayId(display.id));
            formerIds_ << QString::fromStdString(formatDisplayId(display.formerId));
            names << QString::fromStdString(display.name);
        }
        return names;
    }
    // Puts `screen` on `bus`, behind a connector that sysfs shows connected, with its EDID.
    void plugIn(int bus, FakeScreen& screen, const QString& connector = {}) {
        machine_.screens[bus] = &screen;
        makeConnector(sys_, connector.isEmpty() ? connectorOn(bus) : connector, bus, "connected",
                      bytesOf(screen.edid));
    }
    void unplug(int bus) {
        machine_.screens.erase(bus);
        makeConnector(sys_, connectorOn(bus), bus, "disconnected");
    }
    static QString connectorOn(int bus) { return "card0-DP-" + QString::number(bus); }
    int detections() const { return machine_.detections; }
    static DisplayRecord recordOf(int bus, const FakeScreen& screen) {
        return {.bus = bus,
                .edidHash = edidHash(screen.edid),
                .monitorHash = monitorHash(monitorIdentity(screen.edid)),
                .name = edidName(screen.edid)};
    }
    void remember(int bus, const FakeScreen& screen) {
        memory_->remember({.displays = {recordOf(bus, screen)}});
    }
    // The buses whose screens were sent anything.
    QList<int> spokenTo() const {
        QList<int> buses;
        for (const auto& [bus, screen] : machine_.screens)
            if (!screen->received.empty())
                buses << bus;
        return buses;
    }

private slots:
    void init() {
        QVERIFY(runtime_.isValid());
        QFile::remove(runtime_.filePath("velmar-monitor-display"));
        sys_ = runtime_.filePath("sys");
        QVERIFY(QDir(sys_).removeRecursively());
        memory_.emplace(QFile::encodeName(runtime_.path()).constData(), runtime_.path().toStdString(),
                        ::geteuid());
        machine_ = FakeMachine();
        machine_.clock = &clock_;
        clock_ = VirtualClock();
        monitor_ = FakeScreen();
        monitor_.edid = edidOf(1, "Velmar S27");
        other_ = FakeScreen();
        other_.edid = edidOf(2, "Velmar S24");
        other_.values[luminance] = 24;
        third_ = FakeScreen();
        third_.edid = edidOf(3);
        third_.values[luminance] = 30;
        plugIn(5, monitor_);
    }

    // Whatever a test did, the helper spoke on a bus only while it held the bus's lock.
    void cleanup() {
        for (const auto* screen : {&monitor_, &other_, &third_})
            QCOMPARE(screen->unlockedIo, 0);
    }

    // The first run detects and remembers; the next goes straight to the remembered display. The
    // display answering that it lacks a feature is an answer, not a sign of a stale memory.
    void detectsOnceThenKeepsToTheRememberedDisplay() {
        QCOMPARE(describe(get(Attribute::luminance)), "70");
        QCOMPARE(describe(set(Attribute::volume, 45)), "set");
        QCOMPARE(detections(), 1);
        monitor_.values.erase(volume);
        monitor_.received.clear();
        QCOMPARE(describe(get(Attribute::volume)),
                 "Cannot read volume: The display does not support this feature");
        QCOMPARE(monitor_.received.size(), std::size_t(1));
        QCOMPARE(detections(), 1);
        QCOMPARE(memory_->recall(), (RememberedDisplays{{recordOf(5, monitor_)}}));
    }

    // What each attribute reads and writes, and from which address: the vendor input register only
    // obeys 0x50.
    void speaksForEachAttribute_data() {
        QTest::addColumn<Attribute>("attribute");
        QTest::addColumn<QString>("read");
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("source");
        // The high byte holds flags on some displays; the input code is the low byte.
        QTest::newRow("input") << Attribute::input << "17" << 0x12 << 0x51;
        QTest::newRow("input-alt") << Attribute::inputAlt << "144" << 0x91 << 0x50;
    }
    void speaksForEachAttribute() {
        QFETCH(Attribute, attribute);
        QFETCH(int, written);
        remember(5, monitor_);
        QTEST(describe(get(attribute)), "read");
        QCOMPARE(describe(set(attribute, written)), "set");
        QCOMPARE(monitor_.values[vcpCode(attribute)], written);
        for (const auto& message : monitor_.received) {
            QTEST(int(message[0]), "source");
            QCOMPARE(message[3], vcpCode(attribute));
        }
        QCOMPARE(monitor_.received.size(), std::size_t(2));
        QCOMPARE(detections(), 0);
    }

    // A remembered display that is not there, or not ours, or not answering costs one detection in
    // the same run, and the record is put right; another display's bus, or a bus that is no longer
    // an external display's, is not even opened.
    void fallsBackToDetectionWhenTheMemoryIsStale_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<int>("recordedBus"); // -1: no record left
        // clang-format off
        QTest::newRow("another monitor on the bus") << "other on 5" << "set" << 3;
        QTest::newRow("bus now the laptop panel's") << "panel on 5" << "set" << 3;
        QTest::newRow("bus now no connector's") << "no connector on 5" << "set" << 3;
        QTest::newRow("EDID unreadable") << "no EDID" << "set" << 5;
        QTest::newRow("not answering, then found") << "waking up" << "set" << 5;
        QTest::newRow("not answering, nothing found") << "DDC/CI off" << noDisplay << -1;
        QTest::newRow("permission denied") << "5 forbidden" << "No permission to use /dev/i2c-5" << -1;
        // clang-format on
    }
    void fallsBackToDetectionWhenTheMemoryIsStale() {
        QFETCH(QString, change);
        QFETCH(int, recordedBus);
        remember(5, monitor_);
        if (recordedBus == 3) { // the monitor moved to bus 3
            plugIn(3, monitor_);
        }
        if (change == "other on 5") {
            plugIn(5, other_);
        } else if (change == "panel on 5") {
            // The panel answers DDC/CI too, as some do.
            unplug(5);
            plugIn(5, other_, "card0-eDP-1");
        } else if (change == "no connector on 5") {
            QVERIFY(QDir(sys_ + "/class/drm/" + connectorOn(5)).removeRecursively());
            machine_.screens[5] = &other_;
        } else if (change == "no EDID") {
            makeConnector(sys_, connectorOn(5), 5, "connected"); // the kernel keeps none either
            monitor_.edidReadable = false;
        } else if (change == "waking up") {
            monitor_.refusals = RawDdcChannel::maxAttempts;
        } else if (change == "DDC/CI off") {
            monitor_.answers = false;
        } else if (change == "5 forbidden") {
            machine_.forbidden.insert(5);
        }

        const auto outcome = set(Attribute::luminance, 40);
        // What to do about a refusal, after its colon, is checked in saysWhyNothingWasFound.
        QTEST(describe(outcome).section(": ", 0, 0), "outcome");
        QCOMPARE(detections(), 1);
        QCOMPARE(memory_->recall().value_or(RememberedDisplays{{{}}}).displays.front().bus, recordedBus);
        QCOMPARE(other_.opens, 0);
        // Well inside the 10 s the app gives a helper, even with every try spent twice.
        QVERIFY(clock_.elapsed <= DirectDdcDisplays::rememberedBusBudget + RawDdcChannel::defaultBudget);
        if (!outcome) {
            QCOMPARE(monitor_.values[luminance], 40);
            monitor_.edidReadable = true;
            QCOMPARE(describe(get(Attribute::luminance)), "40");
            QCOMPARE(detections(), 1);
        }
    }

    // A driver that names no bus on its connectors (NVIDIA's own): the remembered bus is trusted
    // as a graphics card's, and only as the adapter the display was found on, checked again once
    // the bus is ours; its EDID is read on the bus. A chipset bus is not even opened.
    void trustsAnUnnamedAdapterOnlyAsTheOneItWas_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("detections");
        QTest::newRow("nothing") << "" << 0;
        QTest::newRow("another adapter of the card") << "name" << 1;
        QTest::newRow("the same name on another card") << "card" << 1;
        QTest::newRow("a name that is not one line") << "garbled" << 1;
        QTest::newRow("another adapter while another program holds the bus") << "name while held" << 1;
        QTest::newRow("a chipset bus") << "chipset" << 1;
    }
    void trustsAnUnnamedAdapterOnlyAsTheOneItWas() {
        QFETCH(QString, change);
        const QByteArray name = "NVIDIA i2c adapter 1 at 1:00.0\n",
                         otherName = "NVIDIA i2c adapter 3 at 1:00.0\n";
        QVERIFY(QDir(sys_ + "/class/drm/" + connectorOn(5)).removeRecursively());
        makeAdapter(sys_, 5, "0000:01:00.0", "0x030000", name);
        QCOMPARE(describe(get(Attribute::luminance)), "70");
        QCOMPARE(detections(), 1);

        if (change == "name") {
            makeAdapter(sys_, 5, "0000:01:00.0", "0x030000", otherName);
        } else if (change == "card") {
            makeAdapter(sys_, 5, "0000:02:00.0", "0x030000", name);
        } else if (change == "garbled") {
            makeAdapter(sys_, 5, "0000:01:00.0", "0x030000", name.chopped(1));
        } else if (change == "name while held") {
            // Sysfs agrees when the bus is opened; the adapter changes while we wait for it.
            machine_.heldElsewhereUntil[5] = clock_.now() + std::chrono::milliseconds(100);
            clock_.afterSleep = [&] { makeAdapter(sys_, 5, "0000:01:00.0", "0x030000", otherName); };
        } else if (change == "chipset") {
            QVERIFY(QDir(sys_ + "/devices").removeRecursively() && QDir(sys_ + "/bus").removeRecursively());
            makeAdapter(sys_, 5, "0000:00:1f.4", "0x0c0500", name);
        }
        const int opened = monitor_.opens;
        monitor_.received.clear();
        QCOMPARE(describe(get(Attribute::luminance)), "70");
        QTEST(detections() - 1, "detections");
        // On a stale memory the only message is the detected display's own.
        QCOMPARE(monitor_.received.size(), std::size_t(1));
        if (change == "chipset")
            QCOMPARE(monitor_.opens, opened + 1); // the detection's own open, nothing before it
    }

    // The kernel's copy of the EDID names the monitor without a read on the bus; a copy too short to
    // hold the base block, or none, leaves the bus read to do it.
    void takesTheMonitorsIdentityFromTheKernel_data() {
        QTest::addColumn<QByteArray>("kernelEdid");
        QTest::addColumn<int>("busReads");
        const auto base = bytesOf(monitor_.edid);
        QTest::newRow("base block") << base << 0;
        QTest::newRow("with an extension block") << base + QByteArray(128, '\x02') << 0;
        QTest::newRow("cut short") << base.left(100) << 1;
    }
    void takesTheMonitorsIdentityFromTheKernel() {
        QFETCH(QByteArray, kernelEdid);
        makeConnector(sys_, connectorOn(5), 5, "connected", kernelEdid);
        remember(5, monitor_);
        QCOMPARE(describe(get(Attribute::luminance)), "70");
        QTEST(monitor_.edidReads, "busReads");
        QCOMPARE(detections(), 0);
    }

    // Another DDC program using the bus: we wait for it to let go, and past a short wait say so
    // instead of mixing our messages with its own.
    void waitsForAnotherProgramOnTheBus_data() {
        QTest::addColumn<int>("heldMs");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("lets go soon") << 120 << "70";
        QTest::newRow("holds on") << 60000
                                  << "The display's bus is busy: another program is using /dev/i2c-5";
    }
    void waitsForAnotherProgramOnTheBus() {
        QFETCH(int, heldMs);
        const auto held = std::chrono::milliseconds(heldMs);
        remember(5, monitor_);
        machine_.heldElsewhereUntil[5] = VirtualClock::TimePoint() + held;
        QTEST(describe(get(Attribute::luminance)), "outcome");
        QVERIFY(clock_.elapsed >= std::min<Clock::Duration>(held, DirectDdcDisplays::busLockPatience));
        if (held > DirectDdcDisplays::busLockPatience) {
            QVERIFY(clock_.elapsed <= DirectDdcDisplays::busLockPatience);
            QVERIFY(monitor_.received.empty());
        }
        QCOMPARE(detections(), 0);
        QCOMPARE(memory_->recall(), (RememberedDisplays{{recordOf(5, monitor_)}}));
    }

    // A bus another program holds is busy, not stale: a listing still names its monitor, by the id
    // and name remembered for it, so that the app keeps it, and a command for it says it is busy;
    // the memory stays, so once the bus is free nothing needs detecting. Only while sysfs shows the
    // monitor on that bus: one unplugged meanwhile, during the wait for the bus too, is detected.
    void listsAMonitorWhoseBusIsHeld_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("detections");
        QTest::newRow("held") << "" << QStringList{"Velmar S24", "Velmar S27"} << 0;
        QTest::newRow("unplugged") << "unplugged" << QStringList{"Velmar S27"} << 1;
        QTest::newRow("unplugged during the wait") << "unplugged later" << QStringList{"Velmar S27"} << 1;
    }
    void listsAMonitorWhoseBusIsHeld() {
        QFETCH(QString, change);
        plugIn(3, other_);
        makeConnector(sys_, connectorOn(3), 3, "connected"); // no kernel copy: its EDID is read on the bus
        const QStringList names{"Velmar S24", "Velmar S27"};
        QCOMPARE(list(), names);
        const auto ids = ids_;
        const auto remembered = memory_->recall();
        other_.received.clear();
        machine_.heldElsewhereUntil[3] = clock_.now() + std::chrono::hours(1);
        if (change == "unplugged") {
            unplug(3);
        } else if (change == "unplugged later") {
            clock_.afterSleep = [&] { unplug(3); };
        }
        QTEST(list(), "names");
        QTEST(detections() - 1, "detections");
        QVERIFY(other_.received.empty());
        if (!change.isEmpty())
            return;
        QCOMPARE(ids_, ids);
        QCOMPARE(memory_->recall(), remembered);
        QCOMPARE(describe(get(Attribute::luminance, ids[0].toStdString())),
                 "The display's bus is busy: another program is using /dev/i2c-3");

        machine_.heldElsewhereUntil[3] = {};
        QCOMPARE(list(), names);
        QCOMPARE(ids_, ids);
        QCOMPARE(describe(get(Attribute::luminance, ids[0].toStdString())), "24");
        QCOMPARE(detections(), 1);
    }

    // A file from before names were kept is read as it was: a listing that reads the monitors puts
    // their names in, so that one whose bus is held later is still listed. Held before that, it has
    // no name to be listed by, and is left out as it used to be.
    void namesTheMonitorsOfAFileFromBeforeNamesWereKept() {
        plugIn(3, other_);
        makeConnector(sys_, connectorOn(3), 3, "connected");
        const QStringList names{"Velmar S24", "Velmar S27"};
        QCOMPARE(list(), names);
        auto unnamed = memory_->recall().value_or(RememberedDisplays{});
        for (auto& record : unnamed.displays)
            record.name.reset();
        memory_->remember(unnamed);

        machine_.heldElsewhereUntil[3] = clock_.now() + std::chrono::hours(1);
        QCOMPARE(list(), QStringList{"Velmar S27"});
        machine_.heldElsewhereUntil[3] = {};
        QCOMPARE(list(), names);
        const auto ids = ids_;
        machine_.heldElsewhereUntil[3] = clock_.now() + std::chrono::hours(1);
        QCOMPARE(list(), names);
        QCOMPARE(ids_, ids);
        QCOMPARE(detections(), 1);
    }

    // Detection cannot see a display on a bus we may not open: say so, and what to do.
    void saysWhyNothingWasFound() {
        unplug(5);
        machine_.forbiddenInSysfs = "/dev/i2c-4";
        const auto denied = describe(get(Attribute::luminance));
        QVERIFY2(denied.startsWith("No permission to use /dev/i2c-4: "), qPrintable(denied));
        // The ddcutil package's rule opens the displays' buses alone, the i2c group every bus.
        QVERIFY2(denied.indexOf("ddcutil") > 0 && denied.indexOf("ddcutil") < denied.indexOf("i2c group"),
                 qPrintable(denied));
        QVERIFY(!denied.contains('\n'));
        // A listing says so too, and is empty only when there is nothing to see.
        QVERIFY(list().value(0).startsWith("No permission to use /dev/i2c-4: "));
        machine_.forbiddenInSysfs.reset();
        QCOMPARE(list(), QStringList());

        machine_.failure = Failure{"Cannot load libddcutil: libddcutil.so.4: cannot open shared object file"};
        remember(5, monitor_);
        QCOMPARE(describe(get(Attribute::luminance)), QString::fromStdString(machine_.failure->reason));
        QCOMPARE(memory_->recall(), std::nullopt);
    }

    // The remembered default comes first, then the others by bus; a monitor without a name in its
    // EDID is called by its maker and product. Once remembered, neither a listing nor a command
    // needs a detection.
    void listsEveryDisplayTheDefaultFirst() {
        plugIn(3, other_);
        plugIn(8, third_);
        remember(5, monitor_); // from before the others were plugged in
        const QStringList names{"Velmar S27", "Velmar S24", "VLM 300"};
        QCOMPARE(list(), names);
        QCOMPARE(detections(), 1);
        const auto ids = ids_;
        QCOMPARE(QSet<QString>(ids.begin(), ids.end()).size(), 3);

        QCOMPARE(list(), names);
        QCOMPARE(ids_, ids);
        QCOMPARE(describe(get(Attribute::luminance)), "70");
        QCOMPARE(detections(), 1);
        QCOMPARE(spokenTo(), QList<int>{5});
    }

    // A warm listing reads sysfs alone while it agrees with the memory: every remembered display
    // still on its bus with its EDID, and no connected display the memory does not know. Anything
    // else costs one detection, whose finding is remembered.
    void listsFromMemoryWhileSysfsAgrees_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("detections");
        const QStringList both{"Velmar S27", "Velmar S24"};
        QTest::newRow("nothing") << "" << both << 0;
        QTest::newRow("a display plugged in") << "third on 8" << both + QStringList{"VLM 300"} << 1;
        // Not listed, and remembered as not answering so it does not look new next time.
        QTest::newRow("a display without DDC/CI") << "silent third on 8" << both << 1;
        QTest::newRow("a display moved to another port") << "other to 7" << both << 1;
        QTest::newRow("a display unplugged") << "3 disconnected" << QStringList{"Velmar S27"} << 1;
        // The driver keeps no EDID, so it is read on the bus, which no longer answers.
        QTest::newRow("a display's bus stops answering") << "3 silent" << QStringList{"Velmar S27"} << 1;
    }
    void listsFromMemoryWhileSysfsAgrees() {
        QFETCH(QString, change);
        plugIn(3, other_);
        remember(5, monitor_);
        QVERIFY(list().size() == 2 && detections() == 1);
        if (change.endsWith("third on 8")) {
            third_.answers = !change.startsWith("silent");
            plugIn(8, third_);
        } else if (change == "other to 7") {
            unplug(3);
            plugIn(7, other_);
        } else if (change == "3 disconnected") {
            unplug(3);
        } else if (change == "3 silent") {
            makeConnector(sys_, connectorOn(3), 3, "connected");
            other_.edidReadable = other_.answers = false;
        }
        QTEST(list(), "names");
        QTEST(detections() - 1, "detections");
        const int detected = detections();
        QTEST(list(), "names");
        QCOMPARE(detections(), detected);
    }

    // An id stays with its monitor across ports and restarts; two monitors with identical EDIDs
    // still get an id each.
    void keepsEachDisplaysId_data() {
        QTest::addColumn<bool>("identical");
        QTest::addColumn<QString>("change");
        for (const bool identical : {false, true})
            for (const char* change : {"port change", "restart"})
                QTest::addRow("%s%s", identical ? "identical EDIDs, " : "", change)
                    << identical << QString(change);
    }
    void keepsEachDisplaysId() {
        QFETCH(bool, identical);
        QFETCH(QString, change);
        if (identical)
            other_.edid = monitor_.edid;
        plugIn(3, other_);
        // The ids with the names, whatever the order.
        const auto listed = [this] {
            QStringList lines = list();
            for (int i = 0; i < lines.size(); ++i)
                lines[i] = ids_.value(i) + " " + lines[i];
            lines.sort();
            return lines;
        };
        const auto before = listed();
        QCOMPARE(QSet<QString>(ids_.begin(), ids_.end()).size(), 2);
        if (change == "port change") {
            unplug(5);
            plugIn(7, monitor_);
        } else {
            memory_->forget();
        }
        QCOMPARE(listed(), before);
        QCOMPARE(detections(), 2);
    }

    // An id is made from what names the monitor: a mode that rewrites the timings, the range
    // limits and the checksum (as adaptive sync does) leaves it, anything that tells another
    // monitor changes it. The memory checks the whole EDID, so a changed one is detected again.
    void namesAMonitorByWhatNamesIt_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("sameId");
        QTest::newRow("another mode") << 54 << QByteArray("\x01\x1d\x00\x72\x51\xd0\x1e\x20") << true;
        QTest::newRow("other range limits") << 113 << QByteArray("\x90\xf0") << true;
        QTest::newRow("week and year") << 16 << QByteArray("\x05\x21") << true;
        QTest::newRow("padding after the name") << 88 << QByteArray(2, '\0') << true;
        QTest::newRow("maker") << 8 << QByteArray("\x10\xac") << false;
        QTest::newRow("product") << 11 << QByteArray("\x02") << false;
        QTest::newRow("serial number") << 15 << QByteArray("\x01") << false;
        QTest::newRow("serial text") << 99 << QByteArray("2") << false;
        QTest::newRow("name") << 83 << QByteArray("S") << false;
    }
    void namesAMonitorByWhatNamesIt() {
        QFETCH(int, offset);
        QFETCH(QByteArray, bytes);
        monitor_.edid = edidWithAMode();
        plugIn(5, monitor_);
        QCOMPARE(list().size(), 1);
        const auto before = ids_;
        std::copy(bytes.begin(), bytes.end(), monitor_.edid.begin() + offset);
        monitor_.edid[127] ^= 0x5a;
        plugIn(5, monitor_);
        QCOMPARE(list().size(), 1);
        QTEST(ids_ == before, "sameId");
        // What earlier helpers printed for it as it is now, which the app moves its settings from.
        QCOMPARE(formerIds_, QStringList{formerId(bytesOf(monitor_.edid))});
        QCOMPARE(detections(), 2);
    }

    // Monitors alike in all that names them are told apart by place, today as by earlier helpers,
    // whose ids the listing gives too: identical EDIDs had the ordinal mixed in then, EDIDs that
    // differ in a mode alone did not.
    void tellsLikeMonitorsApartByPlace_data() {
        QTest::addColumn<bool>("identical");
        QTest::newRow("identical EDIDs") << true;
        QTest::newRow("one in another mode") << false;
    }
    void tellsLikeMonitorsApartByPlace() {
        QFETCH(bool, identical);
        monitor_.edid = other_.edid = edidWithAMode();
        other_.edid[56] ^= 0x20;
        if (identical)
            other_.edid = monitor_.edid;
        plugIn(5, monitor_);
        plugIn(3, other_);
        QCOMPARE(list().size(), 2);
        QVERIFY(ids_[0] != ids_[1]);
        QCOMPARE(formerIds_, (QStringList{formerId(bytesOf(other_.edid)),
                                          formerId(bytesOf(monitor_.edid), identical ? 1 : 0)}));
        // The lower place keeps the id it would have alone.
        const auto first = ids_[0];
        unplug(5);
        QCOMPARE(list().size(), 1);
        QCOMPARE(ids_, QStringList{first});
    }

    // A file an earlier helper wrote names no monitor by today's ids: it costs one detection, which
    // keeps the default it remembered, and is replaced by today's.
    void keepsTheDefaultAnEarlierHelperRemembered() {
        plugIn(3, other_);
        memory_->remember({.displays = {{5, edidHash(monitor_.edid)}, {3, edidHash(other_.edid)}}});
        const QStringList names{"Velmar S27", "Velmar S24"};
        QCOMPARE(list(), names);
        QCOMPARE(list(), names);
        QCOMPARE(describe(get(Attribute::luminance)), "70");
        QCOMPARE(detections(), 1);
    }

    // `display <id-or-n>` reaches that display alone, from the memory when it holds; an id or a
    // position no display has is looked for once, then refused.
    void sendsACommandToTheDisplayNamed_data() {
        QTest::addColumn<QString>("target"); // "#n": the id listed at n
        QTest::addColumn<bool>("warm");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QList<int>>("spokenTo");
        QTest::addColumn<int>("detections");
        QTest::newRow("id, warm") << "#1" << true << "24" << QList<int>{3} << 0;
        QTest::newRow("id, cold") << "#2" << false << "30" << QList<int>{8} << 1;
        QTest::newRow("position") << "3" << true << "30" << QList<int>{8} << 0;
        QTest::newRow("the default by position") << "1" << true << "70" << QList<int>{5} << 0;
        // clang-format off
        QTest::newRow("position beyond the list") << "4" << true << "No display with id 4" << QList<int>{} << 1;
        QTest::newRow("unknown id") << "0123456789abcdef" << true << "No display with id 0123456789abcdef" << QList<int>{} << 1;
        // clang-format on
    }
    void sendsACommandToTheDisplayNamed() {
        QFETCH(QString, target);
        QFETCH(bool, warm);
        plugIn(3, other_);
        plugIn(8, third_);
        remember(5, monitor_);
        QCOMPARE(list().size(), 3);
        if (target.startsWith('#'))
            target = ids_.value(target.mid(1).toInt());
        if (!warm)
            memory_->forget();
        const int before = detections();
        QTEST(describe(get(Attribute::luminance, target.toStdString())), "outcome");
        QTEST(spokenTo(), "spokenTo");
        QTEST(detections() - before, "detections");
    }
};

QTEST_GUILESS_MAIN(TestDirectDdcDisplays)
#include "tst_directddcdisplays.moc"
