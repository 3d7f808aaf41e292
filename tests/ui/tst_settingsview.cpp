// The Settings section: scene rows and the naming dialog, adaptive brightness with its range
// and pause, scenes by input, launch at login, About, and the problems the user must see.
#include "support/ControllerFixture.h"
#include "support/TestSupport.h"
#include "system/PlatformWording.h"
#include "ui/sceneeditor/SceneEditorSheet.h"
#include "ui/sceneeditor/SceneManagementRow.h"
#include "ui/widgets/ToggleSwitch.h"
#include "ui/window/SettingsView.h"
#include "UiTesting.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

using namespace std::chrono_literals;
using namespace UiTesting;
using Reading = BuiltInDisplayBrightnessReading;

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

    void sceneRowsApplyAndANewSceneIsNamed() {
        ControllerFixture f;
        f.store->add(userScene(QStringLiteral("Gaming")));
        FakeLoginItem login;
        SettingsView view(f.c(), login);
        view.show();
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
    }

    void editingTheActiveSceneClearsItsMark() {
        ControllerFixture f;
        auto gaming = userScene(QStringLiteral("Gaming"));
        gaming.volume = 40;
        f.store->add(gaming);
        f.c().apply(gaming);
        QTRY_COMPARE(f.c().activeSceneID(), gaming.id);
        FakeLoginItem login;
        SettingsView view(f.c(), login);
        view.editScene(gaming);
        auto* sheet = view.findChild<SceneEditorSheet*>();
        QVERIFY(sheet);
        sheet->save();
        QVERIFY(!f.c().activeSceneID());
    }

    void adaptiveRangeAndPause() {
        ControllerFixture f;
        FakeLoginItem login;
        SettingsView view(f.c(), login);
        view.show();
        auto* follow =
            byAccessibleName<ToggleSwitch>(&view, PlatformWording::followBuiltInBrightnessSwitch());
        QVERIFY(follow);
        auto* minimum = byAccessibleName<QSlider>(&view, QStringLiteral("Velmar minimum"));
        auto* maximum = byAccessibleName<QSlider>(&view, QStringLiteral("Velmar maximum"));
        QVERIFY(!minimum->isVisibleTo(&view));

        f.reader.reading = Reading::unavailable(Reading::UnavailableReason::noBuiltInDisplay);
        follow->click();
        QVERIFY(f.c().adaptiveBrightnessEnabled());
        QVERIFY(minimum->isVisibleTo(&view));
        // Each end's range stops at the other end's value.
        QCOMPARE(minimum->maximum(), 82);
        QCOMPARE(maximum->minimum(), 8);
        minimum->setValue(30);
        QCOMPARE(f.c().adaptiveMinimumBrightness(), 30.0);
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
        QVERIFY(!f.c().adaptiveBrightnessPausedUntil());
        QVERIFY(!resume->isVisibleTo(&view));
        f.c().setAdaptiveBrightnessEnabled(false);
    }

    void scenesByInput() {
        ControllerFixture f;
        FakeLoginItem login;
        SettingsView view(f.c(), login);
        view.show();
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

    void launchAtLoginShowsAFailureAndTheRealState() {
        ControllerFixture f;
        FakeLoginItem login;
        login.enabled = true;
        SettingsView view(f.c(), login);
        view.show();
        auto* launch = byAccessibleName<ToggleSwitch>(&view, QStringLiteral("Launch at login"));
        QVERIFY(launch->isChecked());
        launch->click();
        QVERIFY(!login.enabled);

        const QString failure = QStringLiteral("Could not write the autostart entry: Permission denied");
        login.failure = failure;
        launch->click();
        QVERIFY(shownLabel(&view, failure));
        QVERIFY(!launch->isChecked()); // put back to how things really stand
        login.failure.reset();
        launch->click();
        QVERIFY(login.enabled);
        QVERIFY(!shownLabel(&view, failure));
    }

    void aboutAndProblemsTheUserMustSee() {
        ControllerFixture f;
        f.settings->setValue(QStringLiteral("monitorScenes.custom.v1"), QByteArray("[{\"broken\": "));
        f.rebuild();
        FakeLoginItem login;
        SettingsView view(f.c(), login);
        view.show();
        QVERIFY(f.store->persistenceError());
        QVERIFY(std::ranges::any_of(view.findChildren<QLabel*>(), [&](const QLabel* label) {
            return label->isVisibleTo(&view) && label->text().contains(*f.store->persistenceError());
        }));
        QCOMPARE(view.findChild<QLabel*>(QStringLiteral("version"))->text(), QStringLiteral("—"));
    }
};

QTEST_MAIN(TestSettingsView)
#include "tst_settingsview.moc"
