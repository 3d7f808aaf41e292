#include "SimulatedMonitor.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

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

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestSimulatedMonitor : public QObject {
    Q_OBJECT

private slots:
    void formatsReadableJson() {
        auto state = SimulatedState::defaults();
        const auto document = QJsonDocument::fromJson(QByteArray::fromStdString(formatSimulatedState(state)));
        QVERIFY(document.isObject());
        const QJsonObject expected{{"luminance", 70}, {"contrast", 70}, {"volume", 30},     {"red", 50},
                                   {"green", 50},     {"blue", 50},     {"input-alt", 144}, {"input", 17}};
        QCOMPARE(document.object(), expected);

        state.setValue(Attribute::luminance, 0);
        state.setValue(Attribute::blue, 100);
        state.setValue(Attribute::inputAlt, 210);
        state.setValue(Attribute::input, 27);
        QCOMPARE(parsedOrFail(formatSimulatedState(state)), state);
    }

    void fillsInWhatTheFileLeavesOut() {
        QCOMPARE(parsedOrFail(""), SimulatedState::defaults());
        QCOMPARE(parsedOrFail(" \n\t"), SimulatedState::defaults());
        QCOMPARE(parsedOrFail("{}"), SimulatedState::defaults());

        auto state = parsedOrFail("{\"volume\":5,\"luminance\":20}");
        QCOMPARE(state.value(Attribute::luminance), 20);
        QCOMPARE(state.value(Attribute::volume), 5);
        QCOMPARE(state.value(Attribute::contrast), 70);

        // One input code brings the other along.
        state = parsedOrFail("{ \"input-alt\" : 210 }");
        QCOMPARE(state.value(Attribute::input), 27);
        state = parsedOrFail("{\"input\": 18}");
        QCOMPARE(state.value(Attribute::inputAlt), 145);
        state = parsedOrFail("{\"input\": 16}");
        QCOMPARE(state.value(Attribute::inputAlt), 208);
        QCOMPARE(state.value(Attribute::input), 16);
        state = parsedOrFail("{\n  \"input-alt\": 208,\n  \"input\": 16\n}\n");
        QCOMPARE(state.value(Attribute::input), 16);
    }

    void refusesBrokenState_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("not JSON") << QByteArray("luminance=70");
        QTest::newRow("cut off") << QByteArray("{\"luminance\": 70, \"contr");
        QTest::newRow("no closing brace") << QByteArray("{\"luminance\": 70");
        QTest::newRow("array") << QByteArray("[70, 70]");
        QTest::newRow("string value") << QByteArray("{\"luminance\": \"70\"}");
        QTest::newRow("fraction") << QByteArray("{\"luminance\": 70.5}");
        QTest::newRow("exponent") << QByteArray("{\"luminance\": 7e1}");
        QTest::newRow("trailing comma") << QByteArray("{\"luminance\": 70,}");
        QTest::newRow("text after the object") << QByteArray("{\"luminance\": 70} x");
        QTest::newRow("escaped key") << QByteArray("{\"lumi\\nance\": 70}");
        QTest::newRow("unknown key") << QByteArray("{\"brightness\": 70}");
        QTest::newRow("key twice") << QByteArray("{\"red\": 1, \"red\": 2}");
        QTest::newRow("above 100") << QByteArray("{\"contrast\": 101}");
        QTest::newRow("negative") << QByteArray("{\"green\": -1}");
        QTest::newRow("unknown vendor input") << QByteArray("{\"input-alt\": 99}");
        QTest::newRow("unknown standard input") << QByteArray("{\"input\": 3}");
        QTest::newRow("inputs disagree") << QByteArray("{\"input-alt\": 208, \"input\": 17}");
        QTest::newRow("binary junk") << QByteArray("\x00\xff{", 3);
    }
    void refusesBrokenState() {
        QFETCH(QByteArray, text);
        const auto parsed = parseSimulatedState(std::string_view(text.constData(), text.size()));
        QVERIFY(std::holds_alternative<Failure>(parsed));
        QVERIFY(!std::get<Failure>(parsed).reason.empty());
    }

    void switchesInputsCoherently_data() {
        QTest::addColumn<int>("vendorCode");
        QTest::addColumn<int>("standardCode");
        QTest::newRow("HDMI 1") << 144 << 17;
        QTest::newRow("HDMI 2") << 145 << 18;
        QTest::newRow("DisplayPort") << 208 << 15;
        QTest::newRow("USB-C") << 210 << 27;
    }
    void switchesInputsCoherently() {
        QFETCH(int, vendorCode);
        QFETCH(int, standardCode);
        auto state = SimulatedState::defaults();
        const int elsewhere = vendorCode == 210 ? 144 : 210;
        QVERIFY(!applyWrite(state, Attribute::inputAlt, elsewhere));
        QVERIFY(!applyWrite(state, Attribute::inputAlt, vendorCode));
        QCOMPARE(state.value(Attribute::inputAlt), vendorCode);
        QCOMPARE(state.value(Attribute::input), standardCode);
    }

    void refusesWritesAMonitorWouldRefuse() {
        const auto original = SimulatedState::defaults();
        auto state = original;
        QVERIFY(applyWrite(state, Attribute::inputAlt, 99));
        QVERIFY(applyWrite(state, Attribute::inputAlt, 17)); // a standard code is not a vendor code
        QVERIFY(applyWrite(state, Attribute::luminance, 101));
        QVERIFY(applyWrite(state, Attribute::volume, -1));
        QVERIFY(applyWrite(state, Attribute::input, 18));
        QCOMPARE(state, original);

        QVERIFY(!applyWrite(state, Attribute::red, 0));
        QVERIFY(!applyWrite(state, Attribute::green, 100));
        QCOMPARE(state.value(Attribute::red), 0);
        QCOMPARE(state.value(Attribute::green), 100);
        QCOMPARE(state.value(Attribute::blue), 50);
    }

    void reselectingTheShownInputKeepsItsPort() {
        auto state = parsedOrFail("{\"input\": 16}");
        QVERIFY(!applyWrite(state, Attribute::inputAlt, 208));
        QCOMPARE(state.value(Attribute::input), 16);
    }

    void keepsStateInTheFile() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const auto path = dir.filePath("monitor.json");

        SimulatedMonitor first(path.toStdString());
        const auto luminance = first.read(Attribute::luminance);
        QVERIFY(std::holds_alternative<int>(luminance));
        QCOMPARE(std::get<int>(luminance), 70);
        // Reading alone creates the file, so a person can see and edit the monitor.
        QVERIFY(QJsonDocument::fromJson(readAll(path)).isObject());

        QVERIFY(!first.write(Attribute::contrast, 33));
        QVERIFY(!first.write(Attribute::inputAlt, 210));

        SimulatedMonitor second(path.toStdString());
        QCOMPARE(std::get<int>(second.read(Attribute::contrast)), 33);
        QCOMPARE(std::get<int>(second.read(Attribute::input)), 27);
        const auto saved = QJsonDocument::fromJson(readAll(path)).object();
        QCOMPARE(saved.value("contrast").toInt(), 33);
        QCOMPARE(saved.value("input-alt").toInt(), 210);
        QCOMPARE(saved.value("input").toInt(), 27);

        // A refused write leaves the file as it was.
        const auto before = readAll(path);
        QVERIFY(second.write(Attribute::inputAlt, 1));
        QCOMPARE(readAll(path), before);

        // Only the state and its lock remain: no temporary file is left behind.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"monitor.json", "monitor.json.lock"}));
    }

    void startsAfreshFromABlankFile() {
        QTemporaryDir dir;
        const auto path = dir.filePath("monitor.json");
        writeAll(path, "");
        SimulatedMonitor monitor(path.toStdString());
        QCOMPARE(std::get<int>(monitor.read(Attribute::volume)), 30);
        QCOMPARE(QJsonDocument::fromJson(readAll(path)).object().value("volume").toInt(), 30);
    }

    void reportsACorruptFileAndLeavesItAlone() {
        QTemporaryDir dir;
        const auto path = dir.filePath("monitor.json");
        const QByteArray corrupt = "{\"luminance\": 70, \"contrast\":";
        writeAll(path, corrupt);

        SimulatedMonitor monitor(path.toStdString());
        const auto read = monitor.read(Attribute::luminance);
        QVERIFY(std::holds_alternative<Failure>(read));
        QVERIFY(QString::fromStdString(std::get<Failure>(read).reason).contains(path));
        const auto written = monitor.write(Attribute::luminance, 10);
        QVERIFY(written.has_value());
        QCOMPARE(readAll(path), corrupt);
    }

    void reportsAPlaceItCannotWrite() {
        QTemporaryDir dir;
        const auto path = dir.filePath("missing/monitor.json");
        SimulatedMonitor monitor(path.toStdString());
        const auto read = monitor.read(Attribute::luminance);
        QVERIFY(std::holds_alternative<Failure>(read));
        QVERIFY(QString::fromStdString(std::get<Failure>(read).reason).contains("missing/monitor.json"));
        QVERIFY(monitor.write(Attribute::luminance, 10).has_value());
    }
};

QTEST_GUILESS_MAIN(TestSimulatedMonitor)
#include "tst_simulatedmonitor.moc"
