// Applying scenes, the active-scene mark, per-input scenes, and saving, duplicating and deleting.
#include "scenes/SceneTesting.h"
#include "support/ControllerFixture.h"
#include "support/TestSupport.h"

#include <QSignalSpy>

class TestSceneApplication : public QObject {
    Q_OBJECT

private slots:
    void applyingWritesTheValuesInOrderRounded() {
        ControllerFixture f;
        f.c().apply(MonitorScene::movie());
        QVERIFY(f.c().isApplyingScene());
        QTRY_VERIFY(!f.c().isApplyingScene());
        QCOMPARE(f.monitor.writes(), (QStringList{"set luminance 35", "set contrast 75", "set red 50",
                                                  "set green 47", "set blue 43"}));
        QCOMPARE_GE(std::ranges::min(FakeMonitor::gapsMs(f.monitor.invocations())), 59);
        QCOMPARE(f.c().status(), QStringLiteral("Movie • Applied"));
        QCOMPARE(f.c().activeSceneID(), MonitorScene::movie().id);
        QVERIFY(!f.c().hasError());
        QCOMPARE(f.values(), (QList<double>{35, 75, 30, 50, 47, 43}));
        QVERIFY(f.c().loadedFeatures().contains(MonitorFeature::contrast));
        QVERIFY(!f.c().loadedFeatures().contains(MonitorFeature::volume));

        // Values are rounded on their way to the monitor; the sliders keep them as the scene has them.
        f.monitor.clearLog();
        auto scene = makeScene("Halves", 49.5);
        scene.contrast = 49.4;
        f.c().apply(scene);
        QTRY_VERIFY(!f.c().isApplyingScene());
        QCOMPARE(f.monitor.writes(), (QStringList{"set luminance 50", "set contrast 49"}));
        QCOMPARE(f.values().mid(0, 2), (QList<double>{49.5, 49.4}));
    }

    void aFailedWriteStopsTheSceneWhereItIs() {
        ControllerFixture f;
        f.monitor.setScript("set contrast * = exit=1 err=\"contrast locked\"\n");
        f.c().apply(MonitorScene::movie());
        QTRY_VERIFY(!f.c().isApplyingScene());
        QCOMPARE(f.monitor.writes(), (QStringList{"set luminance 35", "set contrast 75"}));
        QCOMPARE(f.values(), (QList<double>{35, 70, 30, 50, 50, 50}));
        QVERIFY(!f.c().activeSceneID());
        QVERIFY(f.c().hasError());
        QCOMPARE(f.c().status(), QStringLiteral("Could not apply Movie: contrast locked"));
    }

    // A scene cancels pending slider writes; scenes asked for while one is applied are dropped.
    void aSceneGoesAloneToTheMonitor() {
        ControllerFixture f;
        f.c().setLive(MonitorFeature::brightness, 90);
        f.c().apply(MonitorScene::reading());
        f.settle();
        QVERIFY(!f.monitor.writes().contains("set luminance 90"));
        QCOMPARE(f.monitor.stateValue("luminance"), QStringLiteral("45"));

        f.monitor.clearLog();
        f.c().apply(MonitorScene::work());
        f.c().apply(MonitorScene::work());
        f.c().apply(MonitorScene::night());
        f.settle();
        QCOMPARE(f.monitor.writes().size(), 5);
        QCOMPARE(f.c().activeSceneID(), MonitorScene::work().id);
    }

    void adaptiveIsPausedByAnyScene() {
        ControllerFixture f(ControllerFixture::withMonitors);
        f.reader.reading = BuiltInDisplayBrightnessReading::available(0.5);
        f.adaptive().setEnabled(true);
        QTRY_COMPARE(f.monitor.writes().size(), 1);
        auto quiet = makeScene("Quiet");
        quiet.volume = 5;
        f.c().apply(quiet);
        QTRY_VERIFY(!f.c().isApplyingScene());
        QCOMPARE(f.adaptive().pausedUntil(), f.clock->current.addSecs(1800));
        f.adaptive().setEnabled(false);
    }

    void aSceneEndsNightModeWithoutRestoring() {
        ControllerFixture f;
        f.monitor.setState({{"luminance", "80"}, {"red", "49"}, {"green", "51"}, {"blue", "52"}});
        f.c().setNightMode(true);
        QTRY_VERIFY(f.c().isNightMode());
        f.settle();
        f.monitor.clearLog();

        auto quiet = makeScene("Quiet");
        quiet.volume = 5;
        f.c().apply(quiet);
        QTRY_VERIFY(!f.c().isApplyingScene());
        QCOMPARE(f.monitor.writes(), QStringList{"set volume 5"});
        QVERIFY(!f.c().isNightMode());
        QVERIFY(!Probe::nightMode(f.c()).snapshot());
        QCOMPARE(f.c().red(), 50.0); // the night gains stay
        QCOMPARE(f.settings->allKeys().filter("nightMode"), QStringList());
    }

    void theInputIsSwitchedOnlyWhenItDiffers() {
        ControllerFixture f;
        QVERIFY(runTask(f.c().refresh())); // HDMI 1
        f.c().apply(makeScene("Same input", std::nullopt, MonitorInput::hdmi1));
        QTRY_VERIFY(!f.c().isApplyingScene());
        QVERIFY(f.monitor.writes().isEmpty());
        QCOMPARE(f.c().status(), QStringLiteral("Same input • Applied"));

        f.c().apply(makeScene("Console", 60, MonitorInput::hdmi2));
        QTRY_VERIFY(!f.c().isApplyingScene());
        QCOMPARE(f.monitor.writes(), (QStringList{"set luminance 60", "set input-alt 145"}));
        QCOMPARE(f.c().activeInput(), MonitorInput::hdmi2);

        f.monitor.setScript("set input-alt * = exit=1 err=\"no signal\"\n");
        f.c().apply(makeScene("Laptop", std::nullopt, MonitorInput::usbC));
        QTRY_VERIFY(!f.c().isApplyingScene());
        QCOMPARE(f.c().status(), QStringLiteral("Could not apply Laptop: no signal"));
        QCOMPARE(f.c().activeInput(), MonitorInput::hdmi2);
    }

    void perInputScenesApplyAfterAManualSwitch() {
        ControllerFixture f;
        f.c().setPerInputScenesEnabled(true);
        f.c().setPreferredSceneID(MonitorInput::hdmi1, MonitorScene::reading().id);
        f.monitor.setState({{"input-alt", "208"}});
        QVERIFY(runTask(f.c().refresh()));
        f.monitor.clearLog();

        f.c().setInput(MonitorInput::hdmi1);
        QTRY_COMPARE(f.c().activeSceneID(), MonitorScene::reading().id);
        f.settle();
        QCOMPARE(f.monitor.writes(), (QStringList{"set input-alt 144", "set luminance 45", "set contrast 65",
                                                  "set red 50", "set green 47", "set blue 42"}));

        // Already active: switching again writes only the input.
        f.monitor.clearLog();
        f.c().setInput(MonitorInput::hdmi1);
        f.settle();
        QCOMPARE(f.monitor.writes(), QStringList{"set input-alt 144"});
    }

    void thePreferredPathNeverSwitchesInput() {
        ControllerFixture f;
        const auto console = makeScene("Console", 66, MonitorInput::hdmi2);
        f.store->add(console);
        f.c().setPreferredSceneID(MonitorInput::hdmi1, console.id);
        f.c().setPerInputScenesEnabled(true);
        QVERIFY(runTask(f.c().start())); // HDMI 1 at start-up
        f.settle();
        QCOMPARE(f.c().activeSceneID(), console.id);
        QVERIFY(f.monitor.writes().contains("set luminance 66"));
        QVERIFY(!f.monitor.writes().contains("set input-alt 145"));
    }

    void unusablePreferencesAreIgnored() {
        ControllerFixture f;
        f.c().setPerInputScenesEnabled(true);
        auto gone = makeScene("Gone");
        gone.volume = 3;
        f.store->add(gone);
        f.c().setPreferredSceneID(MonitorInput::hdmi1, gone.id);
        f.c().deleteScene(gone);
        f.settings->setValue("inputScenePreferences",
                             QVariantMap{{"hdmi1", uuidText(gone.id)}, {"hdmi2", "not-a-uuid"}});
        QVERIFY(runTask(f.c().start()));
        f.settle();
        QVERIFY(f.monitor.writes().isEmpty());
        QVERIFY(!f.c().preferredSceneID(MonitorInput::hdmi2));
    }

    void savingDuplicatingAndDeleting() {
        ControllerFixture f;
        QVERIFY(runTask(f.c().refresh()));
        f.c().saveCurrentSettingsAsScene(QStringLiteral("  Evening \n"), QStringLiteral("moon.stars.fill"));
        QCOMPARE(f.store->customScenes().size(), 1);
        const auto saved = f.store->customScenes().first();
        QCOMPARE(saved.name, QStringLiteral("Evening"));
        QCOMPARE(saved.brightness, 60.0);
        QCOMPARE(saved.rgb, (MonitorScene::RGB{50, 50, 50}));
        QVERIFY(!saved.input);
        QCOMPARE(f.c().activeSceneID(), saved.id);

        f.c().saveCurrentSettingsAsScene(QStringLiteral(" \n\t "), QStringLiteral("display"));
        QCOMPARE(f.store->customScenes().size(), 1);

        f.c().duplicateScene(MonitorScene::night());
        const auto copy = f.store->customScenes().last();
        QCOMPARE(copy.name, QStringLiteral("Night Copy"));
        QCOMPARE(copy.rgb, MonitorScene::night().rgb);
        QCOMPARE(f.c().activeSceneID(), saved.id); // duplicating marks nothing

        f.c().deleteScene(saved);
        QVERIFY(!f.c().activeSceneID());
        QCOMPARE(f.store->customScenes().size(), 1);
    }

    void editsGoThroughTheController() {
        ControllerFixture f;
        f.c().saveCurrentSettingsAsScene(QStringLiteral("Evening"), QStringLiteral("moon.stars.fill"));
        f.c().duplicateScene(MonitorScene::work());
        const auto saved = f.store->customScenes().first();
        auto copy = f.store->customScenes().last();
        QSignalSpy scenesChanged(&f.c(), &MonitorController::scenesChanged);

        copy.name = QStringLiteral("Office");
        f.c().updateScene(copy); // not the active scene: the mark stays
        QCOMPARE(f.c().activeSceneID(), saved.id);

        // The active scene edited: the monitor may no longer show what the scene now says.
        auto edited = saved;
        edited.brightness = 20;
        f.c().updateScene(edited);
        QVERIFY(!f.c().activeSceneID());
        QCOMPARE(f.store->customScenes().first().brightness, 20.0);
        QCOMPARE(scenesChanged.count(), 2);
    }

    void matchingWaitsForARealBrightness() {
        ControllerFixture f;
        auto quiet = makeScene("Quiet");
        quiet.volume = 30;
        f.store->add(quiet);
        f.c().set(MonitorFeature::volume, 30);
        f.settle();
        QVERIFY(!f.c().activeSceneID()); // defaults say nothing about the monitor yet
        QVERIFY(runTask(f.c().refresh()));
        QCOMPARE(f.c().activeSceneID(), quiet.id);
    }
};

QTEST_GUILESS_MAIN(TestSceneApplication)
#include "tst_sceneapplication.moc"
