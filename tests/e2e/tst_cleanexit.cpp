// The real program told to end from outside (SIGTERM at logout, SIGINT from a terminal) while
// its helper is busy: it ends at once with status 0, and no helper outlives it.
#include "E2eTesting.h"

#include <QProcess>
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
        // The start-up refresh reaches the volume read, which hangs.
        Installation installed;
        QVERIFY(installed.make());
        makeFile(installed.bundle + QStringLiteral("/script"), "get volume = hang\n");
        QProcess app;
        QVERIFY(startProgram(app, installed.program,
                             programEnvironment(installed.dir.path(), "offscreen", "disabled:")));
        const auto hungHelper = [&] {
            const auto runs = installed.helperRuns().filter(QStringLiteral("\tget\tvolume"));
            return runs.isEmpty() ? 0 : runs.first().section(QLatin1Char('\t'), 1, 1).toLongLong();
        };
        QTRY_VERIFY_WITH_TIMEOUT(hungHelper() != 0, 20000);
        const qint64 helper = hungHelper();

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
