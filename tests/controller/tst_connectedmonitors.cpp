// Several monitors through one fake helper: which commands carry which monitor's id, when the
// monitors are listed, what becomes of a monitor's controller and settings as it comes and goes.
#include "ui/MonitorsTesting.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>

namespace {
using namespace MonitorsTesting;
const QStringList refreshLines{"get luminance", "get contrast", "get volume",   "get red",
                               "get green",     "get blue",     "get input-alt"};
const QStringList both{left + " Left", right + " Right"};

// Two monitors read with their ids, `left` the main one.
void startTwo(ControllerFixture& f, const QString& leftBrightness, const QString& rightBrightness) {
    f.monitor.setState({{"luminance", leftBrightness}}, left);
    f.monitor.setState({{"luminance", rightBrightness}}, right);
    QVERIFY(f.startMonitors(both));
}

// Sets the brightness of `c` and waits until every monitor has its writes.
void setBrightness(ControllerFixture& f, MonitorController& c, double value) {
    c.set(MonitorFeature::brightness, value);
    f.settle();
}

QStringList brightnessWrites(const FakeMonitor& monitor, const QString& id) {
    return linesFor(monitor, id).filter("set luminance ").replaceInStrings("set luminance ", "");
}
} // namespace

class TestConnectedMonitors : public QObject {
    Q_OBJECT

private slots:
    // With one monitor the helper hears today's command lines, and the listing after each reading.
    void oneMonitorIsSpokenToAsAlways() {
        ControllerFixture f(ControllerFixture::withMonitors);
        f.monitor.setDisplays({left + " Velmar 27"});
        QVERIFY(runTask(f.c().start()));
        QCOMPARE(f.monitor.commandLines(), refreshLines + QStringList{"display list"});
        f.monitor.clearLog();
        f.lifecycle->post(DisplayLifecycleEvent::displayConfigurationDidChange);
        QTRY_COMPARE(f.monitor.commandLines().size(), 8);
        f.c().set(MonitorFeature::brightness, 40);
        QTRY_COMPARE(f.monitor.commandLines(),
                     refreshLines + QStringList({"display list", "set luminance 40"}));
    }

    // A monitor plugged in is read with its id, so is the main one from then on; a monitor pulled
    // out while its command runs takes its controller with it, and the main one goes back to
    // plain commands.
    void monitorsComeAndGo() {
        ControllerFixture f(ControllerFixture::withMonitors);
        f.monitor.setDisplays({left + " Left"});
        f.monitor.setState({{"luminance", "20"}}, left);
        f.monitor.setState({{"luminance", "80"}}, right);
        QVERIFY(runTask(f.c().start()));

        f.monitor.setScript("display " + right + " get contrast = wait=gate\n");
        f.monitor.clearLog();
        f.replug(both);
        QTRY_VERIFY(linesFor(f.monitor, right).contains("get contrast"));
        QTRY_COMPARE(linesFor(f.monitor, left), refreshLines);
        QCOMPARE(f.c().brightness(), 20.0);
        QCOMPARE(f.c().displayName(), "Left");
        auto* other = f.monitors->controller(right);
        QVERIFY(other && other->isAddressed() && other->brightness() == 80.0);
        QCOMPARE(f.monitors->controllers(), (QList{&f.c(), other}));
        const qint64 held = f.monitor.invocations().last().pid;
        // A view that watches a controller go asks for the others as it goes.
        QList<MonitorController*> seenAsItWent;
        QObject::connect(other, &QObject::destroyed, [&] { seenAsItWent = f.monitors->controllers(); });

        f.monitor.clearLog();
        f.replug({left + " Left"});
        QTRY_COMPARE(f.monitor.commandLines(), QStringList("display list") + refreshLines);
        QVERIFY(!f.monitors->controller(right));
        QCOMPARE(seenAsItWent, QList{&f.c()});
        QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/%1").arg(held)));
        f.monitor.openGate("gate");
        f.settle();
        QVERIFY(linesFor(f.monitor, right).isEmpty());
        QVERIFY(!f.c().isAddressed());
    }

    // Knowing several monitors from the last run, the listing comes first and no reading reaches
    // the main controller that is not its monitor's; choosing another main monitor moves it there.
    void theMainControllerHoldsOnlyTheMainMonitorsValues() {
        ControllerFixture f(ControllerFixture::withMonitors);
        f.settings->setValue("monitors/known", QStringList{left, right});
        f.settings->setValue("monitors/original", left);
        f.rebuild();
        f.monitor.setDisplays(both);
        f.monitor.setState({{"luminance", "20"}, {"contrast", "21"}}, left);
        f.monitor.setState({{"luminance", "80"}, {"contrast", "81"}}, right);
        QVERIFY(runTask(f.c().start()));
        QCOMPARE(f.monitor.commandLines().first(), "display list");
        QCOMPARE(linesFor(f.monitor, left), refreshLines);
        QCOMPARE(f.c().contrast(), 21.0);

        f.monitors->setMainMonitor(right);
        QTRY_COMPARE(f.c().listedDisplay().id, right);
        QTRY_COMPARE(f.c().contrast(), 81.0);
        QVERIFY(f.c().loadedFeatures().contains(MonitorFeature::brightness));
        QTRY_VERIFY(f.monitors->controller(left) && f.monitors->controller(left)->contrast() == 21.0);
        f.settle();
        QVERIFY(f.monitor.commandLines().filter(QRegularExpression("^(get|set) ")).isEmpty());
        QCOMPARE(f.settings->value("monitors/main").toString(), right);
    }

    // After an upgrade the settings of old are the main monitor's, under their old keys; any other
    // monitor has its own, which it finds again when it comes back. Adaptive brightness is the
    // main monitor's alone.
    void eachMonitorKeepsItsOwnSettings() {
        ControllerFixture f(ControllerFixture::withMonitors);
        const QMap<QString, QVariant> old{
            {"nightModeEnabled", true},
            {"nightModeSnapshot", NightModeSnapshot{80, 49, 51, 52}.toJson()},
            {"perInputScenesEnabled", true},
            {"adaptiveBrightnessEnabled", true},
            // Not the active input's: its scene would end Night Mode.
            {"inputScenePreferences", QVariantMap{{"hdmi2", uuidText(MonitorScene::movie().id)}}}};
        for (auto it = old.begin(); it != old.end(); ++it)
            f.settings->setValue(it.key(), it.value());
        f.rebuild();
        QVERIFY(f.startMonitors(both));
        QVERIFY(f.c().isNightMode() && f.c().perInputScenesEnabled() && f.c().adaptiveBrightnessEnabled());
        QCOMPARE(f.c().preferredSceneID(MonitorInput::hdmi2), MonitorScene::movie().id);

        auto* other = f.monitors->controller(right);
        QVERIFY(!other->perInputScenesEnabled() && !other->adaptiveBrightnessEnabled());
        QVERIFY(!other->preferredSceneID(MonitorInput::hdmi2));
        other->setPerInputScenesEnabled(true);
        other->setPreferredSceneID(MonitorInput::hdmi2, MonitorScene::work().id);

        for (const auto& displays : {QStringList{left + " Left"}, both}) {
            f.monitor.setDisplays(displays);
            runTask(f.monitors->list());
        }
        other = f.monitors->controller(right);
        QVERIFY(other && other->perInputScenesEnabled());
        QCOMPARE(other->preferredSceneID(MonitorInput::hdmi2), MonitorScene::work().id);
        f.settle();
        for (auto it = old.begin(); it != old.end(); ++it)
            QCOMPARE(f.settings->value(it.key()), it.value());
    }

    // Linked, a brightness chosen for one monitor moves the other by as much, each written once
    // per settled value; a monitor held at 0 or 100 gets its difference back. Off by default,
    // remembered.
    void linkedBrightnessKeepsEachDifference() {
        ControllerFixture f(ControllerFixture::withMonitors);
        QVERIFY(!f.monitors->isBrightnessLinked());
        startTwo(f, "50", "80");
        f.monitors->setBrightnessLinked(true);
        auto& other = *f.monitors->controller(right);
        for (double step : {55, 62, 70, 75})
            f.c().setLive(MonitorFeature::brightness, step); // a drag
        setBrightness(f, f.c(), 75);
        QCOMPARE(other.brightness(), 100.0);
        setBrightness(f, f.c(), 40);
        setBrightness(f, other, 10);
        QCOMPARE(f.c().brightness(), 0.0);
        setBrightness(f, other, 50);
        QCOMPARE(brightnessWrites(f.monitor, left), QStringList({"75", "40", "0", "20"}));
        QCOMPARE(brightnessWrites(f.monitor, right), QStringList({"100", "70", "10", "50"}));

        f.c().setAdaptiveBrightnessEnabled(true); // adaptive brightness moves both as well
        QTRY_VERIFY(Probe::lastAdaptiveBrightness(f.c()));
        QTRY_COMPARE(other.brightness(), std::min(100.0, f.c().brightness() + 30));
        f.rebuild();
        QVERIFY(f.monitors->isBrightnessLinked());
    }

    // The differences outlast a restart, the one of a monitor held at 0 included; one the settings
    // file holds that is no number is taken afresh.
    void linkedBrightnessRemembersEachDifference() {
        ControllerFixture f(ControllerFixture::withMonitors);
        startTwo(f, "90", "20");
        f.monitors->setBrightnessLinked(true);
        setBrightness(f, f.c(), 40);
        QCOMPARE(f.monitor.stateValue("luminance", right), "0");

        f.rebuild();
        startTwo(f, "40", "0");
        setBrightness(f, f.c(), 90);
        QCOMPARE(brightnessWrites(f.monitor, right), QStringList("20"));

        f.settings->setValue("monitors/linkedOffsets/" + right, "nan");
        f.rebuild();
        startTwo(f, "90", "30"); // changed by another program meanwhile
        setBrightness(f, f.c(), 80);
        QCOMPARE(brightnessWrites(f.monitor, right), QStringList("20"));
    }

    // Night Mode goes on and off for both monitors, each returning to its own values; a monitor
    // that comes while it is on joins in.
    void nightModeIsOnForAllOrNone() {
        ControllerFixture f(ControllerFixture::withMonitors);
        startTwo(f, "60", "80");
        const auto values = [&f](const QString& id) {
            return f.monitor.stateValue("luminance", id) + '/' + f.monitor.stateValue("blue", id);
        };
        f.c().setNightMode(true);
        QTRY_VERIFY(f.monitors->controller(right)->isNightMode());
        f.settle();
        QCOMPARE(values(left) + ' ' + values(right), "25/40 25/40");
        f.monitors->controller(right)->setNightMode(false); // from either one
        QTRY_VERIFY(!f.c().isNightMode());
        f.settle();
        QCOMPARE(values(left) + ' ' + values(right), "60/50 80/50");

        f.monitor.setDisplays({left + " Left"});
        runTask(f.monitors->list());
        f.c().setNightMode(true);
        f.settle();
        f.monitor.setDisplays(both);
        runTask(f.monitors->list());
        QTRY_VERIFY(f.monitors->controller(right) && f.monitors->controller(right)->isNightMode());
        f.settle();
        QCOMPARE(values(right), "25/40");
    }

    // A monitor without the vendor input register is switched through the standard one, and
    // offers only the inputs its capabilities list (codes it has that we do not know aside). It is
    // asked once: a later reading does not ask again, and a Velmar monitor is never asked.
    void aMonitorOfAnotherMakeIsSwitchedThroughTheStandardInputs() {
        ControllerFixture f(ControllerFixture::withMonitors);
        f.monitor.setScript(QStringLiteral("display %1 get input-alt = exit=1 err=\"unsupported\"\n"
                                           "display %1 set input-alt * = exit=1 err=\"unsupported\"\n")
                                .arg(right));
        f.monitor.setState({{"inputs", "3 17 27"}}, right);
        f.monitor.setState({{"inputs", "17"}}, left);
        QSignalSpy offered(&f.c(), &MonitorController::offeredInputsChanged);
        startTwo(f, "50", "50");
        auto& other = *f.monitors->controller(right);
        QCOMPARE(other.activeInput(), MonitorInput::hdmi1); // from the standard register
        QCOMPARE(other.offeredInputs(), (QList{MonitorInput::usbC, MonitorInput::hdmi1}));
        QCOMPARE(f.c().offeredInputs(),
                 QList<MonitorInput>(MonitorInputs::allCases.begin(), MonitorInputs::allCases.end()));
        QCOMPARE(offered.count(), 0);
        QVERIFY(runTask(other.refresh()));
        QCOMPARE(f.monitor.commandLines().filter("get inputs"), QStringList());
        other.setInput(MonitorInput::usbC);
        f.c().setInput(MonitorInput::usbC);
        f.settle();
        QCOMPARE(linesFor(f.monitor, right).filter("set "), QStringList("set input 27"));
        QCOMPARE(linesFor(f.monitor, left).filter("set "), QStringList("set input-alt 210"));
        QVERIFY(!other.hasError());
    }
};

QTEST_GUILESS_MAIN(TestConnectedMonitors)
#include "tst_connectedmonitors.moc"
