#include "Capabilities.h"
#include "SimulatedMonitor.h"
#include "TestFiles.h"
#include "VirtualClock.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <tuple>

using namespace m1ddc;

namespace {

SimulatedState parsedOrFail(std::string_view text) {
    auto parsed = parseSimulatedState(text);
    if (auto* failure = std::get_if<Failure>(&parsed)) {
        qWarning("unexpected failure: %s", failure->reason.c_str());
        return {};
    }
    return std::get<SimulatedState>(parsed);
}

} // namespace

class TestSimulatedMonitor : public QObject {
    Q_OBJECT

private slots:
    void fillsInWhatTheFileLeavesOut() {
        QCOMPARE(parsedOrFail("{}"), SimulatedState::defaults());
        const auto state = parsedOrFail("{\"volume\":5,\"luminance\":20}");
        QCOMPARE(std::pair(state.value(Attribute::luminance), state.value(Attribute::contrast)),
                 std::pair(20, 70));

        // One input code brings the other along.
        QCOMPARE(parsedOrFail("{ \"input-alt\" : 210 }").value(Attribute::input), 27);
        QCOMPARE(parsedOrFail("{\n  \"input\": 16\n}\n").value(Attribute::inputAlt), 208);

        // A name and a serial the file gives are kept, and written back.
        const auto named = parsedOrFail("{\"serial\": 7, \"name\": \"Other Brand 24\", \"volume\": 5}");
        QCOMPARE(std::pair(named.name.value_or(""), named.serial.value_or(0)),
                 std::pair(std::string("Other Brand 24"), 7));
        QCOMPARE(parsedOrFail(formatSimulatedState(named)), named);
        // A Velmar monitor's file is what it always was: no make, no list of inputs.
        const auto written = formatSimulatedState(named);
        QVERIFY(written.find("make") == std::string::npos && written.find("inputs") == std::string::npos);
        QCOMPARE(parsedOrFail("{\"make\": \"velmar\"}"), SimulatedState::defaults());

        // Another make has the inputs its file lists, else DVI 1, DisplayPort 1 and HDMI 1, and is
        // on HDMI 1 when it has it, else on the first; its file says so, and keeps its input list.
        const auto other = parsedOrFail("{\"make\": \"other\", \"volume\": 5}");
        QCOMPARE(std::pair(other.inputs, other.value(Attribute::input)),
                 std::pair(std::vector{3, 15, 17}, 17));
        QCOMPARE(other.value(Attribute::volume), 5);
        const auto listed = parsedOrFail("{\"inputs\": [ 18,4 ,1 ], \"make\": \"other\"}");
        QCOMPARE(std::pair(listed.inputs, listed.value(Attribute::input)),
                 std::pair(std::vector{18, 4, 1}, 18));
        for (const auto& state : {other, listed})
            QCOMPARE(parsedOrFail(formatSimulatedState(state)), state);
    }

    void refusesBrokenState_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("not JSON") << QByteArray("luminance=70");
        QTest::newRow("cut off") << QByteArray("{\"luminance\": 70, \"contr");
        QTest::newRow("fraction") << QByteArray("{\"luminance\": 70.5}");
        QTest::newRow("text after the object") << QByteArray("{\"luminance\": 70} x");
        QTest::newRow("unknown key") << QByteArray("{\"brightness\": 70}");
        QTest::newRow("key twice") << QByteArray("{\"red\": 1, \"red\": 2}");
        QTest::newRow("above 100") << QByteArray("{\"contrast\": 101}");
        QTest::newRow("negative") << QByteArray("{\"green\": -1}");
        QTest::newRow("unknown vendor input") << QByteArray("{\"input-alt\": 99}");
        QTest::newRow("unknown standard input") << QByteArray("{\"input\": 3}");
        QTest::newRow("inputs disagree") << QByteArray("{\"input-alt\": 208, \"input\": 17}");
        QTest::newRow("name not a string") << QByteArray("{\"name\": 27}");
        QTest::newRow("empty name") << QByteArray("{\"name\": \"\"}");
        QTest::newRow("name of two lines") << QByteArray("{\"name\": \"Studio\t27\"}");
        QTest::newRow("serial not a number") << QByteArray("{\"serial\": \"7\"}");
        QTest::newRow("value not a number") << QByteArray("{\"luminance\": \"70\"}");
        // clang-format off
        QTest::newRow("unknown make") << QByteArray("{\"make\": \"dell\"}");
        QTest::newRow("make not a word") << QByteArray("{\"make\": 1}");
        QTest::newRow("make twice") << QByteArray("{\"make\": \"other\", \"make\": \"other\"}");
        QTest::newRow("inputs of a Velmar monitor") << QByteArray("{\"inputs\": [15, 17]}");
        QTest::newRow("inputs not a list") << QByteArray("{\"make\": \"other\", \"inputs\": 17}");
        QTest::newRow("no inputs") << QByteArray("{\"make\": \"other\", \"inputs\": []}");
        QTest::newRow("input code 0 among inputs") << QByteArray("{\"make\": \"other\", \"inputs\": [0, 17]}");
        QTest::newRow("input code 28 among inputs") << QByteArray("{\"make\": \"other\", \"inputs\": [17, 28]}");
        QTest::newRow("an input twice") << QByteArray("{\"make\": \"other\", \"inputs\": [17, 3, 17]}");
        QTest::newRow("inputs of text") << QByteArray("{\"make\": \"other\", \"inputs\": [\"17\"]}");
        QTest::newRow("inputs cut off") << QByteArray("{\"make\": \"other\", \"inputs\": [3, 17}");
        QTest::newRow("inputs with a comma too many") << QByteArray("{\"make\": \"other\", \"inputs\": [3, 17,]}");
        QTest::newRow("inputs twice") << QByteArray("{\"make\": \"other\", \"inputs\": [3], \"inputs\": [3]}");
        QTest::newRow("input not among inputs") << QByteArray("{\"make\": \"other\", \"inputs\": [3, 15], \"input\": 17}");
        QTest::newRow("vendor input of another make") << QByteArray("{\"input-alt\": 144, \"make\": \"other\"}");
        // clang-format on
    }
    void refusesBrokenState() {
        QFETCH(QByteArray, text);
        const auto parsed = parseSimulatedState(std::string_view(text.constData(), text.size()));
        QVERIFY(std::holds_alternative<Failure>(parsed) && !std::get<Failure>(parsed).reason.empty());
    }

    // Switching changes both codes. Selecting the input already shown changes nothing, so
    // DisplayPort's second port (16) stays; switched to afresh, DisplayPort reports its first. A
    // switch through the standard feature reports the port written.
    void takesWritesAsAMonitorWould() {
        auto state = parsedOrFail("{\"input-alt\": 208, \"input\": 16}");
        const std::tuple<Attribute, int, int, int> steps[] = {{Attribute::inputAlt, 208, 16, 208},
                                                              {Attribute::inputAlt, 145, 18, 145},
                                                              {Attribute::inputAlt, 208, 15, 208},
                                                              {Attribute::input, 16, 16, 208},
                                                              {Attribute::input, 27, 27, 210}};
        for (const auto& [attribute, written, input, inputAlt] : steps) {
            QVERIFY(!applyWrite(state, attribute, written));
            QCOMPARE(std::pair(state.value(Attribute::input), state.value(Attribute::inputAlt)),
                     std::pair(input, inputAlt));
        }

        // What a monitor would refuse changes nothing.
        state = SimulatedState::defaults();
        QVERIFY(applyWrite(state, Attribute::inputAlt, 17)); // a standard code is not a vendor code
        QVERIFY(applyWrite(state, Attribute::luminance, 101));
        QVERIFY(applyWrite(state, Attribute::volume, -1));
        QVERIFY(applyWrite(state, Attribute::input, 0x91)); // nor the other way round
        QCOMPARE(state, SimulatedState::defaults());
        QVERIFY(!applyWrite(state, Attribute::green, 100));
        QCOMPARE(state.value(Attribute::green), 100);
    }

    // Another make has no vendor input register: reading or setting it fails as on a real monitor
    // without it. It switches through the standard feature to any input it has, one the app has
    // no name for too, and its capabilities list those inputs and no vendor register.
    void anotherMakeSwitchesAmongItsOwnInputs() {
        auto state = parsedOrFail("{\"make\": \"other\", \"inputs\": [3, 15, 17, 20]}");
        const auto before = state;
        const auto readAlt = applyRead(state, Attribute::inputAlt);
        QCOMPARE(std::get_if<Failure>(&readAlt) ? std::get<Failure>(readAlt).reason : "read",
                 "Cannot read input-alt: The display does not support this feature");
        const auto setAlt = applyWrite(state, Attribute::inputAlt, 0x90);
        QCOMPARE(setAlt.value_or(Failure{"set"}).reason,
                 "Cannot set input-alt: The display does not support this feature");
        QVERIFY(applyWrite(state, Attribute::input, 18)); // not one of its inputs
        QCOMPARE(state, before);
        for (const int input : {3, 20, 15}) {
            QVERIFY(!applyWrite(state, Attribute::input, input));
            QCOMPARE(std::get<int>(applyRead(state, Attribute::input)), input);
        }

        const auto capabilities = simulatedCapabilities(state);
        QCOMPARE(inputSourceCodes(capabilities), std::optional(std::vector{3, 15, 17, 20}));
        QVERIFY2(capabilities.find("F4") == std::string::npos, capabilities.c_str());
        QVERIFY(simulatedCapabilities(SimulatedState::defaults()).find(" F4)") != std::string::npos);
    }

    void keepsStateInTheFile() {
        QTemporaryDir dir;
        const auto path = dir.filePath("monitor.json");
        makeFile(path, " \n");

        // A blank file is a fresh monitor, and reading alone fills it in so a person can edit it.
        SimulatedMonitor first(path.toStdString());
        QCOMPARE(std::get<int>(first.read(Attribute::luminance)), 70);
        QCOMPARE(fileBytes(path).toStdString(), formatSimulatedState(SimulatedState::defaults()));

        QVERIFY(!first.write(Attribute::contrast, 33));
        QCOMPARE(std::get<int>(SimulatedMonitor(path.toStdString()).read(Attribute::contrast)), 33);

        // Writes are logged only once someone has put a log beside the state.
        QVERIFY(!QFile::exists(path + ".log"));
        makeFile(path + ".log", "");
        QVERIFY(!first.write(Attribute::luminance, 40));
        QVERIFY(first.write(Attribute::luminance, 140)); // refused: not logged
        QVERIFY(!first.write(Attribute::inputAlt, 145));
        QCOMPARE(fileBytes(path + ".log"), QByteArray("set luminance 40\nset input-alt 145\n"));
    }

    void reportsAFileItCannotUse_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("linkedFrom"); // the name the monitor is given instead, if any
        // clang-format off
        QTest::newRow("corrupt") << "monitor.json" << QByteArray("{\"luminance\": 70, \"contrast\":") << QString();
        QTest::newRow("missing folder") << "missing/monitor.json" << QByteArray() << QString();
        // Blank, so it would read as a fresh monitor if it were read whole.
        QTest::newRow("too large") << "monitor.json" << QByteArray(64 * 1024, ' ') << QString();
        QTest::newRow("behind a link") << "elsewhere.json" << QByteArray("{}") << "monitor.json";
        // clang-format on
    }
    void reportsAFileItCannotUse() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, linkedFrom);
        QTemporaryDir dir;
        auto path = dir.filePath(name);
        if (!content.isNull())
            makeFile(path, content);
        if (!linkedFrom.isEmpty()) {
            path = dir.filePath(linkedFrom);
            QVERIFY(QFile::link(name, path));
        }

        SimulatedMonitor monitor(path.toStdString());
        const auto read = monitor.read(Attribute::luminance);
        const auto* failure = std::get_if<Failure>(&read);
        QVERIFY(failure && QString::fromStdString(failure->reason).contains(path));
        QVERIFY(monitor.write(Attribute::luminance, 10).has_value());
        // A hand edit gone wrong is reported, not thrown away.
        QCOMPARE(fileBytes(path), content);
    }

    // Another run keeping the state: we wait for it to let go, and past our patience say so instead
    // of hanging until the app gives up on us.
    void waitsForTheLockWithinItsPatience_data() {
        QTest::addColumn<int>("heldMs");
        QTest::newRow("lets go soon") << 100;
        QTest::newRow("holds on") << 60000;
    }
    void waitsForTheLockWithinItsPatience() {
        QFETCH(int, heldMs);
        const auto held = std::chrono::milliseconds(heldMs);
        QTemporaryDir dir;
        const auto path = dir.filePath("monitor.json");
        int holder =
            ::open(QFile::encodeName(path + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        QVERIFY(holder >= 0 && ::flock(holder, LOCK_EX) == 0);
        VirtualClock clock;
        clock.afterSleep = [&] {
            if (clock.elapsed >= held && holder >= 0) {
                ::close(holder);
                holder = -1;
            }
        };

        const auto outcome = SimulatedMonitor(path.toStdString(), clock).write(Attribute::luminance, 40);
        if (held < SimulatedMonitor::lockPatience) {
            QVERIFY(!outcome);
            QVERIFY(clock.elapsed >= held);
            QVERIFY(fileBytes(path).contains("\"luminance\": 40"));
        } else {
            QVERIFY(outcome);
            QVERIFY2(outcome->reason.ends_with(" is in use by another program"), outcome->reason.c_str());
            QVERIFY(clock.elapsed <= SimulatedMonitor::lockPatience);
            QVERIFY(!QFile::exists(path));
            ::close(holder);
        }
    }
};

QTEST_GUILESS_MAIN(TestSimulatedMonitor)
#include "tst_simulatedmonitor.moc"
