// Runs the built helper the way the app does, against a simulated monitor in a temporary file.
#include "FormerIds.h"
#include "TestFiles.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>
#include <vector>

namespace {

struct Run {
    int exitCode = -1; ///< -1 when the helper crashed or hung
    QByteArray out, err;
};

// Without a state file the helper looks for real hardware.
std::unique_ptr<QProcess> start(const std::optional<QString>& stateFile, const QStringList& arguments,
                                const QString& program = M1DDC_PATH) {
    auto environment = QProcessEnvironment::systemEnvironment();
    stateFile ? environment.insert("VELMAR_SIMULATED_MONITOR", *stateFile)
              : environment.remove("VELMAR_SIMULATED_MONITOR");
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->start(program, arguments);
    return process;
}

Run finish(QProcess& process) {
    const bool exited = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit;
    return {exited ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

Run m1ddc(const std::optional<QString>& stateFile, const QStringList& arguments) {
    return finish(*start(stateFile, arguments));
}

// The contract for a failure: the given status, nothing on standard output and one line on
// standard error saying why.
void verifyOneLineFailure(const Run& run, int exitCode) {
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(run.err.endsWith('\n') && run.err.count('\n') == 1 && !run.err.trimmed().isEmpty(),
             run.err.constData());
}

} // namespace

class TestM1ddcCli : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString state_;
    int runs_ = 0;

private slots:
    // A fresh monitor for every test.
    void init() {
        QVERIFY(dir_.isValid());
        state_ = dir_.filePath(QString::number(++runs_) + ".json");
    }

    // A refused command line fails with status 1 and never touches the monitor; a monitor that
    // cannot be used fails the command with status 2.
    void readsAFreshMonitorAndRefusesWhatItCannotDo() {
        verifyOneLineFailure(m1ddc(state_, {"set", "luminance", "101"}), 1);
        QVERIFY(!QFile::exists(state_));

        const auto fresh = m1ddc(state_, {"get", "luminance"});
        QCOMPARE(fresh.exitCode, 0);
        QCOMPARE(fresh.out, QByteArray("70\n"));
        QCOMPARE(fresh.err, QByteArray());
        // Its capabilities list every input of the shared table.
        QCOMPARE(m1ddc(state_, {"get", "inputs"}).out, QByteArray("27 15 16 17 18\n"));
        verifyOneLineFailure(m1ddc(state_, {"get", "inputs", "27"}), 1);

        // Started with its standard streams closed, the helper must not let the files it opens take
        // their places (on hardware, its output could go to the monitor's bus): its value goes
        // nowhere, and it succeeds.
        const QStringList script{"-c", "exec \"$0\" get luminance <&- >&- 2>&-", M1DDC_PATH};
        QCOMPARE(finish(*start(state_, script, "/bin/sh")).exitCode, 0);

        makeFile(state_, "{\"luminance\": ");
        verifyOneLineFailure(m1ddc(state_, {"get", "luminance"}), 2);
    }

    void survivesConcurrentRuns() {
        // Seven writers per round (every writable attribute once), three rounds at once, plus readers.
        // A lost update would put back a value that no writer of that attribute ever wrote.
        const QStringList attributes{"luminance", "contrast", "volume", "red", "green", "blue", "input-alt"};
        const QList<QStringList> valuesPerAttribute{
            {"11", "12", "13"}, {"21", "22", "23"}, {"1", "2", "3"},       {"41", "42", "43"},
            {"61", "62", "63"}, {"81", "82", "83"}, {"208", "210", "145"},
        };
        std::vector<std::unique_ptr<QProcess>> runs;
        for (int round = 0; round < 3; ++round) {
            for (int i = 0; i < attributes.size(); ++i)
                runs.push_back(start(state_, {"set", attributes[i], valuesPerAttribute[i][round]}));
            runs.push_back(start(state_, {"get", attributes[round]}));
        }
        for (auto& process : runs) {
            const auto run = finish(*process);
            QCOMPARE(run.exitCode, 0);
            QCOMPARE(run.err, QByteArray()); // a reader never sees half a file
        }

        for (int i = 0; i < attributes.size(); ++i) {
            const auto value = QString::fromUtf8(m1ddc(state_, {"get", attributes[i]}).out.trimmed());
            QVERIFY2(valuesPerAttribute[i].contains(value), qPrintable(attributes[i] + " is " + value));
        }
        // No temporary file left beside the state.
        const auto name = QFileInfo(state_).fileName();
        QCOMPARE(QDir(dir_.path()).entryList({name + ".*"}, QDir::Files | QDir::Hidden),
                 QStringList{name + ".lock"});
    }

    // Several state files are several monitors, the first the default: each is listed with its
    // place, an id and a name, then the id earlier helpers printed for it, and reached by the
    // place or the id alone. Two alike are told apart by place.
    void drivesSeveralSimulatedMonitors() {
        const QString second = dir_.filePath("second.json"), third = dir_.filePath("third.json"),
                      fourth = dir_.filePath("fourth.json");
        makeFile(third, "{\"name\": \"Other Brand 24\", \"serial\": 7}");
        makeFile(fourth, fileBytes(third));
        const QString monitors = state_ + ":" + second + ":" + third + ":" + fourth;
        const auto listing = m1ddc(monitors, {"display", "list"});
        QCOMPARE(listing.exitCode, 0);
        QCOMPARE(listing.err, QByteArray());
        QStringList lines = QString::fromUtf8(listing.out).split('\n');
        QCOMPARE(lines.takeLast(), QString()); // every line ends with a line break
        // Earlier helpers hashed the name, a line break and the serial as one text.
        const QStringList names{"Velmar Studio 27", "Velmar Studio 27 (2)", "Other Brand 24",
                                "Other Brand 24"};
        const QByteArrayList formerIdentities{"Velmar Studio 27\n1", "Velmar Studio 27 (2)\n2",
                                              "Other Brand 24\n7", "Other Brand 24\n7"};
        QCOMPARE(lines.size(), 2 * names.size());
        QStringList ids;
        for (int i = 0; i < names.size(); ++i) {
            const auto match = QRegularExpression("^(\\d) ([0-9a-f]{16}) (.+)$").match(lines[2 * i]);
            QVERIFY2(match.hasMatch(), qPrintable(lines[2 * i]));
            ids << match.captured(2);
            QCOMPARE(match.captured(1) + " " + match.captured(3), QString::number(i + 1) + " " + names[i]);
            QCOMPARE(lines[2 * i + 1],
                     QString::number(i + 1) + " formerly " + formerId(formerIdentities[i], i == 3 ? 1 : 0));
        }
        QCOMPARE(QSet<QString>(ids.begin(), ids.end()).size(), 4);

        QCOMPARE(m1ddc(monitors, {"display", ids[2], "set", "luminance", "12"}).exitCode, 0);
        QCOMPARE(m1ddc(monitors, {"display", "2", "set", "input", "18"}).exitCode, 0);
        QCOMPARE(m1ddc(monitors, {"display", "3", "get", "luminance"}).out, QByteArray("12\n"));
        QCOMPARE(m1ddc(monitors, {"display", ids[1], "get", "input-alt"}).out, QByteArray("145\n"));
        QCOMPARE(m1ddc(monitors, {"get", "luminance"}).out, QByteArray("70\n"));
        QCOMPARE(m1ddc(monitors, {"get", "input-alt"}).out, QByteArray("144\n"));

        const auto unknown = m1ddc(monitors, {"display", "0123456789abcdef", "get", "luminance"});
        verifyOneLineFailure(unknown, 2);
        QCOMPARE(unknown.err, QByteArray("No display with id 0123456789abcdef\n"));
        // One file is the one monitor it always was, under the same id.
        QCOMPARE(m1ddc(state_, {"display", "list"}).out, QString("1 %1 Velmar Studio 27\n1 formerly %2\n")
                                                             .arg(ids[0], formerId(formerIdentities[0]))
                                                             .toUtf8());
    }

    // A monitor of another make, run as the app runs it: the vendor register fails as on a real
    // monitor without it, `get inputs` lists the inputs it has, and `set input` takes any of them
    // (one the app has no name for too) and no other.
    void drivesAMonitorOfAnotherMake() {
        makeFile(state_, "{\"make\": \"other\", \"inputs\": [3, 15, 17, 18]}");
        const auto listing = QString::fromUtf8(m1ddc(state_, {"display", "list"}).out);
        QVERIFY2(QRegularExpression("^1 [0-9a-f]{16} Other Brand 24\n").match(listing).hasMatch(),
                 qPrintable(listing));
        QCOMPARE(m1ddc(state_, {"get", "inputs"}).out, QByteArray("3 15 17 18\n"));
        QCOMPARE(m1ddc(state_, {"get", "input"}).out, QByteArray("17\n"));
        for (const QStringList& arguments : {QStringList{"get", "input-alt"}, {"set", "input-alt", "208"}}) {
            const auto run = m1ddc(state_, arguments);
            verifyOneLineFailure(run, 2);
            QVERIFY2(run.err.endsWith(": The display does not support this feature\n"), run.err.constData());
        }
        QCOMPARE(m1ddc(state_, {"set", "input", "3"}).exitCode, 0);
        verifyOneLineFailure(m1ddc(state_, {"set", "input", "16"}), 2);
        verifyOneLineFailure(m1ddc(state_, {"set", "input", "28"}), 1);
        QCOMPARE(m1ddc(state_, {"get", "input"}).out, QByteArray("3\n"));
    }

    void honoursTheContractWithoutASimulatedMonitor() {
        // Real hardware, whatever this machine has: either a value or one line saying why not.
        const auto run = m1ddc(std::nullopt, {"get", "luminance"});
        if (run.exitCode == 0) {
            bool isNumber = false;
            run.out.trimmed().toInt(&isNumber);
            QVERIFY2(isNumber, run.out.constData());
        } else {
            verifyOneLineFailure(run, 2);
        }
        // A listing: a line per monitor, or one line saying why there is none.
        const auto listing = m1ddc(std::nullopt, {"display", "list"});
        if (listing.exitCode == 0) {
            for (const auto& line : QString::fromUtf8(listing.out).split('\n', Qt::SkipEmptyParts)) {
                QVERIFY2(QRegularExpression("^\\d+ ([0-9a-f]{16} .+|formerly [0-9a-f]{16})$")
                             .match(line)
                             .hasMatch(),
                         qPrintable(line));
            }
        } else {
            verifyOneLineFailure(listing, 2);
        }
        // An empty variable means no simulated monitor, not a file named "".
        const auto empty = m1ddc(QString(""), {"get", "luminance"});
        QCOMPARE(empty.exitCode, run.exitCode);
        QCOMPARE(empty.err, run.err);
    }
};

QTEST_GUILESS_MAIN(TestM1ddcCli)
#include "tst_m1ddc_cli.moc"
