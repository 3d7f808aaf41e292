// Night Mode: what it reads and writes, what it keeps across a restart, and every failure path.
#include "support/ControllerFixture.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

namespace {
const QStringList nightWrites{"set luminance 25", "set red 50", "set green 46", "set blue 40"};
const QStringList snapshotWrites{"set luminance 80", "set red 49", "set green 51", "set blue 52"};

// A controller over a monitor at `brightness` with gains 49/51/52, a snapshot of its own.
struct OverAMonitorAt : ControllerFixture {
    explicit OverAMonitorAt(int brightness, Build build = alone) : ControllerFixture(build) {
        monitor.setState(
            {{"luminance", QString::number(brightness)}, {"red", "49"}, {"green", "51"}, {"blue", "52"}});
    }
    /// Turns Night Mode on or off and waits until every write of the change is done.
    void switchNightMode(bool on) {
        c().setNightMode(on);
        QTRY_COMPARE(c().isNightMode(), on);
        settle();
    }
};
} // namespace

class TestNightMode : public QObject {
    Q_OBJECT

private slots:
    // The way back is on disk before the first night value reaches the monitor: a crash while
    // they are written still leaves the user's own values to return to.
    void turningOnSnapshotsThenWritesTheNightValues() {
        OverAMonitorAt f(80);
        f.monitor.setScript("set luminance * = wait=night\n");
        QSignalSpy changing(&f.c(), &MonitorController::isChangingNightModeChanged);
        f.c().setNightMode(true);
        QVERIFY(f.c().isChangingNightMode());
        QTRY_COMPARE(f.monitor.writes(), QStringList{"set luminance 25"}); // held on its way
        const QSettings onDisk(f.settingsPath(), QSettings::IniFormat);
        QCOMPARE(onDisk.value("nightModeEnabled").toBool(), true);
        const auto saved = NightModeSnapshot::fromJson(onDisk.value("nightModeSnapshot").toByteArray());
        QCOMPARE(saved, (NightModeSnapshot{80, 49, 51, 52}));
        f.monitor.openGate("night");
        QTRY_VERIFY(f.c().isNightMode());
        f.settle();

        QCOMPARE(f.monitor.commandLines(),
                 QStringList({"get luminance", "get red", "get green", "get blue"}) + nightWrites);
        const auto gaps = FakeMonitor::gapsMs(f.monitor.invocations());
        QCOMPARE_GE(std::ranges::min(gaps.mid(0, 3)), 49); // the reads
        QCOMPARE_GE(std::ranges::min(gaps.mid(4)), 59);    // the writes

        QCOMPARE(f.values(), (QList<double>{25, 70, 30, 50, 46, 40}));
        QCOMPARE(f.c().status(), QStringLiteral("Night Mode • On"));
        QCOMPARE(changing.count(), 2);
        QCOMPARE(*Probe::nightMode(f.c()).snapshot(), (NightModeSnapshot{80, 49, 51, 52}));
        QVERIFY(f.c().loadedFeatures().contains(MonitorFeature::blue));
    }

    void aDimMonitorKeepsItsBrightnessAndManualChangesKeepNightMode() {
        OverAMonitorAt f(20);
        f.switchNightMode(true);
        QCOMPARE(f.monitor.writes().first(), QStringLiteral("set luminance 20"));

        // A manual change neither ends Night Mode nor touches the way back.
        f.c().set(MonitorFeature::brightness, 10);
        f.settle();
        QVERIFY(f.c().isNightMode());
        QCOMPARE(Probe::nightMode(f.c()).snapshot()->brightness, 20.0);
    }

    void nightModeSurvivesARestartAndWritesTheSnapshotBack() {
        OverAMonitorAt f(80);
        f.switchNightMode(true);
        f.rebuild();
        f.monitor.clearLog();
        QVERIFY(f.c().isNightMode()); // before any monitor access
        QTest::qWait(50);
        QVERIFY(f.monitor.commandLines().isEmpty());

        f.switchNightMode(false);
        QCOMPARE(f.monitor.commandLines(), snapshotWrites);
        QCOMPARE(f.values(), (QList<double>{80, 70, 30, 49, 51, 52}));
        QVERIFY(!Probe::nightMode(f.c()).snapshot());
        QCOMPARE(f.c().status(), QStringLiteral("DDC/CI • Connected")); // no input known after the restart
        QCOMPARE(f.settings->allKeys().filter("nightMode"), QStringList());
    }

    void nightModeIsRestoredOnlyWithAReadableSnapshot_data() {
        QTest::addColumn<QVariant>("snapshot");
        QTest::addColumn<bool>("restored");
        const QByteArray good = R"({"brightness":80,"red":50,"green":50,"blue":48})";
        QTest::newRow("both keys") << QVariant(good) << true;
        QTest::newRow("no snapshot") << QVariant() << false;
        QTest::newRow("missing key in snapshot")
            << QVariant(QByteArray(R"({"brightness":80,"red":50,"green":50})")) << false;
        QTest::newRow("not JSON") << QVariant(QByteArray("night")) << false;
    }
    void nightModeIsRestoredOnlyWithAReadableSnapshot() {
        QFETCH(QVariant, snapshot);
        QFETCH(bool, restored);
        ControllerFixture f;
        f.settings->setValue("nightModeEnabled", true);
        if (snapshot.isValid())
            f.settings->setValue("nightModeSnapshot", snapshot);
        f.rebuild();
        QCOMPARE(f.c().isNightMode(), restored);
        if (restored)
            QCOMPARE(*Probe::nightMode(f.c()).snapshot(), (NightModeSnapshot{80, 50, 50, 48}));
        QVERIFY(f.settings->contains("nightModeEnabled")); // restoring or not, the keys stay as stored
    }

    void requestsThatChangeNothingDoNothing() {
        ControllerFixture f;
        QVERIFY(f.refreshShowingMovie());
        f.monitor.clearLog();

        f.c().setNightMode(false); // already off
        QCOMPARE(f.c().activeSceneID(), MonitorScene::movie().id);
        QVERIFY(!f.c().isChangingNightMode());

        f.c().setNightMode(true);
        QVERIFY(!f.c().activeSceneID());
        f.c().setNightMode(false); // dropped: a change is running
        f.c().setNightMode(true);  // dropped too
        QTRY_VERIFY(f.c().isNightMode());
        f.settle();
        QCOMPARE(f.monitor.writes().size(), 4);
    }

    void readFailureTouchesNothing() {
        OverAMonitorAt f(80);
        f.monitor.setScript("get blue = exit=1 err=\"blue unreadable\\n\"\n");
        f.c().setNightMode(true);
        QTRY_VERIFY(f.c().hasError());
        f.settle();
        QCOMPARE(f.c().status(), QStringLiteral("Night Mode failed: blue unreadable\n"));
        QVERIFY(f.monitor.writes().isEmpty());
        QVERIFY(!f.c().isNightMode());
        QCOMPARE(f.c().brightness(), 50.0);
        QVERIFY(!f.settings->contains("nightModeEnabled"));
    }

    void failedNightWriteRestoresTheSnapshot() {
        OverAMonitorAt f(80);
        // The night value for green fails; of the write-back, red fails too: the sliders still
        // show the snapshot.
        f.monitor.setScript("set green * = exit=1 err=\"green stuck\\n\"; exit=0\nset red 49 = exit=1\n");
        f.c().setNightMode(true);
        QTRY_VERIFY(f.c().hasError());
        f.settle();
        QCOMPARE(f.monitor.writes(), (QStringList{"set luminance 25", "set red 50", "set green 46",
                                                  "set luminance 80", "set red 49"}));
        QCOMPARE(f.c().status(), QStringLiteral("Night Mode failed: green stuck\n"));
        QVERIFY(!f.c().isNightMode());
        QCOMPARE(f.values(), (QList<double>{80, 70, 30, 49, 51, 52})); // the snapshot, though red failed
        QCOMPARE(f.settings->allKeys().filter("nightMode"), QStringList());
    }

    void failedTurnOffKeepsNightModeForAnotherTry() {
        OverAMonitorAt f(80);
        f.switchNightMode(true);
        f.monitor.clearLog();

        f.monitor.setScript("set red * = exit=1 err=\"bus error\"\n");
        f.c().setNightMode(false);
        QTRY_VERIFY(f.c().hasError());
        f.settle();
        QCOMPARE(f.c().status(), QStringLiteral("Could not restore display: bus error"));
        QVERIFY(f.c().isNightMode());
        QVERIFY(Probe::nightMode(f.c()).snapshot());
        QVERIFY(f.settings->contains("nightModeSnapshot"));

        f.monitor.setScript(QString());
        f.monitor.clearLog();
        f.switchNightMode(false);
        QCOMPARE(f.monitor.writes(), snapshotWrites);
        QVERIFY(!f.c().hasError());
    }

    void aSettingsFileThatCannotBeWrittenIsReported() {
        OverAMonitorAt f(80);
        // A folder where the settings file should be: no one can write it, root included.
        QVERIFY(QFile::remove(f.settingsPath()) || !QFile::exists(f.settingsPath()));
        QVERIFY(QDir().mkdir(f.settingsPath()));
        QSignalSpy reported(&f.settingsFileInUse(), &SettingsFile::errorChanged);
        f.c().setNightMode(true);
        QTRY_VERIFY(f.c().isNightMode()); // on for this run; the user is told it will not survive a restart
        QVERIFY(f.settingsFileInUse().error().has_value());
        QCOMPARE(reported.count(), 1);

        QVERIFY(QDir().rmdir(f.settingsPath()));
        f.c().setNightMode(false);
        QTRY_VERIFY(!f.settingsFileInUse().error().has_value());
    }

    // Night Mode reads what it will put back, then writes its own values: no adaptive sample
    // lands in between. While it is on, adaptive brightness goes on following the panel, and may
    // replace the night brightness; Night Mode and its way back stay.
    void adaptiveBrightnessStaysOutOfNightModesWay() {
        OverAMonitorAt f(80, ControllerFixture::withMonitors);
        f.reader.reading = BuiltInDisplayBrightnessReading::available(1.0); // proposes 82
        f.adaptive().setEnabled(true);
        QTRY_COMPARE(f.monitor.stateValue("luminance"), QStringLiteral("82"));
        f.settle();
        f.monitor.clearLog();

        f.monitor.setScript("get blue = wait=snapshot\n");
        f.c().setNightMode(true);
        f.reader.reading = BuiltInDisplayBrightnessReading::available(0.5); // would propose 41
        const auto begun = AdaptiveBrightnessProbe::samplesBegun(f.adaptive());
        QTRY_VERIFY(AdaptiveBrightnessProbe::samplesBegun(f.adaptive()) >= begun + 2);
        f.monitor.openGate("snapshot");
        QTRY_VERIFY(f.c().isNightMode());
        QCOMPARE(f.monitor.writes().mid(0, 4), nightWrites);
        QCOMPARE(Probe::nightMode(f.c()).snapshot()->brightness, 82.0);

        QTRY_COMPARE(f.c().brightness(), 41.0); // the panel moved meanwhile: following goes on
        f.reader.reading = BuiltInDisplayBrightnessReading::available(1.0); // above the night cap
        QTRY_COMPARE(f.c().brightness(), 82.0);
        QVERIFY(!f.adaptive().isPaused());
        f.adaptive().setEnabled(false);
        f.settle();
        QCOMPARE(f.monitor.writes().mid(4), (QStringList{"set luminance 41", "set luminance 82"}));
        QVERIFY(f.c().isNightMode());
        QCOMPARE(Probe::nightMode(f.c()).snapshot()->brightness, 82.0);
    }
};

QTEST_GUILESS_MAIN(TestNightMode)
#include "tst_nightmode.moc"
