// What the screens are called: the naming rule, and the system source over Qt's screens.
#include "system/linux/ScreenNaming.h"
#include "system/ScreenNameSource.h"

#include "OffscreenScreens.h"

#include <QGuiApplication>
#include <QTest>

class TestScreenNames : public QObject {
    Q_OBJECT

    QJsonObject m_initialConfiguration;

private slots:
    void initTestCase() {
        m_initialConfiguration = OffscreenScreens::configuration();
        QVERIFY2(!m_initialConfiguration.isEmpty(), "these tests drive the offscreen platform's screens");
    }

    void cleanup() { QVERIFY(OffscreenScreens::setConfiguration(m_initialConfiguration)); }

    void names_data() {
        QTest::addColumn<QString>("connector");
        QTest::addColumn<QString>("manufacturer");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("expected");
        // clang-format off
        // Which connectors are a panel's is the shared rule's business (tst_monitorcodes).
        QTest::newRow("laptop panel, whatever its EDID says") << "eDP-1" << "BOE Technology" << "NE135FBM-N41" << "Built-in Display";
        QTest::newRow("brand already in the model") << "DP-1" << "Dell Inc." << "DELL U2720Q" << "DELL U2720Q";
        QTest::newRow("punctuation after the brand") << "DP-1" << "Velmar, Inc." << "VELMAR X27" << "VELMAR X27";
        QTest::newRow("brand not in the model") << "HDMI-A-1" << "Samsung Electric Company" << "S27R65x" << "Samsung Electric Company S27R65x";
        QTest::newRow("brand must match a whole word") << "DP-2" << "Velmar" << "Velmarine 27" << "Velmar Velmarine 27";
        QTest::newRow("dashes Qt leaves for the name's line feed") << "DP-1" << "velmar" << "VELMAR X27---" << "VELMAR X27";
        QTest::newRow("stray whitespace") << "DP-1" << "  Dell   Inc. " << " DELL  U2720Q \n" << "DELL U2720Q";
        QTest::newRow("model only") << "DP-3" << "" << "U2720Q" << "U2720Q";
        QTest::newRow("manufacturer only") << "DP-3" << "Dell Inc." << "" << "Dell Inc.";
        QTest::newRow("nothing from the monitor") << "HDMI-A-1" << "" << "" << "";
        QTest::newRow("compositor's unknown") << "HDMI-A-1" << "Unknown" << "unknown" << "";
        // clang-format on
    }
    void names() {
        QFETCH(QString, connector);
        QFETCH(QString, manufacturer);
        QFETCH(QString, model);
        QTEST(ScreenNaming::screenName(connector, manufacturer, model), "expected");
    }

    void systemSourceNamesQtScreens() {
        using namespace OffscreenScreens;
        const auto source = makeSystemScreenNameSource();
        // The offscreen platform's own screen has no name: a screen that tells nothing is left out.
        QCOMPARE(source->screens(), QList<ScreenDescription>{});

        const QJsonObject unnamed = m_initialConfiguration.value("screens").toArray().first().toObject();
        const auto panel = screen("eDP-1", {800, 0, 1920, 1200});
        const auto monitor = screen("HDMI-A-1", {2720, 0, 2560, 1440});
        QVERIFY(setScreens(m_initialConfiguration, {unnamed, panel, monitor}));
        // The offscreen monitor carries no EDID names, so it is left out like the unnamed screen.
        QCOMPARE(source->screens(), (QList<ScreenDescription>{{"Built-in Display", true}}));

        // Asked afresh each time: an unplugged panel is gone from the next answer.
        QVERIFY(setScreens(m_initialConfiguration, {unnamed, monitor}));
        QCOMPARE(source->screens(), QList<ScreenDescription>{});
    }
};

QTEST_MAIN(TestScreenNames)

#include "tst_screennames.moc"
