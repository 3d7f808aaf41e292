// The Controls section: its pickers and rows follow the controller, act only on what the user
// chooses, and read the monitor each time the section appears. (How it shows an error, as the
// panel does, is the shell test's.)
#include "support/ControllerFixture.h"
#include "support/TestSupport.h"
#include "ui/widgets/CompactMonitorSlider.h"
#include "ui/window/ControlPanelView.h"
#include "UiTesting.h"

using namespace UiTesting;

class TestControlPanel : public UiTesting::Test {
    Q_OBJECT

private slots:
    void eachAppearanceReadsTheMonitor() {
        ControllerFixture f;
        ControlPanelView panel(f.c());
        QVERIFY(f.monitor.commandLines().isEmpty()); // made, not shown: nothing read
        panel.show();
        QVERIFY(f.c().isWorking());
        f.settle();
        panel.hide();
        panel.show();
        f.settle();
        QCOMPARE(f.monitor.commandLines().count("get luminance"), 2);
        QCOMPARE(byAccessibleName<CompactMonitorSlider>(&panel, QStringLiteral("Contrast"))->value(), 70.0);
    }

    void tonePickerOffersCustomOnlyWhenNoSceneMatches() {
        ControllerFixture f;
        ControlPanelView panel(f.c());
        auto* tone = byAccessibleName<QComboBox>(&panel, QStringLiteral("Display tone"));
        const int scenes = int(MonitorScene::builtInDefaults().size());
        QCOMPARE(tone->count(), scenes + 1);
        QCOMPARE(tone->currentText(), QStringLiteral("Custom"));

        QVERIFY(f.refreshShowingMovie());
        QCOMPARE(tone->count(), scenes);
        QVERIFY(!entries(tone).contains(QStringLiteral("Custom")));
        QCOMPARE(tone->currentText(), QStringLiteral("Movie"));

        // The user picks Night: it is applied, and the picker is disabled meanwhile.
        f.monitor.clearLog();
        tone->setCurrentIndex(tone->findText(QStringLiteral("Night")));
        emit tone->activated(tone->currentIndex());
        QVERIFY(!tone->isEnabled());
        QTRY_COMPARE(f.c().activeSceneID(), MonitorScene::night().id);
        QVERIFY(tone->isEnabled());
        QCOMPARE(tone->currentText(), QStringLiteral("Night"));
        QCOMPARE(f.monitor.writes().first(), QStringLiteral("set luminance 20"));

        // A saved scene joins the list at once.
        f.c().saveCurrentSettingsAsScene(QStringLiteral("Evening"), QStringLiteral("moon.stars.fill"));
        QCOMPARE(entries(tone).last(), QStringLiteral("Evening"));
    }

    void presetPickerFollowsTheGains() {
        ControllerFixture f;
        ControlPanelView panel(f.c());
        auto* preset = byAccessibleName<QComboBox>(&panel, QStringLiteral("Preset"));
        QCOMPARE(preset->currentText(), QStringLiteral("Neutral")); // 50/50/50
        const QStringList presets = entries(preset);
        QVERIFY(!presets.contains(QStringLiteral("Custom")));

        f.c().setValue(MonitorFeature::red, 47); // off every preset: "Custom" appears
        QCOMPARE(entries(preset), presets + QStringList{"Custom"});
        QCOMPARE(preset->currentText(), QStringLiteral("Custom"));

        emit preset->activated(preset->currentIndex()); // choosing "Custom" changes nothing
        QCOMPARE(f.c().red(), 47.0);
        emit preset->activated(preset->findText(QStringLiteral("Warm")));
        QCOMPARE(f.c().matchedPreset(), ColorPreset::warm); // what reaches the monitor: the controller's test
        QCOMPARE(preset->currentText(), QStringLiteral("Warm"));
    }

    void rowsShowWhatIsKnown() {
        ControllerFixture f;
        f.monitor.setScript("get contrast = exit=1\nget volume = out=\"0\"\n");
        ControlPanelView panel(f.c());
        auto* contrast = byAccessibleName<CompactMonitorSlider>(&panel, QStringLiteral("Contrast"));
        auto* volume = byAccessibleName<CompactMonitorSlider>(&panel, QStringLiteral("Volume"));
        QCOMPARE(contrast->toolTip(), QStringLiteral("Contrast is not available"));
        QVERIFY(runTask(f.c().refresh()));
        QCOMPARE(contrast->toolTip(), QStringLiteral("Contrast is not available")); // it never answered
        QCOMPARE(volume->toolTip(), QStringLiteral("Volume: 0 percent"));

        auto* input = byAccessibleName<QComboBox>(&panel, QStringLiteral("Input"));
        QCOMPARE(input->currentText(), QStringLiteral("HDMI 1"));
        emit input->activated(input->findText(QStringLiteral("HDMI 2")));
        QCOMPARE(f.c().activeInput(), MonitorInput::hdmi2);
    }

    // A monitor of another make lists only the inputs its capabilities name, and switches to them.
    void inputPickerListsTheMonitorsInputs() {
        ControllerFixture f;
        f.monitor.setScript("get input-alt = exit=1\n");
        f.monitor.setState({{"inputs", "18 15"}});
        ControlPanelView panel(f.c());
        auto* input = byAccessibleName<QComboBox>(&panel, QStringLiteral("Input"));
        QCOMPARE(input->count(), 4);
        QVERIFY(runTask(f.c().refresh()));
        QCOMPARE(input->count(), 2);
        emit input->activated(input->findText(QStringLiteral("HDMI 2")));
        QTRY_COMPARE(f.monitor.writes(), QStringList("set input 18"));
        QCOMPARE(input->currentText(), QStringLiteral("HDMI 2"));
        QCOMPARE(input->itemText(0), QStringLiteral("DisplayPort"));
    }
};

QTEST_MAIN(TestControlPanel)
#include "tst_controlpanel.moc"
