// The real program told to end from outside (SIGTERM at logout, SIGINT from a terminal) while
// its helper is busy: it ends at once with status 0, and no helper outlives it.
#include "support/FakeMonitor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class TestCleanExit : public QObject {
    Q_OBJECT

private slots:
    void endsCleanlyWhenTold_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void endsCleanlyWhenTold() {
        QFETCH(int, signal);
        // The program beside a helper bundle of its own: the scriptable fake, held on a read.
        QTemporaryDir home;
        const QString program = home.filePath(QStringLiteral("velmar-monitor"));
        QVERIFY(QFile::copy(QStringLiteral(VELMAR_MONITOR_PATH), program));
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString bundle = home.filePath(QStringLiteral("VelmarMonitorMenu_VelmarMonitorMenu.bundle"));
        QVERIFY(QDir().mkpath(bundle));
        QVERIFY(QFile::link(QStringLiteral(FAKE_M1DDC_PATH), bundle + QStringLiteral("/m1ddc")));
        QFile script(bundle + QStringLiteral("/script"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("get volume = hang\n");
        script.close();

        QProcess app;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
        app.setProcessEnvironment(environment);
        app.start(program, {});
        QVERIFY(app.waitForStarted(10000));

        // The start-up refresh reaches the volume read, which hangs.
        const auto log = bundle + QStringLiteral("/log");
        const auto helperPid = [&]() -> qint64 {
            QFile file(log);
            if (!file.open(QIODevice::ReadOnly))
                return 0;
            for (const auto& line : file.readAll().split('\n')) {
                if (line.endsWith("\tget\tvolume"))
                    return line.split('\t').value(1).toLongLong();
            }
            return 0;
        };
        QTRY_VERIFY_WITH_TIMEOUT(helperPid() != 0, 20000);
        const qint64 helper = helperPid();

        ::kill(app.processId(), signal);
        QVERIFY2(app.waitForFinished(5000), "the program did not end");
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        QVERIFY2(!QFileInfo::exists(QStringLiteral("/proc/%1").arg(helper)),
                 "the helper outlived the program");
    }
};

QTEST_GUILESS_MAIN(TestCleanExit)
#include "tst_cleanexit.moc"
