// What a program left running for months meets: a helper that vanishes or stops answering in
// the middle of an operation, a damaged or vanishing settings file, and being killed while it
// saves. After each the controller answers the next command, says what happened, and keeps
// everything it had saved.
#include "helper/TestFiles.h"
#include "scenes/MonitorSceneStorage.h"
#include "support/ControllerFixture.h"
#include "support/TestSupport.h"
#include "monitor/HelperWording.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <csignal>
#include <cstring>

using namespace std::chrono_literals;

namespace {

// Scene lists the saver child alternates between: every scene of a list carries its letter.
QList<MonitorScene> scenesNamed(const QString& letter, int count) {
    QList<MonitorScene> scenes;
    for (int i = 0; i < count; ++i) {
        auto scene = MonitorScene::movie();
        scene.id = QUuid::createUuid();
        scene.kind = MonitorScene::Kind::custom;
        scene.name = QStringLiteral("%1 %2 %3").arg(letter).arg(i).arg(QString(200, letter.at(0)));
        scenes.append(scene);
    }
    return scenes;
}

// The child: saves the two lists in turn as fast as it can until it is killed.
int saveScenesUntilKilled(const char* settingsPath) {
    QSettings settings(QString::fromLocal8Bit(settingsPath), QSettings::IniFormat);
    SettingsMonitorSceneStorage storage(settings);
    const QList<QByteArray> lists{MonitorScene::encodeList(scenesNamed(QStringLiteral("A"), 40)),
                                  MonitorScene::encodeList(scenesNamed(QStringLiteral("B"), 60))};
    for (qint64 round = 0;; ++round) {
        if (!storage.save(lists.at(round % 2)))
            return 1;
        if (round == 1) {
            std::fputs("saving\n", stdout);
            std::fflush(stdout);
        }
    }
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

private slots:
    void aHelperThatVanishesIsReportedAndForgotten() {
        ControllerFixture f;
        QVERIFY(runTask(f.c().start()));
        f.monitor.setState({{"luminance", "20"}});

        f.monitor.setPresent(false); // deleted while the program runs
        f.c().refresh();
        QTRY_VERIFY_WITH_TIMEOUT(f.c().hasError(), 30000);
        QCOMPARE(f.c().status(), HelperWording::helperMissing());
        QCOMPARE(f.c().brightness(), 60.0); // the last values read stay on screen

        f.monitor.setPresent(true);
        QVERIFY(runTask(f.c().refresh()));
        QVERIFY(!f.c().hasError());
        QCOMPARE(f.c().brightness(), 20.0);
    }

    void aMonitorThatStopsAnsweringMidSceneOrNightMode() {
        auto timings = testTimings();
        timings.helperTimeLimit = 400ms;
        ControllerFixture f(timings);
        QVERIFY(runTask(f.c().start()));

        f.monitor.setScript("set contrast * = hang\n");
        f.c().apply(MonitorScene::movie());
        // What a failed scene or Night Mode leaves behind has tests of its own; here they must end.
        QTRY_VERIFY_WITH_TIMEOUT(!f.c().isApplyingScene(), 30000);
        QVERIFY(f.c().status().startsWith(QLatin1String("Could not apply Movie")));

        f.monitor.setScript("set green * = hang\n");
        f.c().setNightMode(true);
        QTRY_VERIFY_WITH_TIMEOUT(!f.c().isChangingNightMode(), 30000);
        QVERIFY(!f.c().isNightMode());
        QVERIFY(f.c().status().startsWith(QLatin1String("Night Mode failed")));

        // The monitor answers again: so does the program, and no hung helper is left.
        f.monitor.setScript(QString());
        f.c().set(MonitorFeature::volume, 33);
        QTRY_COMPARE_WITH_TIMEOUT(f.monitor.stateValue("volume"), QStringLiteral("33"), 30000);
        f.settle();
        for (const auto& call : f.monitor.invocations())
            QVERIFY(!QFile::exists(QStringLiteral("/proc/%1").arg(call.pid)));
    }

    void damagedSettingsStartWithDefaults_data() {
        QTest::addColumn<QByteArray>("content");
        QByteArray binary(4096, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(binary.data()), binary.size() / 4);
        QTest::newRow("binary garbage") << binary;
        QTest::newRow("cut off mid-write") << QByteArray(
            "[General]\nadaptiveBrightnessEnabled=tr\nmonitorScenes.custom.v1=@ByteArray([{\"id");
        QTest::newRow("wrong type under every key")
            << QByteArray("[General]\n"
                          "adaptiveBrightnessEnabled=17\n"
                          "adaptiveMinimumBrightness=nan\n"
                          "adaptiveMaximumBrightness=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x4)\n"
                          "perInputScenesEnabled=@ByteArray(true)\n"
                          "nightModeEnabled=yes\n"
                          "nightModeSnapshot=42\n"
                          "monitorScenes.custom.v1=3, 4\n"
                          "inputScenePreferences=@Variant(\\0\\0\\0\\n\\0\\0\\0\\x2)\n");
    }
    void damagedSettingsStartWithDefaults() {
        QFETCH(QByteArray, content);
        ControllerFixture f(ControllerFixture::withMonitors);
        f.controller.reset();
        makeFile(f.settingsPath(), content);
        f.rebuild();

        QVERIFY(!f.adaptive().isEnabled());
        QVERIFY(!f.c().perInputScenesEnabled());
        QVERIFY(!f.c().isNightMode());
        QVERIFY(std::isfinite(f.adaptive().minimum()));
        QVERIFY(std::isfinite(f.adaptive().maximum()));
        QCOMPARE(f.c().scenes().size(), MonitorScene::builtInDefaults().size());
        QVERIFY(runTask(f.start()));
        QVERIFY(!f.c().hasError());

        // Saving works, and whatever stood under the scenes key is kept aside, not lost.
        const QVariant before = f.settings->value("monitorScenes.custom.v1");
        f.c().saveCurrentSettingsAsScene(QStringLiteral("Desk"), QStringLiteral("desktopcomputer"));
        QTRY_COMPARE_WITH_TIMEOUT(f.c().scenes().size(), MonitorScene::builtInDefaults().size() + 1, 30000);
        QVERIFY(!f.settingsFileInUse().error());
        QSettings reread(f.settingsPath(), QSettings::IniFormat);
        QCOMPARE(reread.status(), QSettings::NoError);
        QVERIFY(reread.value("monitorScenes.custom.v1").toByteArray().contains("Desk"));
        if (before.isValid())
            QVERIFY(reread.contains("monitorScenes.custom.v1.unreadable"));
    }

    void aSettingsFileDeletedWhileRunningIsWrittenWhole() {
        ControllerFixture f(ControllerFixture::withMonitors);
        QVERIFY(runTask(f.start()));
        f.adaptive().setRange(20, 70);
        f.c().setPreferredSceneID(MonitorInput::hdmi1, MonitorScene::night().id);
        f.c().saveCurrentSettingsAsScene(QStringLiteral("Desk"), QStringLiteral("desktopcomputer"));
        f.settle();
        f.settings->sync();
        QVERIFY(QFile::remove(f.settingsPath()));

        f.c().setPerInputScenesEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(f.settingsPath()), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(
            QSettings(f.settingsPath(), QSettings::IniFormat).contains("perInputScenesEnabled"), 30000);
        QSettings reread(f.settingsPath(), QSettings::IniFormat);
        QCOMPARE(reread.value("adaptiveMinimumBrightness").toDouble(), 20.0);
        QVERIFY(reread.value("monitorScenes.custom.v1").toByteArray().contains("Desk"));
        QVERIFY(reread.contains("inputScenePreferences"));
        QVERIFY(!f.settingsFileInUse().error());
    }

    void killedWhileSavingScenesLeavesTheOldOrTheNewList() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("velmar.conf"));
        for (int kill = 0; kill < 5; ++kill) {
            QProcess saver;
            saver.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--save-scenes-until-killed"), path});
            QVERIFY(saver.waitForStarted());
            // Told once the file holds a saved list.
            QByteArray told;
            QTRY_VERIFY_WITH_TIMEOUT((told += saver.readAllStandardOutput()).contains("saving") ||
                                         saver.state() == QProcess::NotRunning,
                                     60000);
            QCOMPARE(saver.state(), QProcess::Running);
            // A moment somewhere inside the next saves; any moment will do, most are mid-save.
            QThread::usleep(QRandomGenerator::global()->bounded(20000));
            ::kill(pid_t(saver.processId()), SIGKILL);
            QVERIFY(saver.waitForFinished());
            // A kill between QSettings creating its own lock file and writing its owner into it
            // leaves an empty lock, which the next saver would wait 30 s on before calling it stale.
            QFile::remove(path + QStringLiteral(".lock"));

            QSettings reread(path, QSettings::IniFormat);
            QCOMPARE(reread.status(), QSettings::NoError);
            const auto scenes =
                MonitorScene::decodeList(reread.value("monitorScenes.custom.v1").toByteArray());
            QVERIFY(scenes.has_value());
            QVERIFY(scenes->size() == 40 || scenes->size() == 60);
            const QChar letter = scenes->size() == 40 ? u'A' : u'B';
            for (const auto& scene : *scenes)
                QCOMPARE(scene.name.at(0), letter);
        }
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--save-scenes-until-killed") == 0)
        return saveScenesUntilKilled(argv[2]);
    TestFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
