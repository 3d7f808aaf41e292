// The program's command line as a keyboard shortcut runs it: the real binary, told what to do,
// drives a running instance on the simulated monitor over a private session bus and ends with
// a status that says how it went.
#include "support/PrivateBus.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
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
        const QString address = PrivateBus::start(m_daemon);
        if (address.isEmpty())
            QSKIP("dbus-daemon did not start (Debian package dbus, which scripts/bootstrap.sh installs)");
        const QString runtime = m_home.filePath(QStringLiteral("runtime"));
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_state = m_home.filePath(QStringLiteral("monitor.json"));
        QVERIFY(QFile(m_state + QStringLiteral(".log")).open(QIODevice::WriteOnly)); // log every write
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("HOME"), m_home.path());
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        m_environment.insert(QStringLiteral("VELMAR_SIMULATED_MONITOR"), m_state);
    }

    void cleanupTestCase() {
        if (m_instance.state() != QProcess::NotRunning) {
            m_instance.terminate();
            m_instance.waitForFinished(10000);
        }
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

    void withoutARunningInstance() {
        const auto status = run({"--status"});
        QCOMPARE(status.exitCode, 3);
        QVERIFY2(status.err.contains(QLatin1String("not running")), qPrintable(status.err));
        QVERIFY(status.out.isEmpty());

        // Mistakes the command line sees for itself are reported as such, running instance or not.
        for (const auto& arguments : {QStringList{"--brightness", "forty"}, QStringList{"--volume", "+101"},
                                      QStringList{"--night", "maybe"}, QStringList{"--contrast"}}) {
            const auto outcome = run(arguments);
            QVERIFY2(outcome.exitCode == 2, qPrintable(arguments.join(' ')));
            QVERIFY(outcome.err.startsWith(QLatin1String("velmar-monitor: ")));
        }

        const auto help = run({"--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains(QLatin1String("--brightness <value>")));
    }

    void commandsDriveTheRunningInstance() {
        m_instance.setProcessEnvironment(m_environment);
        m_instance.start(QStringLiteral(VELMAR_MONITOR_PATH), {});
        QVERIFY(m_instance.waitForStarted(10000));
        // The simulated monitor's own brightness, once the instance's first refresh is over (an
        // input it reads could otherwise cross the switch below).
        QTRY_COMPARE_WITH_TIMEOUT(status().value("busy"), QStringLiteral("no"), 30000);
        QCOMPARE(status().value("brightness"), QStringLiteral("70"));

        QCOMPARE(run({"--brightness", "40"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(lastWrite(), QStringLiteral("set luminance 40"), 10000);
        QCOMPARE(run({"--brightness", "+15"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(lastWrite(), QStringLiteral("set luminance 55"), 10000);
        QCOMPARE(run({"--input", "hdmi2"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(lastWrite(), QStringLiteral("set input-alt 145"), 10000);
        QCOMPARE(run({"--scene", "movie"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(status().value("scene"), QStringLiteral("Movie"), 10000);

        // Refused by the instance, with its reason: nothing reaches the monitor.
        const QStringList before = writes();
        for (const auto& arguments : {QStringList{"--input", "vga"}, QStringList{"--scene", "Cinema"}}) {
            const auto outcome = run(arguments);
            QVERIFY2(outcome.exitCode == 2, qPrintable(arguments.join(' ')));
            QVERIFY2(outcome.err.contains(arguments.last()), qPrintable(outcome.err));
        }
        QCOMPARE(writes(), before);

        QCOMPARE(run({"--night", "toggle"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(status().value("night-mode"), QStringLiteral("on"), 10000);
        const auto state = status();
        QCOMPARE(state.value("brightness"), QStringLiteral("25")); // Night Mode's cap
        QCOMPARE(state.value("input"), QStringLiteral("hdmi2"));
        QCOMPARE(state.value("error"), QStringLiteral("no"));
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

    QStringList writes() const {
        QFile file(m_state + QStringLiteral(".log"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QString lastWrite() const { return writes().value(writes().size() - 1); }

    QTemporaryDir m_home;
    QString m_state;
    QProcessEnvironment m_environment;
    QProcess m_daemon;
    QProcess m_instance;
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
