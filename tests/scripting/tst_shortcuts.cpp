// The program's own keys: what the settings keep for each action, what the desktop is asked for,
// and what a press does to the monitors (as the command line would do it).
#include "controller/KeyboardShortcuts.h"
#include "scenes/SceneTesting.h"
#include "scripting/ShortcutActions.h"
#include "ui/MonitorsTesting.h"

#include <QSignalSpy>

namespace {
using namespace MonitorsTesting;
using State = GlobalShortcuts::State;

QStringList askedIds(const FakeGlobalShortcuts& desktop) {
    QStringList ids;
    for (const auto& shortcut : desktop.asked)
        ids.append(shortcut.id);
    return ids;
}
} // namespace

class TestShortcuts : public QObject {
    Q_OBJECT

private slots:
    // Each key as the settings keep it: one that cannot be read is no key, and the others stand.
    // The desktop is asked for every key there is, with what the action does.
    void storedKeysAreAskedOfTheDesktop() {
        ControllerFixture f(ControllerFixture::withMonitors);
        const auto desk = makeScene("Desk", 20);
        f.store->add(desk);
        f.settings->setValue("shortcuts/brightnessUp", "Ctrl+Alt+Up");
        f.settings->setValue("shortcuts/brightnessDown", "Ctrl+Alt+Nonsense+");
        f.settings->setValue("shortcuts/volumeUp", 42);
        f.settings->setValue("shortcuts/nightMode", "Meta+N");
        f.settings->setValue("shortcuts/scene/" + uuidText(desk.id), "Ctrl+Alt+D");
        f.settings->setValue("shortcuts/step", 5);
        f.rebuild();
        auto& keys = f.model->keyboardShortcuts();

        QCOMPARE(keys.keys("brightnessUp"), QKeySequence("Ctrl+Alt+Up"));
        QCOMPARE(keys.keys("brightnessDown"), QKeySequence());
        QCOMPARE(keys.keys("volumeUp"), QKeySequence());
        QCOMPARE(keys.step(), 5);
        QCOMPARE(askedIds(*f.keys),
                 (QStringList{"brightnessUp", "nightMode", KeyboardShortcuts::sceneId(desk.id)}));
        QCOMPARE(f.keys->asked.at(1).description, QStringLiteral("Night Mode"));
        QCOMPARE(f.keys->asked.at(2).description, QStringLiteral("Desk"));

        // The fixed actions in their order, then every scene, built-in ones first.
        const auto actions = keys.actions();
        QCOMPARE(actions.size(), 7 + 5);
        QCOMPARE(actions.at(6).id, QStringLiteral("nextInput"));
        QCOMPARE(actions.at(7).scene, MonitorScene::movie().id);
        QCOMPARE(actions.last().scene, desk.id);

        // A key given to another action moves there; a step that is neither 5 nor 10 is not taken.
        keys.setKeys("adaptiveBrightness", QKeySequence("Meta+N"));
        QCOMPARE(keys.keys("nightMode"), QKeySequence());
        QCOMPARE(f.settings->value("shortcuts/adaptiveBrightness").toString(), QStringLiteral("Meta+N"));
        QVERIFY(!f.settings->contains("shortcuts/nightMode"));
        keys.setStep(7);
        QCOMPARE(keys.step(), 5);

        // A scene that goes is no longer asked for.
        f.store->remove(desk.id);
        QCOMPARE(askedIds(*f.keys), (QStringList{"brightnessUp", "adaptiveBrightness"}));

        f.settings->setValue("shortcuts/step", "ten");
        f.rebuild();
        QCOMPARE(f.model->keyboardShortcuts().step(), 10);
        QCOMPARE(f.model->keyboardShortcuts().keys("adaptiveBrightness"), QKeySequence("Meta+N"));
    }

    // The keyboard's own brightness keys are asked for only once switched on, and press as
    // Brightness up and down.
    void brightnessKeysAreAChoice() {
        ControllerFixture f(ControllerFixture::withMonitors);
        auto& keys = f.model->keyboardShortcuts();
        QVERIFY(!keys.usesBrightnessKeys());
        QVERIFY(f.keys->asked.isEmpty());
        keys.setUsesBrightnessKeys(true);
        QCOMPARE(f.keys->asked.size(), 2);
        QCOMPARE(f.keys->asked.first().keys, QKeySequence(Qt::Key_MonBrightnessUp));
        QSignalSpy triggered(&keys, &KeyboardShortcuts::triggered);
        f.keys->press(f.keys->asked.last().id);
        QCOMPARE(triggered.takeFirst().first().toString(), QStringLiteral("brightnessDown"));
        f.rebuild();
        QVERIFY(f.model->keyboardShortcuts().usesBrightnessKeys());
        QCOMPARE(f.keys->asked.size(), 2);
    }

    // A brightness key steps the main monitor from its newest value, pauses adaptive brightness
    // and moves a linked monitor, as "--brightness +10" would; a held key's repeats add up but
    // only the newest value is written while the monitor is busy.
    void brightnessKeysStepTheMainMonitor() {
        ControllerFixture f(ControllerFixture::withMonitors);
        QVERIFY(startBoth(f));
        f.linked().setLinked(true);
        f.adaptive().setEnabled(true);
        f.settle();
        f.monitor.clearLog();
        ShortcutActions actions(*f.model, f.model->keyboardShortcuts());
        QSignalSpy shown(&actions.changes(), &ScriptedChanges::valueRequested);

        const double before = f.c().brightness();
        for (int press = 0; press < 6; ++press)
            QVERIFY(actions.perform("brightnessUp"));
        QCOMPARE(f.c().brightness(), std::min(100.0, before + 60));
        QCOMPARE(shown.size(), 6);
        QVERIFY(f.adaptive().isPaused());
        f.settle();
        const auto writes = linesFor(f.monitor, left).filter("set luminance");
        QVERIFY2(writes.size() < 6, qPrintable(writes.join(", ")));
        QCOMPARE(writes.last(), QStringLiteral("set luminance %1").arg(f.c().brightness()));
        QCOMPARE(f.monitor.stateValue("luminance", right), QStringLiteral("100"));

        f.model->keyboardShortcuts().setStep(5);
        QVERIFY(actions.perform("volumeDown"));
        QCOMPARE(f.c().value(MonitorFeature::volume), 25.0);
        QVERIFY(!actions.perform("no such action"));
    }

    // Before the monitor has answered, a step would land anywhere: nothing is done.
    void aValueNotReadIsNotStepped() {
        ControllerFixture f(ControllerFixture::withMonitors);
        ShortcutActions actions(*f.model, f.model->keyboardShortcuts());
        QVERIFY(!f.c().isLoaded(MonitorFeature::brightness));
        QVERIFY(!actions.perform("brightnessUp"));
        f.settle();
        QCOMPARE(f.monitor.writes(), QStringList());
    }

    // Night Mode, adaptive brightness and scenes by their own rules; the next input cycles
    // through those the monitor offers, and never before the monitor said how it switches.
    void togglesInputsAndScenes() {
        ControllerFixture f(ControllerFixture::withMonitors);
        ShortcutActions actions(*f.model, f.model->keyboardShortcuts());
        QVERIFY(!actions.perform("nextInput"));
        QVERIFY(f.startMonitors({left + " Left"}));
        QSignalSpy inputs(&actions.changes(), &ScriptedChanges::inputRequested);

        QCOMPARE(f.c().activeInput(), MonitorInput::hdmi1);
        QVERIFY(actions.perform("nextInput"));
        f.settle();
        QCOMPARE(f.c().activeInput(), MonitorInput::hdmi2);
        QVERIFY(actions.perform("nextInput"));
        f.settle();
        QCOMPARE(f.c().activeInput(), MonitorInput::usbC);
        QCOMPARE(inputs.size(), 2);

        QVERIFY(actions.perform("nightMode"));
        QTRY_VERIFY(f.c().isNightMode());
        f.settle();
        QVERIFY(actions.perform("nightMode"));
        QTRY_VERIFY(!f.c().isNightMode());
        f.settle();

        QSignalSpy adaptive(&actions.changes(), &ScriptedChanges::adaptiveRequested);
        QVERIFY(actions.perform("adaptiveBrightness"));
        QVERIFY(f.adaptive().isEnabled());
        QCOMPARE(adaptive.takeFirst().first().toBool(), true);
        QVERIFY(actions.perform("adaptiveBrightness"));
        QVERIFY(!f.adaptive().isEnabled());

        QVERIFY(actions.perform(KeyboardShortcuts::sceneId(MonitorScene::work().id)));
        QTRY_COMPARE(f.c().activeSceneID(), MonitorScene::work().id);
        QVERIFY(!actions.perform(KeyboardShortcuts::sceneId(QUuid::createUuid())));
    }

    // A press through the desktop reaches the action that has the key.
    void aPressedKeyActs() {
        ControllerFixture f(ControllerFixture::withMonitors);
        QVERIFY(f.startMonitors({left + " Left"}));
        auto& keys = f.model->keyboardShortcuts();
        ShortcutActions actions(*f.model, keys);
        keys.setKeys("nightMode", QKeySequence("Ctrl+Alt+N"));
        f.keys->answer("nightMode", State::taken);
        QCOMPARE(keys.state("nightMode"), State::taken);
        QCOMPARE(keys.state("volumeUp"), State::none);
        f.keys->press("nightMode");
        QTRY_VERIFY(f.c().isNightMode());
    }
};

QTEST_GUILESS_MAIN(TestShortcuts)
#include "tst_shortcuts.moc"
