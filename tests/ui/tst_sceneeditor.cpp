// Scene rows, driven as the user drives them: what a row's menu offers, what its button says and
// what a screen reader hears. Screenshots in a light and a dark palette are saved under the build tree.
#include "scenes/MonitorScene.h"
#include "ui/scenes/SceneFormRows.h"
#include "ui/scenes/SceneManagementRow.h"
#include "ui/window/FormSection.h"
#include "UiTesting.h"

#include <QAccessible>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace UiTesting;

namespace {

// How often each of a row's callbacks ran.
struct Calls {
    int apply = 0, edit = 0, duplicate = 0, remove = 0;
};

ScenePickerItem builtInItem() {
    return {uuidText(MonitorScene::movie().id), u"Movie"_s, u"Brightness 35 · Contrast 75 · Color"_s,
            u"film.fill"_s, false};
}

ScenePickerItem customItem() {
    return {u"9B0D1F64-2C1E-4E36-8A5B-3A51C7E5A0D2"_s,
            u"Late-night reading with the warm lamp on and the blinds half closed"_s,
            u"Brightness 25 · Volume 10 · HDMI 2"_s, u"book.fill"_s, true};
}

// A row whose callbacks count into `calls`; `given` picks which of edit, duplicate and delete
// the owner offers.
struct Offer {
    bool edit = true, duplicate = true, remove = true;
};
SceneManagementRow* makeRow(const ScenePickerItem& item, bool active, Calls& calls, Offer given = {}) {
    return new SceneManagementRow(
        item, active, [&calls] { ++calls.apply; },
        given.edit ? std::function<void()>([&calls] { ++calls.edit; }) : nullptr,
        given.duplicate ? std::function<void()>([&calls] { ++calls.duplicate; }) : nullptr,
        given.remove ? std::function<void()>([&calls] { ++calls.remove; }) : nullptr);
}

QToolButton* actionsOf(const SceneManagementRow* row) {
    return byAccessibleName<QToolButton>(row, u"Actions for "_s + row->item().title);
}

QAbstractButton* applyOf(const SceneManagementRow* row) {
    return byAccessibleName<QAbstractButton>(row, u"Apply "_s + row->item().title + u" scene"_s);
}

// The menu as read: item texts, "|" for a separator.
QStringList menuEntries(const SceneManagementRow* row) {
    QStringList entries;
    for (const QAction* action : actionsOf(row)->menu()->actions())
        entries << (action->isSeparator() ? u"|"_s : action->text());
    return entries;
}

QAction* menuAction(const SceneManagementRow* row, const QString& text) {
    for (QAction* action : actionsOf(row)->menu()->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

QString accessibleText(QWidget* widget, QAccessible::Text text) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(text) : u"(no accessible interface)"_s;
}

// The colour most of an icon's opaque pixels have.
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

} // namespace

class TestSceneEditor : public QObject {
    Q_OBJECT

private slots:
    void menuOffersWhatTheSceneAllows_data() {
        QTest::addColumn<bool>("custom");
        QTest::addColumn<bool>("edit");
        QTest::addColumn<bool>("duplicate");
        QTest::addColumn<bool>("remove");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("built-in") << false << false << true << false << QStringList{u"Duplicate"_s};
        QTest::newRow("custom") << true << true << true << true
                                << QStringList{u"Edit"_s, u"Duplicate"_s, u"|"_s, u"Delete"_s};
        QTest::newRow("built-in offered a delete")
            << false << true << true << true << QStringList{u"Edit"_s, u"Duplicate"_s};
        QTest::newRow("custom without a delete") << true << true << false << false << QStringList{u"Edit"_s};
        QTest::newRow("custom, delete only")
            << true << false << false << true << QStringList{u"|"_s, u"Delete"_s};
    }
    void menuOffersWhatTheSceneAllows() {
        QFETCH(bool, custom);
        QFETCH(bool, edit);
        QFETCH(bool, duplicate);
        QFETCH(bool, remove);
        QFETCH(QStringList, expected);
        Calls calls;
        std::unique_ptr<SceneManagementRow> row(
            makeRow(custom ? customItem() : builtInItem(), false, calls, {edit, duplicate, remove}));
        QToolButton* actions = actionsOf(row.get());
        QVERIFY(actions);
        QCOMPARE(actions->toolTip(), u"Scene actions"_s);
        QCOMPARE(actions->size(), QSize(28, 28));
        QCOMPARE(actions->popupMode(), QToolButton::InstantPopup);
        QCOMPARE(menuEntries(row.get()), expected);

        // Each entry runs its own callback once, after the menu has been dealt with.
        const std::pair<QString, int Calls::*> wiring[] = {
            {u"Edit"_s, &Calls::edit}, {u"Duplicate"_s, &Calls::duplicate}, {u"Delete"_s, &Calls::remove}};
        for (const auto& [text, count] : wiring) {
            if (QAction* action = menuAction(row.get(), text)) {
                QVERIFY(!action->icon().isNull());
                action->trigger();
                QTRY_COMPARE(calls.*count, 1);
            }
        }
        QCoreApplication::sendPostedEvents();
        QCOMPARE(calls.edit + calls.duplicate + calls.remove, int(expected.size() - expected.count(u"|"_s)));
        QCOMPARE(calls.apply, 0);
    }

    void deleteIsMarkedDestructive() {
        Calls calls;
        std::unique_ptr<SceneManagementRow> row(makeRow(customItem(), false, calls));
        QAction* remove = menuAction(row.get(), u"Delete"_s);
        QAction* edit = menuAction(row.get(), u"Edit"_s);
        QVERIFY(remove && edit);
        const QColor deleteInk = inkOf(remove->icon()), editInk = inkOf(edit->icon());
        QVERIFY2(deleteInk.red() > deleteInk.green() + 80 && deleteInk.red() > deleteInk.blue() + 80,
                 qPrintable(deleteInk.name()));
        QVERIFY(qAbs(editInk.red() - editInk.green()) < 30); // the text colour, not red
    }

    void rowWithoutActionsHasNoMenuButton() {
        Calls calls;
        SceneManagementRow row(builtInItem(), false, [&calls] { ++calls.apply; });
        row.show();
        QVERIFY(QTest::qWaitForWindowExposed(&row));
        QVERIFY(!actionsOf(&row)->isVisible());
        QVERIFY(applyOf(&row)->isVisible());
    }

    void activeRowShowsCheckmarkAndSaysSo() {
        Calls calls;
        QWidget list;
        auto* layout = new QVBoxLayout(&list);
        auto* movie = makeRow(builtInItem(), true, calls, {false, true, false});
        auto* custom = makeRow(customItem(), false, calls);
        layout->addWidget(movie);
        layout->addWidget(custom);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));

        const auto checkmark = [](const SceneManagementRow* row) {
            QWidget* mark = byAccessibleName<QWidget>(row, u"Active"_s);
            return mark && mark->isVisible();
        };
        QAbstractButton* apply = applyOf(movie);
        QVERIFY(apply);
        QVERIFY(checkmark(movie));
        QVERIFY(!checkmark(custom));
        QCOMPARE(accessibleText(apply, QAccessible::Name), u"Apply Movie scene"_s);
        QCOMPARE(accessibleText(apply, QAccessible::Value), u"Active"_s);
        QCOMPARE(QAccessible::queryAccessibleInterface(apply)->role(), QAccessible::Button);
        QCOMPARE(apply->toolTip(), u"Apply Movie"_s);
        QCOMPARE(accessibleText(applyOf(custom), QAccessible::Value), u"Not active"_s);
        QCOMPARE(applyOf(custom)->toolTip(),
                 u"Apply Late-night reading with the warm lamp on and the blinds half closed"_s);
        QVERIFY(apply->height() >= 36);

        // Another scene becomes active.
        movie->setActive(false);
        custom->setActive(true);
        QVERIFY(!checkmark(movie));
        QVERIFY(checkmark(custom));
        QCOMPARE(accessibleText(apply, QAccessible::Value), u"Not active"_s);
        QCOMPARE(accessibleText(applyOf(custom), QAccessible::Value), u"Active"_s);
        QVERIFY(movie->item() == builtInItem());
    }

    void detailLineOnlyWhenThereIsOne() {
        Calls calls;
        const auto lines = [&calls](std::optional<QString> detail) {
            ScenePickerItem item = customItem();
            item.detail = detail;
            std::unique_ptr<SceneManagementRow> row(makeRow(item, false, calls));
            QStringList texts;
            for (QWidget* child : applyOf(row.get())->findChildren<QWidget*>()) {
                if (!child->accessibleName().isEmpty() && child->accessibleName() != u"Active"_s)
                    texts << child->accessibleName();
            }
            return texts;
        };
        QCOMPARE(lines(u"Brightness 25"_s), (QStringList{customItem().title, u"Brightness 25"_s}));
        QCOMPARE(lines(u""_s), QStringList{customItem().title});
        QCOMPARE(lines(std::nullopt), QStringList{customItem().title});
    }

    void applyingByPointerAndKeyboard() {
        Calls calls;
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* before = new QLineEdit;
        auto* row = makeRow(customItem(), false, calls);
        layout->addWidget(before);
        layout->addWidget(row);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QAbstractButton* apply = applyOf(row);

        // A click anywhere on the row's face, the detail line included, applies once.
        QTest::mouseClick(apply, Qt::LeftButton, {}, QPoint(apply->width() / 2, apply->height() - 6));
        QTRY_COMPARE(calls.apply, 1);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(calls.apply, 1);

        // Tab reaches the row, then its menu button.
        before->setFocus(Qt::TabFocusReason);
        QTest::keyClick(before, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), apply);
        QTest::keyClick(apply, Qt::Key_Space);
        QTRY_COMPARE(calls.apply, 2);
        QTest::keyClick(apply, Qt::Key_Return);
        QTRY_COMPARE(calls.apply, 3);
        QTest::keyClick(apply, Qt::Key_A);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(calls.apply, 3);
        QTest::keyClick(apply, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), actionsOf(row));

        // Return opens the menu as Space does.
        QMenu* menu = actionsOf(row)->menu();
        int opened = 0;
        connect(menu, &QMenu::aboutToShow, menu, [&] {
            QMetaObject::invokeMethod(
                menu,
                [&] {
                    opened += menu->isVisible() ? 1 : 0;
                    menu->close();
                },
                Qt::QueuedConnection);
        });
        QTest::keyClick(actionsOf(row), Qt::Key_Return);
        QCOMPARE(opened, 1);
        QCOMPARE(calls.edit + calls.duplicate + calls.remove, 0);
    }

    void ownerMayFreeTheRowFromItsCallback() {
        QWidget list;
        auto* layout = new QVBoxLayout(&list);
        QPointer<SceneManagementRow> row;
        int applied = 0;
        row = new SceneManagementRow(customItem(), false, [&] {
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

    // Not checks of their own: what the user sees, for people to look at.
    void screenshots_data() {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void screenshots() {
        QFETCH(bool, dark);
        const QPalette original = QApplication::palette();
        QApplication::setPalette(dark ? darkPalette() : lightPalette());
        const QString suffix = dark ? u"-dark"_s : u"-light"_s;
        {
            Calls calls;
            QWidget list;
            list.setFixedWidth(440);
            auto* layout = new QVBoxLayout(&list);
            layout->setContentsMargins(20, 16, 20, 20);
            auto* section = new FormSection(u"Scenes"_s, &list);
            const ScenePickerItem work{uuidText(MonitorScene::work().id), u"Work"_s,
                                       u"Brightness 70 · Contrast 70 · Color"_s, u"briefcase.fill"_s, false};
            ScenePickerItem plain = customItem();
            plain.title = u"Games"_s;
            plain.symbol = u"gamecontroller.fill"_s;
            plain.detail.reset();
            SceneFormRows::addWideRow(*section, makeRow(builtInItem(), true, calls, {false, true, false}));
            SceneFormRows::addWideRow(*section, makeRow(work, false, calls, {false, true, false}));
            SceneFormRows::addWideRow(*section, makeRow(customItem(), false, calls));
            SceneFormRows::addWideRow(*section, makeRow(plain, false, calls));
            layout->addWidget(section);
            list.show();
            QVERIFY(QTest::qWaitForWindowExposed(&list));
            QVERIFY(saveScreenshot(&list, u"scene-rows"_s + suffix));

            // The custom row's menu, open.
            const auto rows = list.findChildren<SceneManagementRow*>();
            QMenu* menu = actionsOf(rows.at(2))->menu();
            menu->popup(list.mapToGlobal(QPoint(200, 40)));
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            QVERIFY(saveScreenshot(menu, u"scene-row-menu"_s + suffix));
            menu->close();
        }
        QApplication::setPalette(original);
    }
};

QTEST_MAIN(TestSceneEditor)
#include "tst_sceneeditor.moc"
