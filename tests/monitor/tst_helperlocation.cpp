// Where the program finds its helper: in its installed tree, beside the program, and in the build
// tree only while it runs from inside that tree.
#include "monitor/HelperLocation.h"

#include "helper/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString bundleHelper = QStringLiteral("VelmarMonitorMenu_VelmarMonitorMenu.bundle/m1ddc");
} // namespace

class TestHelperLocation : public QObject {
    Q_OBJECT

private slots:
    void installedTreeIsFoundFirst() {
        QTemporaryDir prefix;
        QProcess install;
        install.start(QStringLiteral("cmake"),
                      {QStringLiteral("--install"), QStringLiteral(VELMAR_BINARY_DIR),
                       QStringLiteral("--prefix"), prefix.path()});
        QVERIFY(install.waitForFinished(60000));
        QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());

        const QString bin = prefix.filePath(QStringLiteral("bin"));
        const auto found = HelperLocation::bundledHelper(bin);
        QVERIFY(found);
        QCOMPARE(QFileInfo(*found).canonicalFilePath(),
                 QFileInfo(prefix.filePath(QStringLiteral("libexec/velmar-monitor/") + bundleHelper))
                     .canonicalFilePath());

        // The installed helper answers on the simulated monitor.
        QTemporaryDir state;
        QProcess helper;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("VELMAR_SIMULATED_MONITOR"),
                           state.filePath(QStringLiteral("monitor.json")));
        helper.setProcessEnvironment(environment);
        helper.start(*found, {QStringLiteral("get"), QStringLiteral("luminance")});
        QVERIFY(helper.waitForFinished(10000));
        QCOMPARE(helper.exitCode(), 0);
        bool ok = false;
        helper.readAllStandardOutput().trimmed().toInt(&ok);
        QVERIFY(ok);

        // Without a helper it can run, the installed program has none: the build tree it was
        // built in is not its own, even while that tree's helper is there.
        QVERIFY(QFileInfo::exists(QStringLiteral(M1DDC_PATH)));
        QFile::setPermissions(*found, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(HelperLocation::bundledHelper(bin).value_or(QString()), QString());
        QVERIFY(QFile::remove(*found));
        QCOMPARE(HelperLocation::bundledHelper(bin).value_or(QString()), QString());
    }

    // A bundle beside the program comes before the build tree's, even when it cannot run: starting
    // it then reports the platform's own reason.
    void bundleBesideTheProgramComesNext() {
        QTemporaryDir appDir;
        const QString helper = appDir.filePath(bundleHelper);
        makeFile(helper); // an empty file: the search does not run it
        QCOMPARE(HelperLocation::bundledHelper(appDir.path()).value_or(QString()), helper);
    }

    void buildTreeServesOnlyProgramsInsideIt_data() {
        QTest::addColumn<QString>("programDir"); // relative to a scratch folder
        QTest::addColumn<bool>("usesBuildTree");
        QTest::newRow("the build tree's bin") << "build/bin" << true;
        QTest::newRow("deeper in the build tree") << "build/tests/monitor" << true;
        QTest::newRow("the build tree itself") << "build" << true;
        QTest::newRow("through a link to the build tree") << "link-to-build/bin" << true;
        QTest::newRow("an installed prefix") << "usr/bin" << false;
        QTest::newRow("a sibling named like the build tree") << "build-old/bin" << false;
        QTest::newRow("above the build tree") << "." << false;
    }
    void buildTreeServesOnlyProgramsInsideIt() {
        QFETCH(QString, programDir);
        QFETCH(bool, usesBuildTree);
        QTemporaryDir scratch;
        const QDir root(scratch.path());
        const HelperLocation::BuildTree buildTree{
            root.filePath(QStringLiteral("build")),
            root.filePath(QStringLiteral("build/bin/VelmarMonitorMenu_VelmarMonitorMenu.bundle"))};
        const QString buildHelper = QDir(buildTree.bundleDir).filePath(QStringLiteral("m1ddc"));
        makeFile(buildHelper);
        for (const char* dir : {"build/tests/monitor", "usr/bin", "build-old/bin"})
            QVERIFY(root.mkpath(QLatin1String(dir)));
        QVERIFY(QFile::link(buildTree.root, root.filePath(QStringLiteral("link-to-build"))));

        const auto found = HelperLocation::bundledHelper(root.filePath(programDir), buildTree);
        QCOMPARE(found.has_value(), usesBuildTree);
        if (usesBuildTree)
            QCOMPARE(QFileInfo(*found).canonicalFilePath(), QFileInfo(buildHelper).canonicalFilePath());
    }

    void fixedLocatorNeedsAFile() {
        QTemporaryDir dir;
        QVERIFY(!HelperLocation::fixed(dir.filePath(QStringLiteral("m1ddc")))());
        QVERIFY(HelperLocation::fixed(QStringLiteral(M1DDC_PATH))());
    }
};

QTEST_GUILESS_MAIN(TestHelperLocation)
#include "tst_helperlocation.moc"
