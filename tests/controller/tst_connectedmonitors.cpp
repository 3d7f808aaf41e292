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

// The Night Mode snapshot the settings keep under `group` ("" for the top level).
std::optional<NightModeSnapshot> keptSnapshot(const QSettings& settings, const QString& group) {
    return NightModeSnapshot::fromJson(settings.value(group + "nightModeSnapshot").toByteArray());
}

const QStringList nightWrites{"set luminance 25", "set red 50", "set green 46", "set blue 40"};
} // namespace

class TestConnectedMonitors : public QObject {
    Q_OBJECT

private slots:
    // With one monitor the helper hears today's command lines, and the listing after each reading.
    void oneMonitorIsSpokenToAsAlways() {
        ControllerFixture f(ControllerFixture::withMonitors);
        f.monitor.setDisplays({left + " Velmar 27"});
        QVERIFY(runTask(f.start()));
        QCOMPARE(f.monitor.commandLines(), refreshLines + QStringList{"display list"});
        QCOMPARE(f.c().id(), left);
        f.monitor.clearLog();
        f.lifecycle->post(DisplayLifecycleEvent::displayConfigurationDidChange);
        QTRY_COMPARE(f.monitor.commandLines().size(), 8);
        f.c().set(MonitorFeature::brightness, 40);
        QTRY_COMPARE(f.monitor.commandLines(), refreshLines + QStringList({"display list", "set luminance 40"}));
    }

    // A monitor plugged in gets a controller of its own, read with its id, and the first one's
    // commands carry its id from then on (it is read once: it is the same monitor). A monitor pulled
    // out while its command runs takes its controller with it, and the other goes back to plain
    // commands.
    void monitorsComeAndGo() {
        ControllerFixture f(ControllerFixture::withMonitors);
        f.monitor.setDisplays({left + " Left"});
        f.monitor.setState({{"luminance", "20"}}, left);
        f.monitor.setState({{"luminance", "80"}}, right);
        QVERIFY(runTask(f.start()));
        auto* first = &f.c();

        f.monitor.setScript("display " + right + " get contrast = wait=gate\n");
        f.monitor.clearLog();
        f.replug(both);
        QTRY_VERIFY(linesFor(f.monitor, right).contains("get contrast"));
        QCOMPARE(f.monitor.commandLines().mid(0, 8), refreshLines + QStringList("display list"));
        QCOMPARE(&f.c(), first);
        QVERIFY(f.c().isAddressed());
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
        QTRY_VERIFY(!QFileInfo::exists(QStringLiteral("/proc/%1").arg(held)));
        f.monitor.openGate("gate");
        f.settle();
        QVERIFY(linesFor(f.monitor, right).isEmpty());
        QVERIFY(!f.c().isAddressed());
    }

    // Choosing another main monitor moves the choice, not the controllers: nothing is read again,
    // each controller keeps its own values, and the choice outlasts a restart.
    void theMainMonitorIsAChoiceAmongTheControllers() {
        ControllerFixture f(ControllerFixture::withMonitors);
        f.monitor.setState({{"contrast", "21"}}, left);
        f.monitor.setState({{"contrast", "81"}}, right);
        startTwo(f, "20", "80");
        auto* leftController = &f.c();
        QSignalSpy mainChanged(f.monitors, &ConnectedMonitors::mainChanged);
        f.monitors->setMainMonitor(right);
        QCOMPARE(mainChanged.count(), 1);
        QCOMPARE(f.c().id(), right);
        QCOMPARE(f.c().contrast(), 81.0);
        QCOMPARE(f.monitors->controllers(), (QList{&f.c(), leftController}));
        QCOMPARE(leftController->contrast(), 21.0);
        f.settle();
        QVERIFY(f.monitor.commandLines().isEmpty());

        // At the next launch the first controller reads the helper's default monitor as always,
        // and the chosen one is the main monitor once listed.
        f.rebuild();
        QVERIFY(f.startMonitors(both));
        QCOMPARE(f.c().id(), right);
        QCOMPARE(f.c().contrast(), 81.0);
    }

    // Work started for one monitor finishes on it alone, whatever becomes of the main choice or of
    // the other monitor meanwhile: Night Mode reading its values, an input switch waiting behind
    // it, a refresh.
    void workForOneMonitorNeverReachesAnother() {
        ControllerFixture f(ControllerFixture::withMonitors);
        startTwo(f, "60", "80");
        auto* leftController = &f.c();
        f.monitor.setScript("display " + left + " get blue = wait=gate\n");
        f.nightMode().setEnabled(true);
        leftController->setInput(MonitorInput::hdmi2);
        leftController->refresh();
        QTRY_VERIFY(linesFor(f.monitor, left).contains("get blue"));
        f.monitors->setMainMonitor(right);
        f.monitor.openGate("gate");
        f.settle();
        QVERIFY(f.monitor.commandLines().filter(QRegularExpression("^(get|set) ")).isEmpty());
        // The switch was asked for while Night Mode read the values it keeps: it goes first.
        QCOMPARE(linesFor(f.monitor, left).filter("set "), QStringList("set input-alt 145") + nightWrites);
        QCOMPARE(linesFor(f.monitor, right).filter("set "), nightWrites);
        QCOMPARE(keptSnapshot(*f.settings, {})->brightness, 60.0); // the first monitor's keys
        QCOMPARE(keptSnapshot(*f.settings, "monitors/" + right + "/")->brightness, 80.0);
        QCOMPARE(f.monitor.stateValue("input-alt", right), QStringLiteral("144")); // untouched

        // A monitor that goes takes its work with it: Night Mode turning off on it, held, reaches
        // neither it nor the one left.
        f.monitor.clearLog();
        f.monitor.setScript("display " + right + " set luminance * = wait=gate2\n");
        f.nightMode().setEnabled(false);
        QTRY_VERIFY(linesFor(f.monitor, right).contains("set luminance 80"));
        f.replug({left + " Left"});
        QTRY_VERIFY(!f.monitors->controller(right));
        f.monitor.openGate("gate2");
        f.settle();
        QCOMPARE(linesFor(f.monitor, right), QStringList("set luminance 80"));
        // The left one's way back, alone, wherever its listing found it.
        QCOMPARE(linesFor(f.monitor, left).filter("set ") + f.monitor.writes(),
                 QStringList({"set luminance 60", "set red 50", "set green 50", "set blue 50"}));
        QVERIFY(!leftController->isNightMode());
    }

    // Each monitor keeps its own settings and finds them again when it comes back; the first one
    // the program knew keeps them where they have always been. A monitor seen for the first time
    // starts from the first one's choices, never from its Night Mode.
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
        QVERIFY(f.c().isNightMode() && f.c().perInputScenesEnabled() && f.adaptive().isEnabled());
        QCOMPARE(f.c().preferredSceneID(MonitorInput::hdmi2), MonitorScene::movie().id);

        auto* other = f.monitors->controller(right);
        QVERIFY(other->perInputScenesEnabled());
        QCOMPARE(other->preferredSceneID(MonitorInput::hdmi2), MonitorScene::movie().id);
        // It joined Night Mode with a way back of its own.
        QTRY_VERIFY(other->isNightMode());
        QCOMPARE(keptSnapshot(*f.settings, "monitors/" + right + "/")->brightness, 60.0);
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

    // A user with one monitor who replaces it keeps their choices of scenes by input; the new
    // monitor is read once, and the old one's Night Mode stays the old one's.
    void aReplacedMonitorKeepsTheUsersChoices() {
        ControllerFixture f(ControllerFixture::withMonitors);
        f.settings->setValue("monitors/known", QStringList{left});
        f.settings->setValue("monitors/original", left);
        f.settings->setValue("perInputScenesEnabled", true);
        f.settings->setValue("inputScenePreferences", QVariantMap{{"hdmi2", uuidText(MonitorScene::work().id)}});
        f.settings->setValue("nightModeEnabled", true);
        f.settings->setValue("nightModeSnapshot", NightModeSnapshot{80, 49, 51, 52}.toJson());
        f.rebuild();
        f.monitor.setDisplays({right + " Replacement"});
        QVERIFY(runTask(f.start()));
        QCOMPARE(f.monitor.commandLines(), refreshLines + QStringList{"display list"});
        QCOMPARE(f.c().id(), right);
        QVERIFY(f.c().perInputScenesEnabled());
        QCOMPARE(f.c().preferredSceneID(MonitorInput::hdmi2), MonitorScene::work().id);
        QVERIFY(!f.c().isNightMode());
        QCOMPARE(keptSnapshot(*f.settings, {})->brightness, 80.0); // the old monitor's, for its return
        f.settle();
        QVERIFY(f.monitor.writes().isEmpty());
    }

    // Settings kept under the ids an older helper gave are found again under the new ones.
    void settingsUnderFormerIdsAreFoundAgain() {
        ControllerFixture f(ControllerFixture::withMonitors);
        const QString oldLeft = "1111111111111111", oldRight = "2222222222222222";
        f.settings->setValue("monitors/known", QStringList{oldLeft, oldRight});
        f.settings->setValue("monitors/original", oldLeft);
        f.settings->setValue("monitors/main", oldRight);
        f.settings->setValue("monitors/" + oldRight + "/perInputScenesEnabled", true);
        f.settings->setValue("monitors/linkedBrightness", true);
        f.settings->setValue("monitors/linkedLevel", 50);
        f.settings->setValue("monitors/linkedOffsets/" + oldRight, 10);
        f.rebuild();
        f.monitor.setState({{"luminance", "50"}}, left);
        f.monitor.setState({{"luminance", "60"}}, right);
        QVERIFY(f.startMonitors({left + " Left", "formerly " + oldLeft, right + " Right", "formerly " + oldRight}));
        QCOMPARE(f.c().id(), right); // still the user's main monitor
        QVERIFY(f.c().perInputScenesEnabled());
        QCOMPARE(f.settings->value("monitors/original").toString(), left);
        QCOMPARE(f.settings->value("monitors/main").toString(), right);
        QVERIFY(!f.settings->contains("monitors/" + oldRight + "/perInputScenesEnabled"));
        // The difference kept for the right monitor is still its own.
        setBrightness(f, *f.monitors->controller(left), 40);
        QCOMPARE(f.monitor.stateValue("luminance", right), QStringLiteral("50"));
    }

    // Settings of at most so many monitors are kept: the least recently seen one's go first.
    void settingsOfLongGoneMonitorsAreDropped() {
        ControllerFixture f(ControllerFixture::withMonitors);
        QStringList seen;
        for (int i = 1; i <= ConnectedMonitors::rememberedMonitors; ++i) {
            seen.append(QStringLiteral("%1").arg(i, 16, 16, QLatin1Char('0')));
            f.settings->setValue("monitors/" + seen.last() + "/perInputScenesEnabled", true);
        }
        f.settings->setValue("monitors/seen", seen);
        f.settings->setValue("monitors/original", seen.first());
        f.rebuild();
        QVERIFY(f.startMonitors({left + " Left"}));
        const QStringList kept = f.settings->value("monitors/seen").toStringList();
        QCOMPARE(kept.size(), ConnectedMonitors::rememberedMonitors);
        QCOMPARE(kept.first(), left);
        QVERIFY(!kept.contains(seen.last()));
        QVERIFY(!f.settings->contains("monitors/" + seen.last() + "/perInputScenesEnabled"));
        QVERIFY(f.settings->contains("monitors/" + seen.at(1) + "/perInputScenesEnabled"));
    }

    // Linked, a brightness chosen for one monitor moves the other by as much, each written once
    // per settled value; a monitor held at 0 or 100 gets its difference back. Off by default,
    // remembered.
    void linkedBrightnessKeepsEachDifference() {
        ControllerFixture f(ControllerFixture::withMonitors);
        QVERIFY(!f.linked().isLinked());
        startTwo(f, "50", "80");
        f.linked().setLinked(true);
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
        f.rebuild();
        QVERIFY(f.linked().isLinked());
    }

    // The differences outlast a restart, the one of a monitor held at 0 included; one the settings
    // file holds that is no number is taken afresh.
    void linkedBrightnessRemembersEachDifference() {
        ControllerFixture f(ControllerFixture::withMonitors);
        startTwo(f, "90", "20");
        f.linked().setLinked(true);
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

    // Adaptive brightness follows on the main monitor, linked monitors through the link; a manual
    // change of a linked monitor pauses it as one of the main monitor's would, and another main
    // monitor is written at the next sample.
    void adaptiveBrightnessFollowsOnTheMainMonitor() {
        ControllerFixture f(ControllerFixture::withMonitors);
        startTwo(f, "50", "80");
        f.reader.reading = BuiltInDisplayBrightnessReading::available(0.5); // proposes 41
        f.adaptive().setEnabled(true);
        QTRY_COMPARE(f.c().brightness(), 41.0);
        f.settle();
        QCOMPARE(brightnessWrites(f.monitor, right), QStringList()); // not linked: left alone

        f.linked().setLinked(true);
        f.reader.reading = BuiltInDisplayBrightnessReading::available(0.75); // proposes 61
        QTRY_COMPARE(f.monitors->controller(right)->brightness(), 100.0);     // 80 + 20, held at 100
        setBrightness(f, *f.monitors->controller(right), 90);
        QVERIFY(f.adaptive().isPaused());

        f.adaptive().resume();
        f.linked().setLinked(false);
        f.monitors->setMainMonitor(right);
        QTRY_COMPARE(f.monitors->controller(right)->brightness(), 61.0);
        f.adaptive().setEnabled(false);
    }

    // Night Mode goes on and off for both monitors, each returning to its own values; a monitor
    // that comes while it is on joins in.
    void nightModeIsOnForAllOrNone() {
        ControllerFixture f(ControllerFixture::withMonitors);
        startTwo(f, "60", "80");
        const auto values = [&f](const QString& id) {
            return f.monitor.stateValue("luminance", id) + '/' + f.monitor.stateValue("blue", id);
        };
        f.nightMode().setEnabled(true);
        QTRY_VERIFY(f.monitors->controller(right)->isNightMode() && f.nightMode().isOn());
        f.settle();
        QCOMPARE(values(left) + ' ' + values(right), "25/40 25/40");
        f.nightMode().setEnabled(false);
        QTRY_VERIFY(!f.c().isNightMode());
        f.settle();
        QCOMPARE(values(left) + ' ' + values(right), "60/50 80/50");

        f.monitor.setDisplays({left + " Left"});
        runTask(f.monitors->list());
        f.nightMode().setEnabled(true);
        f.settle();
        f.monitor.setDisplays(both);
        runTask(f.monitors->list());
        QTRY_VERIFY(f.monitors->controller(right) && f.monitors->controller(right)->isNightMode());
        f.settle();
        QCOMPARE(values(right), "25/40");
    }

    // A monitor without the vendor input register is switched through the standard one, and
    // offers only the inputs its capabilities list (codes it has that we do not know aside). It is
    // asked once: a later reading does not ask again, and a Velmar monitor is never asked. One that
    // shows an input we have no name for (DVI) is switched through the standard register too.
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

        f.monitor.clearLog();
        f.monitor.setState({{"input", "3"}}, right); // DVI
        QVERIFY(runTask(other.refresh()));
        other.setInput(MonitorInput::hdmi1);
        f.settle();
        QCOMPARE(linesFor(f.monitor, right).filter("set "), QStringList("set input 17"));
    }

    // A monitor whose input has never answered is not switched at all until it has: the vendor
    // command could mean something else to it.
    void anUnreadInputIsNotSwitched() {
        ControllerFixture f(ControllerFixture::withMonitors);
        f.monitor.setScript(QStringLiteral("display %1 get input-alt = exit=1\n"
                                           "display %1 get input = exit=1\n").arg(right));
        startTwo(f, "50", "50");
        auto& other = *f.monitors->controller(right);
        QVERIFY(!other.activeInput());
        other.setInput(MonitorInput::hdmi2);
        f.settle();
        QVERIFY(linesFor(f.monitor, right).filter("set ").isEmpty());
        QVERIFY(other.hasError());
        QVERIFY(other.status().contains("input"));
        QVERIFY(!other.activeInput()); // the picker shows what is known again
    }
};

QTEST_GUILESS_MAIN(TestConnectedMonitors)
#include "tst_connectedmonitors.moc"
