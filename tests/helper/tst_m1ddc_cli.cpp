// Runs the built helper the way the app does, against a simulated monitor in a temporary file.
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace {

struct Run {
    int exitCode = -1;
    bool crashed = true;
    QByteArray out;
    QByteArray err;
};

QProcessEnvironment environmentFor(const QString& stateFile) {
    auto environment = QProcessEnvironment::systemEnvironment();
    if (stateFile.isEmpty()) {
        environment.remove("VELMAR_SIMULATED_MONITOR");
    } else {
        environment.insert("VELMAR_SIMULATED_MONITOR", stateFile);
    }
    return environment;
}

std::unique_ptr<QProcess> start(const QString& stateFile, const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environmentFor(stateFile));
    process->start(M1DDC_PATH, arguments);
    return process;
}

Run finish(QProcess& process) {
    Run run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.crashed = process.exitStatus() != QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

Run m1ddc(const QString& stateFile, const QStringList& arguments) {
    return finish(*start(stateFile, arguments));
}

// The contract for a failure: a plain exit with a non-zero status and one line saying why.
void verifyOneLineFailure(const Run& run) {
    QVERIFY(!run.crashed);
    QVERIFY2(run.exitCode != 0, run.out.constData());
    QVERIFY(run.err.endsWith('\n'));
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY(run.err.trimmed().size() > 0);
}

QJsonObject stateIn(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QJsonDocument::fromJson(file.readAll()).object();
}

} // namespace

class TestM1ddcCli : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString state_;

private slots:
    // A fresh monitor for every test and data row.
    void init() {
        QVERIFY(dir_.isValid());
        QString name = QTest::currentTestFunction();
        if (QTest::currentDataTag()) {
            name += '-' + QString(QTest::currentDataTag()).replace(' ', '_');
        }
        state_ = dir_.filePath(name + ".json");
    }

    void readsPlausibleValuesFromAFreshMonitor() {
        const std::pair<const char*, const char*> expected[] = {
            {"luminance", "70\n"}, {"contrast", "70\n"}, {"volume", "30\n"},     {"red", "50\n"},
            {"green", "50\n"},     {"blue", "50\n"},     {"input-alt", "144\n"}, {"input", "17\n"},
        };
        for (const auto& [attribute, output] : expected) {
            const auto run = m1ddc(state_, {"get", attribute});
            QVERIFY(!run.crashed);
            QCOMPARE(run.exitCode, 0);
            QCOMPARE(run.out, QByteArray(output));
            QCOMPARE(run.err, QByteArray());
        }
        QCOMPARE(stateIn(state_).value("luminance").toInt(), 70);
    }

    void setsAndReadsBackEachValue() {
        const char* attributes[] = {"luminance", "contrast", "volume", "red", "green", "blue"};
        int value = 0;
        for (const char* attribute : attributes) {
            const auto text = QString::number(value);
            const auto set = m1ddc(state_, {"set", attribute, text});
            QCOMPARE(set.exitCode, 0);
            QCOMPARE(set.err, QByteArray());
            const auto get = m1ddc(state_, {"get", attribute});
            QCOMPARE(get.exitCode, 0);
            QCOMPARE(get.out, text.toUtf8() + '\n');
            value += 20; // 0, 20, ... 100: both ends of the range
        }
        // Each write touched only its own value.
        const auto saved = stateIn(state_);
        QCOMPARE(saved.value("luminance").toInt(), 0);
        QCOMPARE(saved.value("blue").toInt(), 100);
        QCOMPARE(saved.value("input-alt").toInt(), 144);
    }

    void switchesInputs_data() {
        QTest::addColumn<QString>("vendorCode");
        QTest::addColumn<QByteArray>("standardCode");
        QTest::newRow("HDMI 2") << "145" << QByteArray("18\n");
        QTest::newRow("DisplayPort") << "208" << QByteArray("15\n");
        QTest::newRow("USB-C") << "210" << QByteArray("27\n");
        QTest::newRow("HDMI 1") << "144" << QByteArray("17\n");
    }
    void switchesInputs() {
        QFETCH(QString, vendorCode);
        QFETCH(QByteArray, standardCode);
        // Start somewhere else, so the switch has to change both codes.
        QCOMPARE(m1ddc(state_, {"set", "input-alt", vendorCode == "210" ? "145" : "210"}).exitCode, 0);

        const auto set = m1ddc(state_, {"set", "input-alt", vendorCode});
        QCOMPARE(set.exitCode, 0);
        QCOMPARE(m1ddc(state_, {"get", "input-alt"}).out, vendorCode.toUtf8() + '\n');
        QCOMPARE(m1ddc(state_, {"get", "input"}).out, standardCode);
    }

    void refusesWhatTheMonitorCannotDo() {
        QCOMPARE(m1ddc(state_, {"set", "luminance", "40"}).exitCode, 0);
        QFile file(state_);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const auto before = file.readAll();
        file.close();

        for (const QStringList& arguments :
             {QStringList{"set", "input-alt", "99"}, {"set", "luminance", "101"}, {"set", "volume", "-1"}}) {
            const auto run = m1ddc(state_, arguments);
            verifyOneLineFailure(run);
            QCOMPARE(run.out, QByteArray());
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    void refusesBadCommandLines_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"toggle", "volume"};
        QTest::newRow("unknown attribute") << QStringList{"get", "brightness"};
        QTest::newRow("missing value") << QStringList{"set", "luminance"};
        QTest::newRow("not a number") << QStringList{"set", "luminance", "bright"};
        QTest::newRow("extra argument") << QStringList{"get", "volume", "now"};
        QTest::newRow("standard input is read only") << QStringList{"set", "input", "17"};
        QTest::newRow("option") << QStringList{"--help"};
    }
    void refusesBadCommandLines() {
        QFETCH(QStringList, arguments);
        const auto run = m1ddc(state_, arguments);
        verifyOneLineFailure(run);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QByteArray());
        // A refused command line never touches the monitor.
        QVERIFY(!QFile::exists(state_));
    }

    void survivesACorruptStateFile() {
        QFile file(state_);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"luminance\": 70, \"contrast\"");
        file.close();

        for (const QStringList& arguments : {QStringList{"get", "luminance"}, {"set", "contrast", "10"}}) {
            const auto run = m1ddc(state_, arguments);
            verifyOneLineFailure(run);
            QVERIFY(run.err.contains(state_.toUtf8()));
        }
    }

    void survivesConcurrentRuns() {
        // Seven writers per round (every writable attribute once), three rounds at once, plus readers.
        // A lost update would put back a value that no writer of that attribute ever wrote.
        const QStringList attributes{"luminance", "contrast", "volume", "red", "green", "blue", "input-alt"};
        const QList<QStringList> valuesPerAttribute{
            {"11", "12", "13"}, {"21", "22", "23"}, {"1", "2", "3"},       {"41", "42", "43"},
            {"61", "62", "63"}, {"81", "82", "83"}, {"208", "210", "145"},
        };
        std::vector<std::unique_ptr<QProcess>> writers;
        std::vector<std::unique_ptr<QProcess>> readers;
        for (int round = 0; round < 3; ++round) {
            for (int i = 0; i < attributes.size(); ++i) {
                writers.push_back(start(state_, {"set", attributes[i], valuesPerAttribute[i][round]}));
            }
            readers.push_back(start(state_, {"get", attributes[round]}));
        }
        for (auto& writer : writers) {
            const auto run = finish(*writer);
            QVERIFY(!run.crashed);
            QCOMPARE(run.exitCode, 0);
        }
        for (auto& reader : readers) {
            const auto run = finish(*reader);
            QCOMPARE(run.exitCode, 0);
            bool isNumber = false;
            run.out.trimmed().toInt(&isNumber);
            QVERIFY2(isNumber, run.out.constData());
        }

        const auto saved = stateIn(state_);
        QCOMPARE(saved.size(), 8);
        for (int i = 0; i < attributes.size(); ++i) {
            const auto get = m1ddc(state_, {"get", attributes[i]});
            QCOMPARE(get.exitCode, 0);
            const auto value = QString::fromUtf8(get.out.trimmed());
            QVERIFY2(valuesPerAttribute[i].contains(value), qPrintable(attributes[i] + " is " + value));
            QCOMPARE(saved.value(attributes[i]).toInt(), value.toInt());
        }
        const auto input = m1ddc(state_, {"get", "input"}).out;
        const QMap<int, QByteArray> standardFor{{208, "15\n"}, {210, "27\n"}, {145, "18\n"}};
        QCOMPARE(input, standardFor.value(saved.value("input-alt").toInt()));
        QCOMPARE(QDir(dir_.path()).entryList({"*.tmp"}, QDir::Files | QDir::Hidden), QStringList());
    }

    void honoursTheContractWithoutASimulatedMonitor() {
        // Real hardware, whatever this machine has: either a value or one line saying why not.
        const auto run = m1ddc(QString(), {"get", "luminance"});
        QVERIFY(!run.crashed);
        if (run.exitCode == 0) {
            bool isNumber = false;
            run.out.trimmed().toInt(&isNumber);
            QVERIFY2(isNumber, run.out.constData());
        } else {
            verifyOneLineFailure(run);
            QCOMPARE(run.out, QByteArray());
        }
        // An empty variable means no simulated monitor, not a file named "".
        auto process = std::make_unique<QProcess>();
        auto environment = environmentFor(QString());
        environment.insert("VELMAR_SIMULATED_MONITOR", "");
        process->setProcessEnvironment(environment);
        process->start(M1DDC_PATH, {"get", "luminance"});
        const auto empty = finish(*process);
        QVERIFY(!empty.crashed);
        QCOMPARE(empty.exitCode, run.exitCode);
        QCOMPARE(empty.err, run.err);
    }
};

QTEST_GUILESS_MAIN(TestM1ddcCli)
#include "tst_m1ddc_cli.moc"
