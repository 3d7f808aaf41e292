// The program's command line as a keyboard shortcut runs it: the real binary, told what to do,
// drives a running instance on the simulated monitor over a private session bus and ends with
// a status that says how it went; then on two simulated monitors, which --display tells apart.
#include "E2eTesting.h"
#include "support/PrivateBus.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

struct Outcome {
    int exitCode = -1;
    QString out, err;
};

QMap<QString, QString> keyValues(const QString& text) {
    QMap<QString, QString> values;
    for (const auto& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        values.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    return values;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (m_bus.address.isEmpty())
            QSKIP(PrivateBus::missing);
        // The helper's failures name this file; a terminal must get its tab and escape as text.
        m_state = m_home.filePath(QStringLiteral("monitor\t\x1b[7m.json"));
        makeFile(m_state + QStringLiteral(".log")); // log every write
        m_environment = programEnvironment(m_home.path(), QStringLiteral("offscreen"), m_bus.address);
        m_environment.insert(QStringLiteral("VELMAR_SIMULATED_MONITOR"), m_state);
    }

    void cleanupTestCase() {
        m_instance.terminate();
        m_instance.waitForFinished(10000);
    }

    void withoutARunningInstance() {
        const auto status = run({"--status"});
        QCOMPARE(status.exitCode, 3);
        QVERIFY2(status.err.contains(QLatin1String("not running")), qPrintable(status.err));
        QVERIFY(status.out.isEmpty());

        // Mistakes the command line sees for itself are reported as such, running instance or not.
        for (const auto& arguments : {QStringList{"--brightness", "forty"}, QStringList{"--volume", "+101"},
                                      QStringList{"--contrast"}}) {
            const auto outcome = run(arguments);
            QVERIFY2(outcome.exitCode == 2, qPrintable(arguments.join(' ')));
            QVERIFY(outcome.err.startsWith(QLatin1String("velmar-monitor: ")));
        }

        const auto help = run({"--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains(QLatin1String("--brightness <value>")));
    }

    void commandsDriveTheRunningInstance() {
        // A monitor that does not answer at first.
        makeFile(m_state, "not a monitor");
        QVERIFY(startProgram(m_instance, QStringLiteral(VELMAR_MONITOR_PATH), m_environment));
        QTRY_COMPARE_WITH_TIMEOUT(status().value("busy"), QStringLiteral("no"), 30000);
        const auto unread = run({"--status"});
        QVERIFY2(!unread.out.contains(QLatin1Char('\t')) && !unread.out.contains(QLatin1Char('\x1b')),
                 qPrintable(unread.out));
        QVERIFY2(keyValues(unread.out).value("status").contains(QLatin1String("monitor\\t\\x1b[7m.json")),
                 qPrintable(unread.out));
        QCOMPARE(keyValues(unread.out).value("brightness"), QString());
        QCOMPARE(keyValues(unread.out).value("error"), QStringLiteral("yes"));
        // A step from a value never read is refused.
        const auto step = run({"--brightness", "+5"});
        QCOMPARE(step.exitCode, 1);
        QVERIFY2(step.err.contains(QLatin1String("not been read")), qPrintable(step.err));
        QVERIFY(writes().isEmpty());

        // The monitor answers again (the simulated one starts afresh without its file).
        QVERIFY(QFile::remove(m_state));
        QCOMPARE(run({"--refresh"}).exitCode, 0);
        QCOMPARE(status().value("brightness"), QStringLiteral("70"));

        QCOMPARE(run({"--brightness", "+15"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(lastWrite(), QStringLiteral("set luminance 85"), 10000);
        QCOMPARE(run({"--scene", "movie"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(status().value("scene"), QStringLiteral("Movie"), 10000);

        // Refused by the instance, with its reason: nothing reaches the monitor, neither from the
        // refused command nor from those after it. A mistake the command line sees itself stops
        // everything before anything is sent.
        const QStringList before = writes();
        for (const auto& arguments : {QStringList{"--scene", "Cinema", "--brightness", "10"},
                                      QStringList{"--brightness", "10", "--night", "maybe"}}) {
            const auto outcome = run(arguments);
            QVERIFY2(outcome.exitCode == 2, qPrintable(arguments.join(' ')));
            QVERIFY2(outcome.err.contains(arguments.at(1)) || outcome.err.contains(arguments.last()),
                     qPrintable(outcome.err));
        }
        QCOMPARE(writes(), before);

        // Commands run in a fixed order, whatever their order on the line: the input, then the
        // values, then --status, which sees them.
        const auto ordered = run({"--status", "--brightness", "33", "--input", "hdmi2"});
        QCOMPARE(ordered.exitCode, 0);
        QCOMPARE(keyValues(ordered.out).value("brightness"), QStringLiteral("33"));
        QCOMPARE(keyValues(ordered.out).value("input"), QStringLiteral("hdmi2"));
        QTRY_COMPARE_WITH_TIMEOUT(lastWrite(), QStringLiteral("set luminance 33"), 10000);
        QCOMPARE(writes().mid(before.size()), (QStringList{"set input-alt 145", "set luminance 33"}));

        QCOMPARE(run({"--night", "toggle"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(status().value("night-mode"), QStringLiteral("on"), 10000);

        // A schedule for the time of day: a mistake says which part and changes nothing; one point
        // holds all day, and following it writes its brightness; alone, --schedule prints it.
        const auto wrong = run({"--schedule", "07:00=80 25:00=10", "--adaptive", "schedule"});
        QCOMPARE(wrong.exitCode, 2);
        QVERIFY2(wrong.err.contains(QLatin1String("25:00")), qPrintable(wrong.err));
        QCOMPARE(status().value("adaptive-source"), QStringLiteral("laptop"));
        QCOMPARE(run({"--schedule", "07:00=60", "--transition", "10", "--adaptive", "schedule"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(lastWrite(), QStringLiteral("set luminance 60"), 10000);
        const auto following = status();
        QCOMPARE(following.value("adaptive-source"), QStringLiteral("schedule"));
        QCOMPARE(following.value("adaptive-brightness"), QStringLiteral("following"));
        QCOMPARE(following.value("night-mode"), QStringLiteral("on")); // following does not end it
        QCOMPARE(run({"--schedule"}).out, QStringLiteral("07:00=60\t07:00\n"));
        QCOMPARE(run({"--adaptive", "off"}).exitCode, 0);

        // One monitor is listed as such, and its status is what it has always been. It did not
        // answer when the helper listed the monitors at start, so its id is not known.
        const auto listed = run({"--list-displays"});
        QVERIFY2(QRegularExpression("^\t[^\n]+\n$").match(listed.out).hasMatch(), qPrintable(listed.out));
        QVERIFY(!status().contains("display-id"));
    }

    void severalMonitors() {
        m_instance.terminate();
        QVERIFY(m_instance.waitForFinished(10000));
        QTemporaryDir home;
        const QString leftState = home.filePath("left.json"), rightState = home.filePath("right.json");
        makeFile(leftState, R"({"name": "Left"})");
        makeFile(rightState, R"({"name": "Right", "make": "other"})");
        makeFile(leftState + ".log");
        makeFile(rightState + ".log");
        m_environment = programEnvironment(home.path(), QStringLiteral("offscreen"), m_bus.address);
        m_environment.insert(QStringLiteral("VELMAR_SIMULATED_MONITOR"), leftState + ':' + rightState);
        QVERIFY(startProgram(m_instance, QStringLiteral(VELMAR_MONITOR_PATH), m_environment));

        // The main monitor first, each with its id.
        const auto listed = [this](const QString& replaced) {
            return run({"--list-displays"})
                .out.split('\n', Qt::SkipEmptyParts)
                .replaceInStrings(QRegularExpression(replaced), QString());
        };
        QTRY_COMPARE_WITH_TIMEOUT(listed("^[0-9a-f]{16}\t"), (QStringList{"Left", "Right"}), 30000);
        const QStringList ids = listed("\t.*");
        QTRY_COMPARE_WITH_TIMEOUT(status().value("busy"), QStringLiteral("no"), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(keyValues(run({"--display", "2", "--status"}).out).value("brightness"),
                                  QStringLiteral("70"), 30000);

        // By name in any case, by place and by id, each acts on its monitor alone; without
        // --display, on the main one.
        QCOMPARE(run({"--display", "rIGHT", "--brightness", "40"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(fileLines(rightState + ".log"), QStringList{"set luminance 40"}, 10000);
        const auto second = keyValues(run({"--display", "2", "--status"}).out);
        QCOMPARE(
            QStringList({second.value("display"), second.value("display-id"), second.value("brightness")}),
            (QStringList{"Right", ids.at(1), "40"}));
        QCOMPARE(run({"--display", ids.at(0), "--contrast", "-10"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(fileLines(leftState + ".log"), QStringList{"set contrast 60"}, 10000);
        QCOMPARE(status().value("display-id"), ids.at(0));

        // Every monitor steps from its own value; --status then describes each.
        const auto every = run({"--display", "all", "--brightness", "+5", "--status"});
        QCOMPARE(every.exitCode, 0);
        const QStringList blocks = every.out.split("\n\n");
        QCOMPARE(blocks.size(), 2);
        QCOMPARE(keyValues(blocks.at(0)).value("brightness"), QStringLiteral("75"));
        QCOMPARE(keyValues(blocks.at(1)).value("brightness"), QStringLiteral("45"));
        QTRY_COMPARE_WITH_TIMEOUT(fileLines(rightState + ".log").value(1), "set luminance 45", 10000);
        QTRY_COMPARE_WITH_TIMEOUT(fileLines(leftState + ".log").value(1), "set luminance 75", 10000);

        // A monitor that is not there, or a scene for all of them, is a mistake that changes nothing.
        for (const auto& arguments : {QStringList{"--display", "Centre", "--brightness", "10"},
                                      QStringList{"--display", "3", "--brightness", "10"},
                                      QStringList{"--display", "all", "--scene", "Movie"}}) {
            const auto outcome = run(arguments);
            QVERIFY2(outcome.exitCode == 2, qPrintable(arguments.join(' ')));
            QVERIFY2(outcome.err.contains(QLatin1String("(See --help.)")), qPrintable(outcome.err));
        }
        QCOMPARE(fileLines(rightState + ".log").size() + fileLines(leftState + ".log").size(), 4);

        // The monitor of another make is switched through the standard input feature, never the
        // Velmar one.
        QCOMPARE(run({"--display", "Right", "--input", "dp"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(fileLines(rightState + ".log").value(2), "set input 15", 10000);
        QVERIFY(fileLines(rightState + ".log").filter("input-alt").isEmpty());
        m_instance.terminate();
        QVERIFY(m_instance.waitForFinished(10000));
    }

private:
    Outcome run(const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(QStringLiteral(VELMAR_MONITOR_PATH), arguments);
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
            return {};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QMap<QString, QString> status() {
        const auto outcome = run({"--status"});
        return outcome.exitCode == 0 ? keyValues(outcome.out) : QMap<QString, QString>();
    }

    QStringList writes() const { return fileLines(m_state + QStringLiteral(".log")); }

    QString lastWrite() const { return writes().value(writes().size() - 1); }

    QTemporaryDir m_home;
    QString m_state;
    QProcessEnvironment m_environment;
    PrivateBus m_bus;
    QProcess m_instance;
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
