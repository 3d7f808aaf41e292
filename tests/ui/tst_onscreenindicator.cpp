// The on-screen indicator: where it appears, that it takes neither focus nor clicks and goes by
// itself; the shell shows scripted changes on it unless Settings turned it off.
#include "MonitorsTesting.h"
#include "controller/OnScreenIndicatorPreference.h"
#include "ui/OnScreenIndicator.h"
#include "ui/VelmarMonitorMenuApp.h"
#include "ui/widgets/ToggleSwitch.h"
#include "ui/window/SettingsView.h"
#include "UiTesting.h"

#include <QScreen>

using namespace UiTesting;

class TestOnScreenIndicator : public UiTesting::Test {
    Q_OBJECT

private slots:
    void appearsAtTheBottomCentreWithoutTakingFocus() {
        ControllerFixture f;
        QVERIFY(f.refreshShowingMovie());
        QWidget focused;
        focused.resize(300, 200);
        QVERIFY(showActive(&focused));

        OnScreenIndicator indicator;
        indicator.showValue(MonitorFeature::brightness, f.c());
        QVERIFY(QTest::qWaitForWindowExposed(&indicator));
        QCOMPARE(indicator.accessibleName(), QStringLiteral("Brightness 35 percent"));
        QCOMPARE(QGuiApplication::focusWindow(), focused.windowHandle());
        QVERIFY(indicator.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));

        const QRect available = indicator.screen()->availableGeometry();
        const QRect shown = indicator.frameGeometry();
        QVERIFY(std::abs(shown.center().x() - available.center().x()) <= 1);
        QVERIFY(shown.top() > available.center().y());
        QVERIFY(available.contains(shown));
        // Clicks reach whatever lies beneath.
        QVERIFY(QApplication::widgetAt(shown.center()) != &indicator);

        // A later change takes its place; then it goes by itself.
        indicator.showNightMode(true);
        QCOMPARE(indicator.accessibleName(), QStringLiteral("Night Mode On"));
        QTRY_VERIFY_WITH_TIMEOUT(!indicator.isVisible(), 5000);
        QCOMPARE(QGuiApplication::focusWindow(), focused.windowHandle());
    }

    void theShellShowsScriptedChangesUnlessTurnedOff() {
        ControllerFixture f(ControllerFixture::withMonitors);
        QVERIFY(f.refreshShowingMovie());
        QVERIFY(f.model->onScreenIndicator().isEnabled()); // on until the user says otherwise
        {
            VelmarMonitorMenuApp shell(*f.model, std::make_unique<FakeLoginItem>());
            QVERIFY(!shell.onScreenIndicator()); // nothing made before it is wanted
            shell.showValueChange(MonitorFeature::volume);
            QVERIFY(shell.onScreenIndicator() && shell.onScreenIndicator()->isVisible());
            QCOMPARE(shell.onScreenIndicator()->accessibleName(), QStringLiteral("Volume 30 percent"));
            shell.onScreenIndicator()->hide();

            FakeLoginItem login;
            SettingsView settings(*f.model, login);
            auto* toggle =
                byAccessibleName<ToggleSwitch>(&settings, QStringLiteral("Show changes on screen"));
            QVERIFY(toggle && toggle->isChecked());
            toggle->click();
            QVERIFY(!f.model->onScreenIndicator().isEnabled());
            shell.showInputChange(MonitorInput::hdmi2);
            shell.showSceneChange(MonitorScene::work());
            QVERIFY(!shell.onScreenIndicator()->isVisible());
        }
        f.rebuild(); // a restart keeps the choice
        QVERIFY(!f.model->onScreenIndicator().isEnabled());
    }

    // With several monitors a change names its monitor and shows that monitor's value; Night Mode,
    // which every monitor follows, names none.
    void aChangeNamesItsMonitorWhenSeveralAreConnected() {
        using namespace MonitorsTesting;
        ControllerFixture f(ControllerFixture::withMonitors);
        QVERIFY(startBoth(f));
        VelmarMonitorMenuApp shell(*f.model, std::make_unique<FakeLoginItem>());
        shell.showValueChange(MonitorFeature::brightness, f.monitors->controller(right));
        auto* indicator = shell.onScreenIndicator();
        QCOMPARE(indicator->accessibleName(), QStringLiteral("Right: Brightness 80 percent"));
        const int namedHeight = indicator->height();
        shell.showInputChange(MonitorInput::hdmi2);
        QCOMPARE(indicator->accessibleName(), QStringLiteral("Left: HDMI 2"));
        shell.showNightModeChange(true);
        QCOMPARE(indicator->accessibleName(), QStringLiteral("Night Mode On"));
        QVERIFY(indicator->height() < namedHeight); // the caption's room goes with it
    }
};

QTEST_MAIN(TestOnScreenIndicator)
#include "tst_onscreenindicator.moc"
