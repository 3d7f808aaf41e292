// The Settings section: scene rows and the naming dialog, adaptive brightness with its range
// and pause, scenes by input, keyboard shortcuts, launch at login, About, and the problems the
// user must see; with
// several monitors, the Monitors section and each monitor's scenes by input.
#include "controller/KeyboardShortcuts.h"
#include "MonitorsTesting.h"
#include "system/PlatformWording.h"
#include "ui/sceneeditor/SceneEditorSheet.h"
#include "ui/sceneeditor/SceneManagementRow.h"
#include "ui/widgets/ElidedLabel.h"
#include "ui/widgets/KeyRecorder.h"
#include "ui/widgets/ToggleSwitch.h"
#include "ui/window/SettingsView.h"
#include "UiTesting.h"

#include <QAbstractButton>
#include <QAccessibleActionInterface>
#include <QComboBox>
#include <QToolButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

using namespace std::chrono_literals;
using namespace UiTesting;
using Reading = BuiltInDisplayBrightnessReading;

namespace {
using namespace MonitorsTesting;

// A fixture with monitors and a login item the test controls, and Settings over them once the
// test has set the fixture up.
struct SettingsFixture : ControllerFixture {
    SettingsFixture() : ControllerFixture(withMonitors) {}
    SettingsView& show() {
        view.emplace(*model, login);
        view->show();
        return *view;
    }
    FakeLoginItem login;
    std::optional<SettingsView> view;
};
} // namespace

class TestSettingsView : public UiTesting::Test {
    Q_OBJECT

private slots:
    void sceneSummaryNamesAtMostTwoValues() {
        using V = std::optional<double>;
        const auto summary = [](V brightness, V contrast, V volume) {
            auto scene = userScene(QStringLiteral("Any"));
            scene.brightness = brightness;
            scene.contrast = contrast;
            scene.volume = volume;
            scene.rgb = MonitorScene::RGB{50, 46, 40};
            return SettingsView::sceneSummary(scene);
        };
        QCOMPARE(summary(49.9, 75, 30), QStringLiteral("Brightness 49 · Contrast 75"));
        QCOMPARE(summary({}, {}, 12.7), QStringLiteral("Volume 12"));
        QCOMPARE(summary({}, {}, {}), QString()); // colour alone
    }

    void sceneRowsApplyNameAndEdit() {
        SettingsFixture f;
        auto gaming = userScene(QStringLiteral("Gaming"));
        gaming.volume = 40;
        f.store->add(gaming);
        SettingsView& view = f.show();
        // The built-in scenes, then the user's own, which alone can be edited.
        const auto rows = view.findChildren<SceneManagementRow*>();
        QCOMPARE(rows.size(), MonitorScene::builtInDefaults().size() + 1);
        QVERIFY(!rows.first()->item().isEditable);
        QCOMPARE(rows.last()->item().title, QStringLiteral("Gaming"));
        QVERIFY(rows.last()->item().isEditable);

        byAccessibleName<QAbstractButton>(&view, QStringLiteral("Apply Movie scene"))->click();
        QTRY_COMPARE(f.c().activeSceneID(), MonitorScene::movie().id);
        QTRY_VERIFY(view.findChildren<SceneManagementRow*>().first()->isActive());

        // Naming: Save waits for a name that is more than blanks; the name goes as typed.
        byAccessibleName<QPushButton>(&view, QStringLiteral("Save Current Settings as Scene…"))->click();
        auto* dialog = view.findChild<QDialog*>(QStringLiteral("namingDialog"));
        QVERIFY(dialog && dialog->isVisible());
        auto* name = dialog->findChild<QLineEdit*>();
        auto* save = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save);
        name->setText(QStringLiteral("   "));
        QVERIFY(!save->isEnabled());
        name->setText(QStringLiteral(" Evening "));
        save->click();
        QTRY_COMPARE(f.store->customScenes().last().name, QStringLiteral("Evening"));
        QCOMPARE(f.store->customScenes().last().symbol, QStringLiteral("slider.horizontal.3"));
        QTRY_COMPARE(view.findChildren<SceneManagementRow*>().size(), 6);

        // Editing the active scene clears its mark.
        f.c().apply(gaming);
        QTRY_COMPARE(f.c().activeSceneID(), gaming.id);
        view.editScene(gaming);
        auto* sheet = view.findChild<SceneEditorSheet*>();
        QVERIFY(sheet);
        sheet->save();
        QVERIFY(!f.c().activeSceneID());
    }

    void adaptiveRangeAndPause() {
        SettingsFixture f;
        SettingsView& view = f.show();
        auto* follow =
            byAccessibleName<ToggleSwitch>(&view, PlatformWording::followBuiltInBrightnessSwitch());
        QVERIFY(follow);
        auto* minimum = byAccessibleName<QSlider>(&view, QStringLiteral("Velmar minimum"));
        auto* maximum = byAccessibleName<QSlider>(&view, QStringLiteral("Velmar maximum"));
        QVERIFY(!minimum->isVisibleTo(&view));

        f.reader.reading = Reading::unavailable(Reading::UnavailableReason::noBuiltInDisplay);
        follow->click();
        QVERIFY(f.adaptive().isEnabled());
        QVERIFY(minimum->isVisibleTo(&view));
        // Each end's range stops at the other end's value.
        QCOMPARE(minimum->maximum(), 82);
        QCOMPARE(maximum->minimum(), 8);
        minimum->setValue(30);
        QCOMPARE(f.adaptive().minimum(), 30.0);
        QCOMPARE(maximum->minimum(), 30);
        QTRY_VERIFY(shownLabel(&view, PlatformWording::builtInBrightnessUnavailable()));

        // "Resume Following Now" only while a pause is ahead, gone once it has passed.
        auto* resume = byAccessibleName<QPushButton>(&view, QStringLiteral("Resume Following Now"));
        QVERIFY(!resume->isVisibleTo(&view));
        f.c().set(MonitorFeature::contrast, 40);
        QVERIFY(resume->isVisibleTo(&view));
        f.clock->advance(31min);
        QTRY_VERIFY(!resume->isVisibleTo(&view));
        f.c().set(MonitorFeature::contrast, 41);
        QVERIFY(resume->isVisibleTo(&view));
        resume->click();
        QVERIFY(!f.adaptive().pausedUntil());
        QVERIFY(!resume->isVisibleTo(&view));
        f.adaptive().setEnabled(false);
    }

    void scenesByInput() {
        SettingsFixture f;
        SettingsView& view = f.show();
        auto* hdmi1 = byAccessibleName<QComboBox>(&view, QStringLiteral("HDMI 1"));
        QVERIFY(hdmi1 && !hdmi1->isVisibleTo(&view));
        byAccessibleName<ToggleSwitch>(&view, QStringLiteral("Apply scenes by input"))->click();
        QVERIFY(f.c().perInputScenesEnabled());
        QVERIFY(hdmi1->isVisibleTo(&view));
        QCOMPARE(hdmi1->itemText(0), QStringLiteral("None"));
        emit hdmi1->activated(hdmi1->findText(QStringLiteral("Reading")));
        QCOMPARE(f.c().preferredSceneID(MonitorInput::hdmi1), MonitorScene::reading().id);
        // Off hides the pickers and keeps the choices.
        byAccessibleName<ToggleSwitch>(&view, QStringLiteral("Apply scenes by input"))->click();
        QVERIFY(!hdmi1->isVisibleTo(&view));
        QCOMPARE(f.c().preferredSceneID(MonitorInput::hdmi1), MonitorScene::reading().id);
    }

    // The Monitors section is there while two monitors are: it names them, makes the one picked
    // the main monitor and links their brightness, and follows a link made elsewhere.
    void monitorsSectionWhileSeveralAreConnected() {
        SettingsFixture f;
        QVERIFY(f.startMonitors({left + " Left"}));
        SettingsView& view = f.show();
        auto* main = byAccessibleName<QComboBox>(&view, QStringLiteral("Main monitor"));
        auto* link = byAccessibleName<ToggleSwitch>(&view, QStringLiteral("Link brightness"));
        QVERIFY(!main->isVisibleTo(&view) && !link->isVisibleTo(&view));

        f.replug({left + " Left", right + " Right"});
        QTRY_VERIFY(main->isVisibleTo(&view));
        QCOMPARE(entries(main), (QStringList{"Left", "Right"}));
        for (const auto* name : {"Left", "Right"})
            QVERIFY(byAccessibleName<ElidedLabel>(&view, QString::fromLatin1(name))->isVisibleTo(&view));
        link->click();
        QVERIFY(f.linked().isLinked());
        f.linked().setLinked(false);
        QVERIFY(!link->isChecked());

        main->setCurrentIndex(1);
        emit main->activated(1);
        QTRY_COMPARE(f.c().id(), right);
        QTRY_COMPARE(entries(main), (QStringList{"Right", "Left"}));
        QCOMPARE(main->currentText(), QStringLiteral("Right"));
        f.settle();

        f.replug({right + " Right"});
        QTRY_VERIFY(!main->isVisibleTo(&view));
        f.settle();
    }

    // Scenes by input are each monitor's own: the picker at the head of the section says whose
    // are shown and changed; a monitor that goes while shown gives way to the main one.
    void scenesByInputAreEachMonitorsOwn() {
        SettingsFixture f;
        QVERIFY(f.startMonitors({left + " Left", right + " Right"}));
        SettingsView& view = f.show();
        auto* whose = byAccessibleName<QComboBox>(&view, QStringLiteral("Monitor"));
        auto* byInput = byAccessibleName<ToggleSwitch>(&view, QStringLiteral("Apply scenes by input"));
        auto* hdmi1 = byAccessibleName<QComboBox>(&view, QStringLiteral("HDMI 1"));
        QVERIFY(whose->isVisibleTo(&view));
        MonitorController* other = f.monitors->controller(right);

        emit whose->activated(whose->findText(QStringLiteral("Right")));
        byInput->click();
        emit hdmi1->activated(hdmi1->findText(QStringLiteral("Reading")));
        QVERIFY(other->perInputScenesEnabled() && !f.c().perInputScenesEnabled());
        QCOMPARE(other->preferredSceneID(MonitorInput::hdmi1), MonitorScene::reading().id);
        QVERIFY(!f.c().preferredSceneID(MonitorInput::hdmi1));

        emit whose->activated(whose->findText(QStringLiteral("Left")));
        QVERIFY(!byInput->isChecked() && !hdmi1->isVisibleTo(&view));
        emit whose->activated(whose->findText(QStringLiteral("Right")));
        QVERIFY(byInput->isChecked());
        QCOMPARE(hdmi1->currentText(), QStringLiteral("Reading"));

        f.replug({left + " Left"});
        QTRY_VERIFY(!whose->isVisibleTo(&view));
        QVERIFY(!byInput->isChecked());
        byInput->click();
        QVERIFY(f.c().perInputScenesEnabled());
        f.settle();
    }

    // About, and the problems the user must see: scenes that could not be read, and a launch at
    // login that could not be changed, after which the switch shows the real state.
    // Each action's key is recorded from the keyboard, a screen reader's press included, stored
    // and asked of the desktop; its row says how the desktop answered. The step, the keyboard's
    // brightness keys, a new scene's row, and a desktop that lets no program take keys.
    void shortcutsAreRecordedFromTheKeyboard() {
        SettingsFixture f;
        f.settings->setValue(QStringLiteral("shortcuts/volumeUp"), QStringLiteral("Ctrl+Alt+PgUp"));
        f.rebuild();
        SettingsView& view = f.show();
        QVERIFY(!shownLabel(&view, PlatformWording::shortcutsUnavailable()));
        const auto recorder = [&](const QString& action) {
            return byAccessibleName<KeyRecorder>(&view, action + QStringLiteral(" shortcut"));
        };
        auto* up = recorder(QStringLiteral("Brightness up"));
        QVERIFY(up);
        QCOMPARE(accessibleText(up), QStringLiteral("None"));
        QCOMPARE(accessibleText(recorder(QStringLiteral("Volume up"))),
                 QKeySequence(QStringLiteral("Ctrl+Alt+PgUp")).toString(QKeySequence::NativeText));

        QAccessible::queryAccessibleInterface(up)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(up->isRecording());
        QTest::keyClick(up, Qt::Key_A); // a key that types, alone, is no shortcut
        QTest::keyClick(up, Qt::Key_Control, Qt::ControlModifier);
        QVERIFY(up->isRecording());
        QTest::keyClick(up, Qt::Key_Up, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(!up->isRecording());
        QCOMPARE(f.settings->value(QStringLiteral("shortcuts/brightnessUp")).toString(), QStringLiteral("Ctrl+Alt+Up"));
        QCOMPARE(f.keys->keysOf(QStringLiteral("brightnessUp")), QKeySequence(QStringLiteral("Ctrl+Alt+Up")));
        up->click();
        QTest::keyClick(up, Qt::Key_Escape);
        QVERIFY(!up->isRecording());
        QCOMPARE(f.model->keyboardShortcuts().keys(QStringLiteral("brightnessUp")), QKeySequence(QStringLiteral("Ctrl+Alt+Up")));

        f.keys->answer(QStringLiteral("brightnessUp"), GlobalShortcuts::State::taken);
        QVERIFY(shownLabel(&view, QStringLiteral("Taken by another program")));
        QCOMPARE(accessibleText(up, QAccessible::Description), QStringLiteral("Taken by another program"));
        auto* clear = byAccessibleName<QToolButton>(&view, QStringLiteral("Clear Brightness up shortcut"));
        QAccessible::queryAccessibleInterface(clear)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(!f.settings->contains(QStringLiteral("shortcuts/brightnessUp")));
        QVERIFY(!clear->isVisibleTo(&view)); // nothing left to clear
        QCOMPARE(accessibleText(up), QStringLiteral("None"));
        QVERIFY(!shownLabel(&view, QStringLiteral("Taken by another program")));

        auto* step = byAccessibleName<QComboBox>(&view, QStringLiteral("Step of a brightness or volume key"));
        QCOMPARE(step->currentText(), QStringLiteral("10"));
        pressOn(step, Qt::Key_Up);
        QCOMPARE(f.model->keyboardShortcuts().step(), 5);
        byAccessibleName<ToggleSwitch>(&view, QStringLiteral("Use the keyboard's brightness keys"))->click();
        QVERIFY(f.model->keyboardShortcuts().usesBrightnessKeys());

        f.store->add(userScene(QStringLiteral("Desk")));
        QVERIFY(recorder(QStringLiteral("Desk")));

        f.keys->available = false;
        f.keys->answer(QStringLiteral("volumeUp"), GlobalShortcuts::State::none);
        QVERIFY(shownLabel(&view, PlatformWording::shortcutsUnavailable()));
        QVERIFY(!recorder(QStringLiteral("Brightness up"))->isVisibleTo(&view));
    }

    void aboutAndProblemsTheUserMustSee() {
        SettingsFixture f;
        f.settings->setValue(QStringLiteral("monitorScenes.custom.v1"), QByteArray("[{\"broken\": "));
        f.rebuild();
        f.login.enabled = true;
        SettingsView& view = f.show();
        QVERIFY(f.store->persistenceError());
        QVERIFY(std::ranges::any_of(view.findChildren<QLabel*>(), [&](const QLabel* label) {
            return label->isVisibleTo(&view) && label->text().contains(*f.store->persistenceError());
        }));
        QCOMPARE(view.findChild<QLabel*>(QStringLiteral("version"))->text(), QStringLiteral("—"));

        auto* launch = byAccessibleName<ToggleSwitch>(&view, QStringLiteral("Launch at login"));
        QVERIFY(launch->isChecked());
        launch->click();
        QVERIFY(!f.login.enabled);

        const QString failure = QStringLiteral("Could not write the autostart entry: Permission denied");
        f.login.failure = failure;
        launch->click();
        QVERIFY(shownLabel(&view, failure));
        QVERIFY(!launch->isChecked()); // put back to how things really stand
        f.login.failure.reset();
        launch->click();
        QVERIFY(f.login.enabled);
        QVERIFY(!shownLabel(&view, failure));
    }
};

QTEST_MAIN(TestSettingsView)
#include "tst_settingsview.moc"
