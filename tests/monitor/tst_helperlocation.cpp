// Where the program finds its helper: in its installed tree, beside the program, and in the build
// tree only while it runs from inside that tree.
#include "monitor/HelperLocation.h"

#include "helper/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString bundleHelper = QStringLiteral("VelmarMonitorMenu_VelmarMonitorMenu.bundle/m1ddc");
} // namespace

class TestHelperLocation : public QObject {
    Q_OBJECT

private slots:
    // In an installed tree the helper is in libexec, and taken only when it can run. A bundle beside
    // the program comes next, even when it cannot run: starting it then reports the platform's own
    // reason. That the install puts the helper there, the package test shows.
    void installedHelperFirstThenTheOneBesideTheProgram() {
        QTemporaryDir prefix;
        const QString bin = prefix.filePath(QStringLiteral("bin"));
        const QString installed =
            prefix.filePath(QStringLiteral(VELMAR_LIBEXEC_DIR "/velmar-monitor/") + bundleHelper);
        const QString beside = QDir(bin).filePath(bundleHelper);
        makeFile(installed);
        makeFile(beside);
        const auto found = [&] { return QFileInfo(HelperLocation::bundledHelper(bin).value_or(QString())); };
        QVERIFY(QFile::setPermissions(installed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(found().canonicalFilePath(), QFileInfo(installed).canonicalFilePath());
        QVERIFY(QFile::setPermissions(installed, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(found().canonicalFilePath(), QFileInfo(beside).canonicalFilePath());
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
};

QTEST_GUILESS_MAIN(TestHelperLocation)
#include "tst_helperlocation.moc"
