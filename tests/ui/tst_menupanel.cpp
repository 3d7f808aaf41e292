// The tray panel: what it shows for each state of the controller, and what its controls do to
// the monitor; with several monitors, which monitor each control reaches as they come and go.
// (How it shows an error, as the window does, is the shell test's.)
#include "MonitorsTesting.h"
#include "system/PlatformWording.h"
#include "ui/panel/MonitorHeaderPicker.h"
#include "ui/panel/MonitorMenuView.h"
#include "ui/widgets/CapsuleSlider.h"
#include "ui/widgets/CircleChip.h"
#include "ui/widgets/ElidedLabel.h"
#include "ui/widgets/Spinner.h"
#include "ui/widgets/ToggleSwitch.h"
#include "UiTesting.h"

#include <QSignalSpy>

using namespace UiTesting;
using namespace MonitorsTesting;
using Reading = BuiltInDisplayBrightnessReading;

namespace {

QStringList sliderNames(const QWidget* panel) {
    QStringList names;
    for (auto* slider : panel->findChildren<CapsuleSlider*>())
        names << slider->accessibleName();
    return names;
}

// Chooses the monitor named `name` in the header's picker, as the keyboard does.
void pick(MonitorHeaderPicker* picker, const QString& name) {
    MenuWatch watch(picker->menu());
    picker->setFocus();
    QTest::keyClick(picker, Qt::Key_Down);
    QTRY_COMPARE(watch.shown, 1);
    const auto actions = picker->menu()->actions();
    const auto named = std::ranges::find(actions, name, &QAction::text);
    QVERIFY(named != actions.end());
    (*named)->trigger();
}

} // namespace

class TestMenuPanel : public UiTesting::Test {
    Q_OBJECT

private slots:
    void headerAndAdaptiveStatus() {
        ControllerFixture f(ControllerFixture::withMonitors);
        f.monitor.setScript("get luminance = wait=gate out=\"60\"\n");
        MonitorMenuView panel(*f.model);
        panel.show();
        auto* status = panel.findChild<ElidedLabel*>();
        auto* spinner = panel.findChild<Spinner*>();
        QCOMPARE(status->text(), QStringLiteral("Checking monitor…"));
        QVERIFY(!spinner->isVisible());

        auto refreshing = f.c().refresh();
        QVERIFY(spinner->isVisible());
        QVERIFY(!status->isVisible());
        f.monitor.openGate("gate");
        QVERIFY(runTask(std::move(refreshing)));
        QVERIFY(!spinner->isVisible());
        QCOMPARE(status->text(), QStringLiteral("HDMI 1 • Connected"));

        // The adaptive brightness line reads the state in order.
        auto* toggle = byAccessibleName<ToggleSwitch>(&panel, QStringLiteral("Adaptive Brightness"));
        QCOMPARE(accessibleText(toggle), QStringLiteral("Off"));

        f.reader.reading = Reading::unavailable(Reading::UnavailableReason::noBuiltInDisplay);
        toggle->click(); // the user switches it on
        QVERIFY(f.adaptive().isEnabled());
        QTRY_VERIFY(shownLabel(&panel, PlatformWording::unavailableOnThisComputer()));
        QCOMPARE(accessibleText(toggle), PlatformWording::unavailableOnThisComputer());

        // A pause ahead reads before "unavailable".
        f.c().set(MonitorFeature::contrast, 40);
        QVERIFY(shownLabel(&panel, QStringLiteral("Paused after manual adjustment")));

        f.adaptive().resume();
        f.reader.reading = Reading::available(0.5);
        QTRY_VERIFY(shownLabel(&panel, PlatformWording::followingBuiltInBrightness()));
        f.adaptive().setEnabled(false);
    }

    void slidersWaitForTheMonitorThenWriteWhereTheUserLetsGo() {
        ControllerFixture f(ControllerFixture::withMonitors);
        MonitorMenuView panel(*f.model);
        panel.show();
        auto* brightness = byAccessibleName<CapsuleSlider>(&panel, QStringLiteral("Brightness"));
        QVERIFY(!brightness->isEnabled());
        QVERIFY(runTask(f.c().refresh()));
        QVERIFY(brightness->isEnabled());
        QCOMPARE(brightness->value(), 60.0);

        // A drag across the track: live values while moving, one write where it ends.
        const int y = brightness->height() / 2;
        QTest::mousePress(brightness, Qt::LeftButton, {}, QPoint(2, y));
        for (int x = 2; x <= brightness->width() * 3 / 4; x += 6)
            QTest::mouseMove(brightness, QPoint(x, y));
        QTest::mouseRelease(brightness, Qt::LeftButton, {}, QPoint(brightness->width() * 3 / 4, y));
        f.settle();
        const auto written = f.monitor.writes();
        QCOMPARE(written.last(), QStringLiteral("set luminance %1").arg(qRound(f.c().brightness())));
        QVERIFY2(written.size() <= 2, qPrintable(written.join(", "))); // not once per movement

        // A change made elsewhere (the window, adaptive brightness) moves the slider.
        f.c().setValue(MonitorFeature::brightness, 12);
        QTRY_COMPARE(brightness->value(), 12.0);

        // At zero the sound shows a slashed speaker.
        auto* sound = byAccessibleName<CapsuleSlider>(&panel, QStringLiteral("Sound"));
        const auto symbolOf = [&] {
            return sound->parentWidget()->findChildren<QLabel*>().at(1)->pixmap().toImage();
        };
        f.c().setValue(MonitorFeature::volume, 1);
        const QImage speaking = symbolOf();
        f.c().setValue(MonitorFeature::volume, 0);
        QVERIFY(symbolOf() != speaking);
    }

    // A monitor of another make offers only the inputs its capabilities name.
    void inputMenuOffersTheMonitorsInputs() {
        ControllerFixture f(ControllerFixture::withMonitors);
        f.monitor.setScript("get input-alt = exit=1\n");
        f.monitor.setState({{"inputs", "17 18"}});
        MonitorMenuView panel(*f.model);
        panel.show();
        auto* input = byAccessibleName<CircleChip>(&panel, QStringLiteral("Input source"));
        const auto offered = [input] {
            QStringList titles;
            for (auto* action : input->menu()->actions())
                titles << (action->isVisible() ? action->text() : QString());
            titles.removeAll(QString());
            return titles;
        };
        QCOMPARE(offered().size(), 4);
        QVERIFY(runTask(f.c().refresh()));
        QCOMPARE(offered(), (QStringList{"HDMI 1", "HDMI 2"}));
    }

    void footerButtons() {
        ControllerFixture f(ControllerFixture::withMonitors);
        MonitorMenuView panel(*f.model);
        panel.show();
        auto* night = byAccessibleName<CircleChip>(&panel, QStringLiteral("Night Mode"));
        auto* input = byAccessibleName<CircleChip>(&panel, QStringLiteral("Input source"));
        QCOMPARE(accessibleText(input), QStringLiteral("Unknown"));
        // No input known: the picker shows USB-C chosen.
        QCOMPARE(input->menu()->actions().first()->isChecked(), true);

        QVERIFY(runTask(f.c().refresh()));
        QCOMPARE(accessibleText(input), QStringLiteral("HDMI 1"));

        QCOMPARE(accessibleText(night), QStringLiteral("Off"));
        night->click();
        QVERIFY(!night->isEnabled()); // a change is running
        QVERIFY(!night->isChecked()); // until it has happened
        QTRY_VERIFY(f.c().isNightMode());
        QVERIFY(night->isEnabled());
        QCOMPARE(accessibleText(night), QStringLiteral("On"));

        QSignalSpy open(&panel, &MonitorMenuView::openWindowRequested);
        byAccessibleName<CircleChip>(&panel, QStringLiteral("Settings"))->click();
        QCOMPARE(open.count(), 1);
        QCOMPARE(open.first().first().value<MonitorWindowSection>(), MonitorWindowSection::settings);
        QVERIFY(!panel.isVisible()); // the panel gets out of the way of the window

        // Escape closes it too.
        panel.popUp(QRect(600, 0, 20, 20));
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QTest::keyClick(&panel, Qt::Key_Escape);
        QVERIFY(!panel.isVisible());
    }

    // Two monitors: a named slider each, the link switch, and the header's picker choosing which
    // monitor the sound and input reach.
    void severalMonitorsEachHaveTheirControls() {
        ControllerFixture f(ControllerFixture::withMonitors);
        QVERIFY(startBoth(f));
        MonitorMenuView panel(*f.model);
        QVERIFY(showActive(&panel));
        QCOMPARE(sliderNames(&panel), QStringList({"Brightness of Left", "Brightness of Right", "Sound"}));
        auto* rightBrightness =
            byAccessibleName<CapsuleSlider>(&panel, QStringLiteral("Brightness of Right"));
        QCOMPARE(accessibleText(rightBrightness), QStringLiteral("80 percent"));
        pressOn(rightBrightness, Qt::Key_End);
        QTRY_COMPARE(linesFor(f.monitor, right), QStringList("set luminance 100"));

        auto* link = byAccessibleName<CircleChip>(&panel, QStringLiteral("Link brightness"));
        QVERIFY(link && link->isVisible());
        QCOMPARE(accessibleText(link), QStringLiteral("Off"));
        link->click();
        QVERIFY(f.linked().isLinked());
        QCOMPARE(accessibleText(link), QStringLiteral("On"));
        link->click();
        QCOMPARE(accessibleText(link), QStringLiteral("Off"));

        auto* picker = panel.findChild<MonitorHeaderPicker*>();
        QVERIFY(picker->isVisible() && picker->focusPolicy() & Qt::TabFocus);
        QCOMPARE(accessibleText(picker, QAccessible::Name), QStringLiteral("Monitor"));
        QCOMPARE(accessibleText(picker), QStringLiteral("Left")); // it opens on the main monitor
        pick(picker, QStringLiteral("Right"));
        QCOMPARE(accessibleText(picker), QStringLiteral("Right"));
        f.settle();
        f.monitor.clearLog();
        pressOn(byAccessibleName<CapsuleSlider>(&panel, QStringLiteral("Sound")), Qt::Key_Home);
        auto* input = byAccessibleName<CircleChip>(&panel, QStringLiteral("Input source"));
        input->menu()->actions().last()->trigger();
        QTRY_VERIFY(linesFor(f.monitor, right).contains("set volume 0"));
        QTRY_VERIFY(!linesFor(f.monitor, right).filter(QRegularExpression("^set input")).isEmpty());
        QVERIFY(linesFor(f.monitor, left).isEmpty());
    }

    // A monitor pulled out while the panel is open takes its slider along and the header goes back
    // to the main monitor; with one left the panel is the one-monitor panel. One plugged in
    // appears.
    void monitorsComeAndGoWhileThePanelIsOpen() {
        ControllerFixture f(ControllerFixture::withMonitors);
        QVERIFY(f.startMonitors({left + " Left", right + " Right"}));
        MonitorMenuView panel(*f.model);
        QVERIFY(showActive(&panel));
        auto* picker = panel.findChild<MonitorHeaderPicker*>();
        pick(picker, QStringLiteral("Right"));
        QCOMPARE(accessibleText(picker), QStringLiteral("Right"));

        f.replug({left + " Left"});
        QTRY_COMPARE(sliderNames(&panel), QStringList({"Brightness", "Sound"}));
        QVERIFY(!picker->isVisible());
        QVERIFY(shownLabel(&panel, QStringLiteral("Left")));
        QVERIFY(!byAccessibleName<CircleChip>(&panel, QStringLiteral("Link brightness"))->isVisible());
        f.settle();
        f.monitor.clearLog();
        auto* sound = byAccessibleName<CapsuleSlider>(&panel, QStringLiteral("Sound"));
        pressOn(sound, Qt::Key_Home);
        QTRY_COMPARE(f.monitor.writes(), QStringList("set volume 0")); // the main monitor, as always

        f.replug({left + " Left", right + " Right"});
        QTRY_COMPARE(sliderNames(&panel),
                     QStringList({"Brightness of Left", "Brightness of Right", "Sound"}));
        QVERIFY(picker->isVisible());
        QCOMPARE(accessibleText(picker), QStringLiteral("Left"));
        // The new slider is where the keyboard expects it, before the sound (once read, as a
        // slider waiting for its monitor is passed over).
        f.settle();
        pressOn(byAccessibleName<CapsuleSlider>(&panel, QStringLiteral("Brightness of Right")), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), sound);
    }
};

QTEST_MAIN(TestMenuPanel)
#include "tst_menupanel.moc"
