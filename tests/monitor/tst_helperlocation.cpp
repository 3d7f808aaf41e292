// Where the program finds its helper: in an installed tree, beside the program, in the build tree.
#include "monitor/HelperLocation.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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
        QCOMPARE(
            QFileInfo(*found).canonicalFilePath(),
            QFileInfo(prefix.filePath(QStringLiteral("libexec/velmar-monitor/"
                                                     "VelmarMonitorMenu_VelmarMonitorMenu.bundle/m1ddc")))
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

        // An installed helper that cannot run is passed over for the build tree's.
        QFile::setPermissions(*found, QFile::ReadOwner | QFile::WriteOwner);
        const auto fallback = HelperLocation::bundledHelper(bin);
        QVERIFY(fallback);
        QCOMPARE(QFileInfo(*fallback).canonicalFilePath(),
                 QFileInfo(QStringLiteral(M1DDC_PATH)).canonicalFilePath());
    }

    // A bundle beside the program comes before the build tree's, even when it cannot run: starting
    // it then reports the platform's own reason.
    void bundleBesideTheProgramComesNext() {
        QTemporaryDir appDir;
        const QString helper =
            appDir.filePath(QStringLiteral("VelmarMonitorMenu_VelmarMonitorMenu.bundle/m1ddc"));
        QVERIFY(QDir().mkpath(QFileInfo(helper).path()));
        QVERIFY(QFile(helper).open(QIODevice::WriteOnly));
        QCOMPARE(HelperLocation::bundledHelper(appDir.path()).value_or(QString()), helper);
    }

    void fixedLocatorNeedsAFile() {
        QTemporaryDir dir;
        QVERIFY(!HelperLocation::fixed(dir.filePath(QStringLiteral("m1ddc")))());
        QVERIFY(HelperLocation::fixed(QStringLiteral(M1DDC_PATH))());
    }
};

QTEST_GUILESS_MAIN(TestHelperLocation)
#include "tst_helperlocation.moc"
