// What the app and its helper share: the monitor's input codes and the built-in panel rule.
#include "monitor/MonitorInput.h"
#include "MonitorCodes.h"
#include "SimulatedMonitor.h"

#include <QTest>

class TestMonitorCodes : public QObject {
    Q_OBJECT

private slots:
    // The app switches with a vendor code and reads back the standard code the monitor reports;
    // the helper's monitor must take the one and report the other for the same input.
    void appAndHelperAgreeOnInputCodes() {
        for (auto input : MonitorInputs::allCases) {
            auto state = m1ddc::SimulatedState::defaults();
            QVERIFY(!m1ddc::applyWrite(state, m1ddc::Attribute::inputAlt, MonitorInputs::vendorCode(input)));
            QCOMPARE(MonitorInputs::fromVendorCode(state.value(m1ddc::Attribute::inputAlt)), input);
            QCOMPARE(MonitorInputs::fromStandardCode(state.value(m1ddc::Attribute::input)), input);
        }
    }

    void builtInPanelConnectors_data() {
        QTest::addColumn<QString>("connector");
        QTest::addColumn<bool>("builtIn");
        // As DRM names them, as X drivers do (no dash, no number, a second GPU's suffix), in any
        // capitals, and as sysfs does with the card in front.
        for (const char* panel :
             {"eDP-1", "eDP1", "eDP", "eDP-1-1", "edp-2", "LVDS-1", "DSI-1", "card0-eDP-1", "card1-LVDS-1"})
            QTest::newRow(panel) << panel << true;
        for (const char* other :
             {"DP-1", "HDMI-A-1", "card0-DP-1", "eDPx", "eDP-", "eDP--1", "card-eDP-1", ""})
            QTest::newRow(*other ? other : "(empty)") << other << false;
    }
    void builtInPanelConnectors() {
        QFETCH(QString, connector);
        QTEST(MonitorCodes::isBuiltInPanelConnector(connector.toStdString()), "builtIn");
    }
};

QTEST_GUILESS_MAIN(TestMonitorCodes)
#include "tst_monitorcodes.moc"
