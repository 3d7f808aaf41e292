// What the screens are called: the naming rule, and the system source over Qt's screens.
#include "system/linux/ScreenNaming.h"
#include "system/ScreenNameSource.h"

#include "OffscreenScreens.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTest>

#include <cstdio>

namespace {
constexpr auto withoutGuiFlag = "--screen-names-without-gui";
}

class TestScreenNames : public QObject {
    Q_OBJECT

    QJsonObject m_initialConfiguration;

private slots:
    void initTestCase() {
        m_initialConfiguration = OffscreenScreens::configuration();
        QVERIFY2(!m_initialConfiguration.isEmpty(), "these tests drive the offscreen platform's screens");
    }

    void cleanup() { QVERIFY(OffscreenScreens::setConfiguration(m_initialConfiguration)); }

    void builtInConnectors_data() {
        QTest::addColumn<QString>("connector");
        QTest::addColumn<bool>("builtIn");

        for (const char* name : {"eDP-1", "eDP-2", "eDP1", "eDP", "eDP-1-1", "EDP-1", "LVDS-1", "LVDS1",
                                 "LVDS", "DSI-1", "DSI1"})
            QTest::newRow(name) << QString::fromLatin1(name) << true;
        for (const char* name : {"HDMI-A-1", "HDMI-1", "DP-1", "DP-4", "DisplayPort-0", "DVI-D-1", "VGA-1",
                                 "Virtual-1", "eDPx", "XWAYLAND0", ""})
            QTest::newRow(*name ? name : "(empty)") << QString::fromLatin1(name) << false;
    }
    void builtInConnectors() {
        QFETCH(QString, connector);
        QFETCH(bool, builtIn);
        QCOMPARE(ScreenNaming::isBuiltInConnector(connector), builtIn);
    }

    void names_data() {
        QTest::addColumn<QString>("connector");
        QTest::addColumn<QString>("manufacturer");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("expected");

        QTest::newRow("laptop panel, whatever its EDID says") << "eDP-1"
                                                              << "BOE Technology"
                                                              << "NE135FBM-N41"
                                                              << "Built-in Display";
        QTest::newRow("older panel connector") << "LVDS1"
                                               << ""
                                               << ""
                                               << "Built-in Display";
        QTest::newRow("brand already in the model") << "DP-1"
                                                    << "Dell Inc."
                                                    << "DELL U2720Q"
                                                    << "DELL U2720Q";
        QTest::newRow("brand repeated exactly") << "DP-1"
                                                << "Velmar"
                                                << "Velmar X"
                                                << "Velmar X";
        QTest::newRow("brand repeated in other capitals") << "DP-1"
                                                          << "velmar"
                                                          << "VELMAR X27"
                                                          << "VELMAR X27";
        QTest::newRow("model is the brand") << "DP-1"
                                            << "Velmar"
                                            << "Velmar"
                                            << "Velmar";
        QTest::newRow("brand not in the model") << "HDMI-A-1"
                                                << "Samsung Electric Company"
                                                << "S27R65x"
                                                << "Samsung Electric Company S27R65x";
        QTest::newRow("brand must match a whole word") << "DP-2"
                                                       << "Velmar"
                                                       << "Velmarine 27"
                                                       << "Velmar Velmarine 27";
        QTest::newRow("dash Qt leaves for the name's line feed") << "DP-1"
                                                                 << "Dell Inc."
                                                                 << "DELL U2720Q-"
                                                                 << "DELL U2720Q";
        QTest::newRow("several padding dashes") << "DP-1"
                                                << ""
                                                << "VELMAR X27---"
                                                << "VELMAR X27";
        QTest::newRow("stray whitespace") << "DP-1"
                                          << "  Dell   Inc. "
                                          << " DELL  U2720Q \n"
                                          << "DELL U2720Q";
        QTest::newRow("model only") << "DP-3"
                                    << ""
                                    << "U2720Q"
                                    << "U2720Q";
        QTest::newRow("manufacturer only") << "DP-3"
                                           << "Dell Inc."
                                           << ""
                                           << "Dell Inc.";
        QTest::newRow("nothing from the monitor") << "HDMI-A-1"
                                                  << ""
                                                  << ""
                                                  << "";
        QTest::newRow("virtual screen") << "screen"
                                        << ""
                                        << ""
                                        << "";
        QTest::newRow("compositor's unknown") << "HDMI-A-1"
                                              << "Unknown"
                                              << "unknown"
                                              << "";
        QTest::newRow("nothing known at all") << ""
                                              << ""
                                              << ""
                                              << "";
    }
    void names() {
        QFETCH(QString, connector);
        QFETCH(QString, manufacturer);
        QFETCH(QString, model);
        QFETCH(QString, expected);
        QCOMPARE(ScreenNaming::screenName(connector, manufacturer, model), expected);
    }

    void systemSourceNamesQtScreensInOrder() {
        using namespace OffscreenScreens;
        const auto source = makeSystemScreenNameSource();
        // The offscreen platform's own screen has no name: a screen that tells nothing is left out.
        QCOMPARE(source->screenNames(), QStringList{});

        const QJsonObject unnamed = m_initialConfiguration.value("screens").toArray().first().toObject();
        const auto panel = screen("eDP-1", {800, 0, 1920, 1200});
        const auto monitor = screen("HDMI-A-1", {2720, 0, 2560, 1440});
        QVERIFY(setScreens(m_initialConfiguration, {unnamed, panel}));
        QVERIFY(setScreens(m_initialConfiguration, {unnamed, panel, monitor}));
        flush();
        QCOMPARE(QGuiApplication::screens().size(), 3);
        // The offscreen monitor carries no EDID names, so it is left out like the unnamed screen.
        QCOMPARE(source->screenNames(), (QStringList{"Built-in Display"}));

        // Asked afresh each time: an unplugged panel is gone from the next answer.
        QVERIFY(setScreens(m_initialConfiguration, {unnamed, monitor}));
        flush();
        QCOMPARE(source->screenNames(), QStringList{});
    }

    void noScreensWithoutGuiApplication() {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(withoutGuiFlag)});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(child.readAllStandardOutput(), QByteArray("0\n"));
    }
};

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], withoutGuiFlag) == 0) {
        QCoreApplication app(argc, argv);
        std::printf("%lld\n", static_cast<long long>(makeSystemScreenNameSource()->screenNames().size()));
        return 0;
    }
    QGuiApplication app(argc, argv);
    TestScreenNames test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screennames.moc"
