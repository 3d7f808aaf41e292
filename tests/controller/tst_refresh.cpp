// The controller's construction (settings it loads) and the full refresh, against the fake helper.
#include "support/ControllerFixture.h"
#include "support/TestSupport.h"

#include <QSignalSpy>

using namespace std::chrono_literals;

class TestRefresh : public QObject {
    Q_OBJECT

private slots:
    void constructionLoadsStoredSettingsAndTalksToNobody() {
        ControllerFixture f(ControllerFixture::withMonitors);
        QTest::qWait(50);
        QVERIFY(f.monitor.commandLines().isEmpty());
        QCOMPARE(f.reader.reads, 0);

        f.settings->setValue("adaptiveBrightnessEnabled", true);
        f.settings->setValue("adaptiveMinimumBrightness", 0);     // a stored zero is a value
        f.settings->setValue("adaptiveMaximumBrightness", 140.5); // a hand edit: brought within 0...100
        f.rebuild();
        QVERIFY(f.adaptive().isEnabled());
        QCOMPARE(f.adaptive().minimum(), 0.0);
        QCOMPARE(f.adaptive().maximum(), 100.0);
        QVERIFY(!f.adaptive().isRunning()); // nothing starts before start()
    }

    void refreshReadsEverythingInOrderWithPauses() {
        ControllerFixture f;
        // Values are stored as reported, without clamping: only writes are clamped.
        f.monitor.setState({{"luminance", "120"}, {"contrast", "71"}, {"volume", "12"}});
        f.monitor.setState({{"red", "49"}, {"green", "48"}, {"blue", "47"}, {"input-alt", "144"}});
        QVERIFY(runTask(f.c().refresh()));
        QCOMPARE(f.values(), (QList<double>{120, 71, 12, 49, 48, 47}));
        QCOMPARE(f.c().activeInput(), MonitorInput::hdmi1);
        QCOMPARE(f.c().status(), QStringLiteral("HDMI 1 • Connected"));
        QCOMPARE(f.c().loadedFeatures().size(), 6u);
        QCOMPARE(f.monitor.commandLines(),
                 (QStringList{"get luminance", "get contrast", "get volume", "get red", "get green",
                              "get blue", "get input-alt"}));
        QCOMPARE_GE(std::ranges::min(FakeMonitor::gapsMs(f.monitor.invocations()).mid(0, 5)), 49);
    }

    void inputFallsBackToTheStandardCode() {
        ControllerFixture f;
        f.monitor.setScript("get input-alt = out=\"0\"\nget input = out=\"16\"\n");
        QVERIFY(runTask(f.c().refresh()));
        QCOMPARE(f.c().activeInput(), MonitorInput::displayPort);
        QCOMPARE(f.c().status(), QStringLiteral("DisplayPort • Connected"));
        // Switched through the standard feature, it is asked which inputs it has.
        QCOMPARE(f.monitor.commandLines().mid(6), (QStringList{"get input-alt", "get input", "get inputs"}));
    }

    void anUnknownInputKeepsThePreviousOne() {
        ControllerFixture f;
        f.monitor.setScript("get input-alt = exit=1\nget input = exit=1 err=\"unsupported\"\n");
        QVERIFY(runTask(f.c().refresh()));
        QVERIFY(!f.c().activeInput());
        QCOMPARE(f.c().status(), QStringLiteral("DDC/CI • Connected")); // no input ever known
        QVERIFY(!f.c().hasError());

        f.monitor.setScript(QString());
        QVERIFY(runTask(f.c().refresh())); // input-alt 144 from the fake's defaults
        f.monitor.setScript("get input-alt = exit=1\nget input = out=\"99\"\n");
        QVERIFY(runTask(f.c().refresh()));
        QCOMPARE(f.c().activeInput(), MonitorInput::hdmi1);
        QCOMPARE(f.c().status(), QStringLiteral("HDMI 1 • Connected"));
        QVERIFY(!f.c().hasError());
    }

    void brightnessDecidesTheOutcome() {
        ControllerFixture f;
        // A failure shows the first error of the refresh.
        f.monitor.setScript("get luminance = exit=1\nget contrast = exit=1 err=\"later error\"\n");
        QVERIFY(runTask(f.c().refresh()));
        QVERIFY(f.c().hasError());
        QCOMPARE(f.c().status(), "The monitor did not respond. Check that DDC/CI is enabled.");
        // A failing read does not stop the refresh: the remaining values still arrive.
        QCOMPARE(f.c().volume(), 30.0);
        QVERIFY(f.c().loadedFeatures().contains(MonitorFeature::blue));
        QCOMPARE(f.monitor.commandLines().count("get luminance"), 3);

        // Contrast and volume fail; brightness answers: still connected, other values kept.
        f.monitor.setScript("get contrast = exit=1 err=\"contrast busy\"\nget volume = exit=1\n");
        QVERIFY(runTask(f.c().refresh()));
        QVERIFY(!f.c().hasError());
        QCOMPARE(f.c().contrast(), 70.0);
        QVERIFY(!f.c().loadedFeatures().contains(MonitorFeature::contrast));
        QVERIFY(f.c().loadedFeatures().contains(MonitorFeature::red));

        // Once loaded, brightness keeps its slider for the rest of the run; but a refresh whose
        // brightness does not answer is a failure, whatever an earlier one read.
        f.monitor.setScript("get luminance = exit=1 err=\"gone\"\n");
        QVERIFY(runTask(f.c().refresh()));
        QVERIFY(f.c().hasError());
        QCOMPARE(f.c().status(), QStringLiteral("gone"));
        QVERIFY(f.c().loadedFeatures().contains(MonitorFeature::brightness));
    }

    void equalValuesNotifyNobodyAndAnOverlappingRefreshIsDropped() {
        ControllerFixture f;
        QSignalSpy brightness(&f.c(), &MonitorController::brightnessChanged);
        QSignalSpy loaded(&f.c(), &MonitorController::loadedFeaturesChanged);
        QSignalSpy anyValue(&f.c(), &MonitorController::valueChanged);
        QVERIFY(runTask(f.c().refresh()));
        QVERIFY(runTask(f.c().refresh()));
        QCOMPARE(brightness.count(), 1); // 50 -> 60 once; the second refresh reads 60 again
        QCOMPARE(anyValue.count(), 1);
        QCOMPARE(anyValue.first().first().value<MonitorFeature>(), MonitorFeature::brightness);
        QCOMPARE(loaded.count(), 6);

        f.monitor.clearLog();
        f.monitor.setScript("get luminance = delay=150 out=\"55\"\n");
        QSignalSpy working(&f.c(), &MonitorController::isWorkingChanged);
        auto first = f.c().refresh();
        QVERIFY(f.c().isWorking());
        QVERIFY(runTask(f.c().refresh(), 1s)); // returns at once
        QVERIFY(runTask(std::move(first)));
        QVERIFY(!f.c().isWorking());
        QCOMPARE(working.count(), 2);
        QCOMPARE(f.monitor.commandLines().count("get luminance"), 1);
        QCOMPARE(f.monitor.commandLines().size(), 7);
    }

    void displayNameComesFromTheScreens_data() {
        using Screens = QList<ScreenDescription>;
        QTest::addColumn<Screens>("screens");
        QTest::addColumn<QString>("expected");
        const ScreenDescription laptop{"Built-in Display", true};
        QTest::newRow("Velmar wins in any case")
            << Screens{laptop, {"DELL U2720Q", false}, {"vELMAR VX27", false}} << "vELMAR VX27";
        QTest::newRow("only the laptop") << Screens{laptop} << "Velmar Monitor";
        // The built-in panel is known by what the platform says, not by its (translated) name.
        QTest::newRow("translated panel name")
            << Screens{{"Integrierter Bildschirm", true}, {"LG HDR 4K", false}} << "LG HDR 4K";
    }
    void displayNameComesFromTheScreens() {
        QFETCH(QList<ScreenDescription>, screens);
        QFETCH(QString, expected);
        ControllerFixture f;
        f.screens->list = screens;
        QVERIFY(runTask(f.c().refresh()));
        QCOMPARE(f.c().displayName(), expected);
    }
};

QTEST_GUILESS_MAIN(TestRefresh)
#include "tst_refresh.moc"
