// Scene rows and the scene editor, driven as the user drives them: what a row's menu offers and
// what its button says, the editor's starting state, what Save hands over, and what a screen
// reader hears.
#include "scenes/MonitorScene.h"
#include "ui/sceneeditor/SceneEditorSheet.h"
#include "ui/sceneeditor/SceneManagementRow.h"
#include "ui/widgets/ToggleSwitch.h"
#include "UiTesting.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace UiTesting;

namespace {

ScenePickerItem item(bool custom = true) {
    return {u"9B0D1F64-2C1E-4E36-8A5B-3A51C7E5A0D2"_s, custom ? u"Evening"_s : u"Movie"_s,
            u"Brightness 25 · HDMI 2"_s, u"book.fill"_s, custom};
}

// A row whose callbacks count into `calls` under their menu entry's text ("Apply" for the row
// itself); `offered` names the menu entries its owner gives it.
SceneManagementRow* makeRow(const ScenePickerItem& item, QMap<QString, int>& calls,
                            const QStringList& offered = {u"Edit"_s, u"Duplicate"_s, u"Delete"_s}) {
    const auto count = [&](const QString& entry) {
        return offered.contains(entry) ? std::function<void()>([&calls, entry] { ++calls[entry]; }) : nullptr;
    };
    return new SceneManagementRow(
        item, false, [&calls] { ++calls[u"Apply"_s]; }, count(u"Edit"_s), count(u"Duplicate"_s),
        count(u"Delete"_s));
}

QToolButton* actionsOf(const SceneManagementRow* row) {
    return byAccessibleName<QToolButton>(row, u"Actions for "_s + row->item().title);
}

QAbstractButton* applyOf(const SceneManagementRow* row) {
    return byAccessibleName<QAbstractButton>(row, u"Apply "_s + row->item().title + u" scene"_s);
}

// The colour an icon is drawn in: that of its first fully opaque pixel.
QColor inkOf(const QIcon& icon) {
    const QImage image = icon.pixmap(QSize(24, 24), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) == 255)
                return QColor::fromRgb(image.pixel(x, y));
        }
    }
    return {};
}

// An editor for `scene` that records what it saves.
struct Editor {
    explicit Editor(const MonitorScene& scene)
        : sheet(scene, [this](const MonitorScene& s) { saved.append(s); }) {}

    ToggleSwitch* include(const QString& title) const {
        return byAccessibleName<ToggleSwitch>(&sheet, title);
    }
    QSlider* slider(const QString& title) const { return byAccessibleName<QSlider>(&sheet, title); }
    ToggleSwitch* color() const { return include(u"Adjust RGB gains"_s); }
    QLineEdit* name() const { return byAccessibleName<QLineEdit>(&sheet, u"Scene name"_s); }
    QComboBox* picker(const QString& title) const { return byAccessibleName<QComboBox>(&sheet, title); }
    QPushButton* button(const QString& text) const { return byAccessibleName<QPushButton>(&sheet, text); }
    // How many of the three colour channels are shown.
    int channelsShown() const {
        int shown = 0;
        for (const QString& title : {u"Red"_s, u"Green"_s, u"Blue"_s})
            shown += slider(title)->isVisibleTo(&sheet) ? 1 : 0;
        return shown;
    }

    QList<MonitorScene> saved;
    SceneEditorSheet sheet;
};

} // namespace

class TestSceneEditor : public UiTesting::Test {
    Q_OBJECT

private slots:
    // Rows

    void menuOffersWhatTheSceneAllows_data() {
        QTest::addColumn<bool>("custom");
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<QStringList>("expected");
        const QStringList all{u"Edit"_s, u"Duplicate"_s, u"Delete"_s};
        QTest::newRow("built-in") << false << QStringList{u"Duplicate"_s} << QStringList{u"Duplicate"_s};
        QTest::newRow("custom") << true << all << QStringList{u"Edit"_s, u"Duplicate"_s, u"|"_s, u"Delete"_s};
        QTest::newRow("built-in offered a delete") << false << all << QStringList{u"Edit"_s, u"Duplicate"_s};
        QTest::newRow("nothing offered: no menu button") << true << QStringList() << QStringList();
    }
    void menuOffersWhatTheSceneAllows() {
        QFETCH(bool, custom);
        QFETCH(QStringList, offered);
        QFETCH(QStringList, expected);
        QMap<QString, int> calls;
        std::unique_ptr<SceneManagementRow> row(makeRow(item(custom), calls, offered));
        QCOMPARE(actionsOf(row.get())->isVisibleTo(row.get()), !expected.isEmpty());
        QStringList entries;
        QMap<QString, int> each;
        for (QAction* action : actionsOf(row.get())->menu()->actions()) {
            entries << (action->isSeparator() ? u"|"_s : action->text());
            // Each entry runs its own callback once, after the menu has been dealt with.
            if (!action->isSeparator()) {
                action->trigger();
                each[action->text()] = 1;
                QTRY_COMPARE(calls, each);
            }
        }
        QCOMPARE(entries, expected);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(calls, each);
    }

    void activeMarkAndApplyingByPointerAndKeyboard() {
        QMap<QString, int> calls;
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* before = new QLineEdit;
        auto* row = makeRow(item(), calls);
        layout->addWidget(before);
        layout->addWidget(row);
        QVERIFY(showActive(&window));
        QAbstractButton* apply = applyOf(row);

        // The active row shows a checkmark and says so.
        QWidget* checkmark = byAccessibleName<QWidget>(row, u"Active"_s);
        QVERIFY(apply && checkmark);
        for (const bool active : {true, false}) {
            row->setActive(active);
            QCOMPARE(checkmark->isVisibleTo(row), active);
            QCOMPARE(accessibleText(apply), active ? u"Active"_s : u"Not active"_s);
        }

        // A click anywhere on the row's face, the detail line included, applies once.
        QTest::mouseClick(apply, Qt::LeftButton, {}, QPoint(apply->width() / 2, apply->height() - 6));
        QTRY_COMPARE(calls.value(u"Apply"_s), 1);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(calls.value(u"Apply"_s), 1);

        // Tab reaches the row, then its menu button.
        before->setFocus(Qt::TabFocusReason);
        QTest::keyClick(before, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), apply);
        QTest::keyClick(apply, Qt::Key_Return);
        QTRY_COMPARE(calls.value(u"Apply"_s), 2);
        QTest::keyClick(apply, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), actionsOf(row));

        // Return opens the menu as Space does.
        MenuWatch menu(actionsOf(row)->menu());
        QTest::keyClick(actionsOf(row), Qt::Key_Return);
        QCOMPARE(menu.shown, 1);
        QCOMPARE(calls.keys(), QStringList{u"Apply"_s}); // the menu only opened
    }

    void ownerMayFreeTheRowFromItsCallback() {
        QWidget list;
        auto* layout = new QVBoxLayout(&list);
        QPointer<SceneManagementRow> row;
        int applied = 0;
        row = new SceneManagementRow(item(), false, [&] {
            ++applied;
            delete row; // the list is rebuilt with the new active scene
        });
        layout->addWidget(row);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QTest::mouseClick(applyOf(row), Qt::LeftButton);
        QTRY_VERIFY(!row);
        QCOMPARE(applied, 1);
    }

    // Editor

    void opensWithTheDefaultsForUnsetValues() {
        MonitorScene only = eveningScene(false);
        only.brightness = 80;
        Editor e(only);
        QVERIFY(showActive(&e.sheet));

        QCOMPARE(e.name()->text(), u"Evening"_s);
        QCOMPARE(e.picker(u"Scene icon"_s)->currentData().toString(), u"moon.stars.fill"_s);
        const std::tuple<QString, bool, double> expected[] = {
            {u"Brightness"_s, true, 80}, {u"Contrast"_s, false, 70}, {u"Volume"_s, false, 30},
            {u"Red"_s, true, 50},        {u"Green"_s, true, 50},     {u"Blue"_s, true, 50}};
        for (const auto& [title, included, value] : expected) {
            QCOMPARE(e.include(title)->isChecked(), included);
            QCOMPARE(e.slider(title)->value(), int(value));
        }
        QCOMPARE(e.channelsShown(), 0);
        QCOMPARE(e.picker(u"Input"_s)->currentText(), u"Leave unchanged"_s);
        QCOMPARE(e.sheet.editedScene(), only);
        // Colour turned on starts from the neutral gains.
        QTest::mouseClick(e.color(), Qt::LeftButton);
        QCOMPARE(e.channelsShown(), 3);
        QCOMPARE(e.sheet.editedScene().rgb, (MonitorScene::RGB{50, 50, 50}));
    }

    // What a scene sets comes back unchanged until the user picks otherwise, a symbol that is not
    // among the choices too.
    void everythingASceneSetsComesBackUnchanged() {
        MonitorScene full = eveningScene();
        full.brightness = 80.4; // values stay as stored until the user moves them
        full.kind = MonitorScene::Kind::builtIn;
        full.symbol = u"tv"_s;
        Editor e(full);
        QComboBox* icon = e.picker(u"Scene icon"_s);
        QComboBox* input = e.picker(u"Input"_s);
        QCOMPARE(icon->currentData().toString(), u"tv"_s);
        QCOMPARE(input->currentText(), u"HDMI 2"_s);
        // Each slider speaks its own value; the readout beside it is drawn, not a second element.
        const std::pair<QString, int> values[] = {{u"Brightness"_s, 80}, {u"Green"_s, 47}, {u"Volume"_s, 12}};
        for (const auto& [title, value] : values) {
            QCOMPARE(accessibleText(e.slider(title)), u"%1 percent"_s.arg(value));
            QCOMPARE(QAccessible::queryAccessibleInterface(e.slider(title))->parent()->childCount(), 1);
        }
        full.kind = MonitorScene::Kind::custom; // what the editor saves is always the user's own
        QCOMPARE(e.sheet.editedScene(), full);

        icon->setCurrentIndex(icon->findData(u"book.fill"_s));
        QCOMPARE(e.sheet.editedScene().symbol, u"book.fill"_s);
        input->setCurrentIndex(input->findText(MonitorInputs::title(MonitorInput::displayPort)));
        QCOMPARE(e.sheet.editedScene().input, MonitorInput::displayPort);
    }

    void savingAfterExcludingEverythingChangesNothing() {
        Editor e(eveningScene());
        QVERIFY(showActive(&e.sheet));
        for (const QString& title : {u"Brightness"_s, u"Contrast"_s, u"Volume"_s, u"Adjust RGB gains"_s})
            QTest::mouseClick(e.include(title), Qt::LeftButton);
        e.picker(u"Input"_s)->setCurrentIndex(0);
        QTest::mouseClick(e.button(u"Save"_s), Qt::LeftButton);

        QCOMPARE(e.saved, QList<MonitorScene>{eveningScene(false)});
        QCOMPARE(e.sheet.result(), int(QDialog::Accepted));
        QVERIFY(!e.sheet.isVisible());
    }

    // Save waits for a name that is more than blanks; Return in the name field only leaves it (the
    // rest of the form may still be to do), elsewhere it presses Save; the name is saved trimmed.
    void nameAndReturn() {
        Editor e(eveningScene());
        QVERIFY(showActive(&e.sheet));
        e.name()->setFocus();
        e.name()->setText(u" \n\t"_s);
        QVERIFY(!e.button(u"Save"_s)->isEnabled());
        QTest::keyClick(&e.sheet, Qt::Key_Return);
        e.sheet.save();
        QVERIFY(e.saved.isEmpty());

        e.name()->setFocus();
        e.name()->setText(u"  Late film \t"_s);
        QTest::keyClick(e.name(), Qt::Key_Return);
        QVERIFY(!e.name()->hasFocus());
        QVERIFY(e.saved.isEmpty());
        QTest::keyClick(&e.sheet, Qt::Key_Return);
        QCOMPARE(e.saved.size(), 1);
        QCOMPARE(e.saved.first().name, u"Late film"_s);
    }

    // A value left out keeps its place for when it is taken back in: the colour channels, which
    // come and go together, and a slider. Cancel then drops every change.
    void excludedValuesKeepTheirPlaceUntilCancelled() {
        Editor e(eveningScene());
        QVERIFY(showActive(&e.sheet));
        QVERIFY(!e.include(u"Green"_s)->isVisibleTo(&e.sheet)); // included with the others, never alone
        pressOn(e.slider(u"Green"_s), Qt::Key_Left);
        QCOMPARE(e.sheet.editedScene().rgb, (MonitorScene::RGB{50, 46, 43}));

        QTest::mouseClick(e.color(), Qt::LeftButton);
        QCOMPARE(e.channelsShown(), 0);
        QCOMPARE(e.sheet.editedScene().rgb, std::nullopt);

        QTest::mouseClick(e.color(), Qt::LeftButton);
        QCOMPARE(e.channelsShown(), 3);
        QCOMPARE(e.sheet.editedScene().rgb, (MonitorScene::RGB{50, 46, 43}));

        QSlider* slider = e.slider(u"Brightness"_s);
        QTest::mouseClick(e.include(u"Brightness"_s), Qt::LeftButton);
        QVERIFY(!slider->isEnabled());
        QCOMPARE(accessibleText(slider), u"Not changed by this scene"_s);
        QCOMPARE(e.sheet.editedScene().brightness, std::nullopt);
        // Assistive technology cannot move it either while it is left out.
        QAccessible::queryAccessibleInterface(slider)->valueInterface()->setCurrentValue(20.0);

        QTest::mouseClick(e.include(u"Brightness"_s), Qt::LeftButton);
        QCOMPARE(accessibleText(slider), u"35 percent"_s);
        QCOMPARE(e.sheet.editedScene().brightness, 35.0);

        // Included, it follows the keys and assistive technology.
        pressOn(slider, Qt::Key_Right);
        QCOMPARE(e.sheet.editedScene().brightness, 36.0);
        QAccessible::queryAccessibleInterface(slider)->valueInterface()->setCurrentValue(20.4);
        QCOMPARE(e.sheet.editedScene().brightness, 20.0);

        e.name()->setText(u"Changed"_s);
        QTest::mouseClick(e.button(u"Cancel"_s), Qt::LeftButton);
        QCOMPARE(e.sheet.result(), int(QDialog::Rejected));
        QVERIFY(e.saved.isEmpty());
    }

    void followsLightAndDark() {
        const QPalette original = QApplication::palette();
        const QPalette light(QColor(0xee, 0xee, 0xee)), dark(QColor(0x3a, 0x3a, 0x3e));
        QApplication::setPalette(light);
        QMap<QString, int> calls;
        {
            Editor e(eveningScene());
            std::unique_ptr<SceneManagementRow> row(makeRow(item(), calls));
            QCOMPARE(inkOf(e.picker(u"Scene icon"_s)->itemIcon(0)), light.color(QPalette::WindowText));

            // The desktop turns dark (the change reaches widgets through posted events).
            QApplication::setPalette(dark);
            const QColor darkText = dark.color(QPalette::WindowText);
            QTRY_COMPARE(inkOf(e.picker(u"Scene icon"_s)->itemIcon(0)), darkText);
            QAction* edit = actionsOf(row.get())->menu()->actions().first();
            QCOMPARE(edit->text(), u"Edit"_s);
            QTRY_COMPARE(inkOf(edit->icon()), darkText);
        }
        QApplication::setPalette(original);
    }
};

QTEST_MAIN(TestSceneEditor)
#include "tst_sceneeditor.moc"
