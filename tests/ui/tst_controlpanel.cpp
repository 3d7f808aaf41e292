// The Controls section: its pickers and rows follow the controller, act only on what the user
// chooses, and read the monitor each time the section appears; with several monitors, the one
// picked in its Monitor row. (How it shows an error, as the panel does, is the shell test's.)
#include "MonitorsTesting.h"
#include "ui/widgets/CircleChip.h"
#include "ui/widgets/CompactMonitorSlider.h"
#include "ui/window/ControlPanelView.h"
#include "ui/window/UnifiedMonitorWindow.h"
#include "UiTesting.h"

#include <QSlider>

using namespace UiTesting;

namespace {
using namespace MonitorsTesting;

// The Controls the window shows now (the one it replaced may not be deleted yet).
ControlPanelView* shownControls(const QWidget& window) {
    const auto views = window.findChildren<ControlPanelView*>();
    const auto shown = std::ranges::find_if(views, &QWidget::isVisible);
    return shown == views.end() ? nullptr : *shown;
}
} // namespace

class TestControlPanel : public UiTesting::Test {
    Q_OBJECT

private slots:
    void eachAppearanceReadsTheMonitor() {
        ControllerFixture f(ControllerFixture::withMonitors);
        ControlPanelView panel(*f.monitors, f.c());
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
        ControllerFixture f(ControllerFixture::withMonitors);
        ControlPanelView panel(*f.monitors, f.c());
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
        ControllerFixture f(ControllerFixture::withMonitors);
        ControlPanelView panel(*f.monitors, f.c());
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
        ControllerFixture f(ControllerFixture::withMonitors);
        f.monitor.setScript("get contrast = exit=1\nget volume = out=\"0\"\n");
        ControlPanelView panel(*f.monitors, f.c());
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
        ControllerFixture f(ControllerFixture::withMonitors);
        f.monitor.setScript("get input-alt = exit=1\n");
        f.monitor.setState({{"inputs", "18 15"}});
        ControlPanelView panel(*f.monitors, f.c());
        auto* input = byAccessibleName<QComboBox>(&panel, QStringLiteral("Input"));
        QCOMPARE(input->count(), 4);
        QVERIFY(runTask(f.c().refresh()));
        QCOMPARE(input->count(), 2);
        emit input->activated(input->findText(QStringLiteral("HDMI 2")));
        QTRY_COMPARE(f.monitor.writes(), QStringList("set input 18"));
        QCOMPARE(input->currentText(), QStringLiteral("HDMI 2"));
        QCOMPARE(input->itemText(0), QStringLiteral("DisplayPort"));
    }

    // With two monitors the Monitor row, worked by the keyboard, picks whose controls are shown:
    // the picked one is read, its slider and the refresh chip reach it alone, and when it goes
    // the main monitor's controls come back, with its name in place of the picker.
    void theMonitorPickerChoosesWhichMonitorIsControlled() {
        ControllerFixture f(ControllerFixture::withMonitors);
        QVERIFY(startBoth(f));
        WindowSectionState selection;
        FakeLoginItem login;
        UnifiedMonitorWindow window(*f.model, selection, login);
        QVERIFY(showActive(&window));
        f.settle();
        auto* picker = byAccessibleName<QComboBox>(shownControls(window), QStringLiteral("Monitor"));
        QVERIFY(picker->isVisible());
        QCOMPARE(entries(picker), (QStringList{"Left", "Right"}));
        QCOMPARE(picker->currentText(), QStringLiteral("Left"));

        f.monitor.clearLog();
        pressOn(picker, Qt::Key_Down);
        QTRY_COMPARE(byAccessibleName<QSlider>(shownControls(window), QStringLiteral("Brightness"))->value(),
                     80);
        picker = byAccessibleName<QComboBox>(shownControls(window), QStringLiteral("Monitor"));
        QCOMPARE(picker->currentText(), QStringLiteral("Right"));
        QTRY_VERIFY(picker->hasFocus()); // the keyboard stays where it was
        f.settle();
        QVERIFY(f.monitor.commandLines().contains("display " + right + " get luminance"));

        f.monitor.clearLog();
        QTest::keyClick(byAccessibleName<QSlider>(shownControls(window), QStringLiteral("Brightness")),
                        Qt::Key_Up);
        byAccessibleName<CircleChip>(&window, QStringLiteral("Refresh monitor values"))->click();
        f.settle();
        const QStringList lines = f.monitor.commandLines();
        QCOMPARE(lines.filter(" set "), QStringList("display " + right + " set luminance 81"));
        QVERIFY(lines.contains("display " + right + " get contrast"));
        QCOMPARE(lines.filter("display " + right + ' ').size(), lines.size());
        QCOMPARE(f.c().brightness(), 20.0);

        f.replug({left + " Left"});
        QTRY_VERIFY(shownControls(window) && shownLabel(shownControls(window), QStringLiteral("Left")));
        QVERIFY(!byAccessibleName<QComboBox>(shownControls(window), QStringLiteral("Monitor"))->isVisible());
        QCOMPARE(byAccessibleName<QSlider>(shownControls(window), QStringLiteral("Brightness"))->value(), 20);
        byAccessibleName<CircleChip>(&window, QStringLiteral("Refresh monitor values"))->click();
        QVERIFY(f.c().isWorking());
        f.settle();
    }
};

QTEST_MAIN(TestControlPanel)
#include "tst_controlpanel.moc"
