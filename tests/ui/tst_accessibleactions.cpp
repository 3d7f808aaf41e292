// A screen reader works every button, chip, switch and segment through its actions: each action
// does what a click does, in the panel, the window, Settings and the scene editor, and the panel
// (a popup) is in the accessibility tree while it is open.
#include "MonitorsTesting.h"
#include "ui/panel/MonitorMenuView.h"
#include "ui/sceneeditor/SceneEditorSheet.h"
#include "ui/VelmarMonitorMenuApp.h"
#include "ui/window/SettingsView.h"
#include "ui/window/UnifiedMonitorWindow.h"
#include "UiTesting.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QMenu>
#include <QSignalSpy>
#include <QToolButton>

#include <functional>

using namespace UiTesting;

namespace {

// The program as the user meets it: the shell over a controller on the fake monitor, with one
// custom scene and a login item the test watches.
struct Stage {
    ControllerFixture f{ControllerFixture::withMonitors};
    std::unique_ptr<FakeLoginItem> ownLogin = std::make_unique<FakeLoginItem>();
    FakeLoginItem* login = ownLogin.get(); // handed to the shell
    VelmarMonitorMenuApp shell{*f.model, std::move(ownLogin)};
    MonitorScene custom = userScene(QStringLiteral("Evening"));

    Stage() { f.store->add(custom); }

    // The view named `view` ("panel", "controls", "settings", "editor"), open and at rest; "… of
    // two" with two monitors connected.
    QWidget* open(QString view) {
        if (view.endsWith(QLatin1String(" of two"))) {
            view.chop(7);
            if (!f.startMonitors({MonitorsTesting::left + " Left", MonitorsTesting::right + " Right"}))
                return nullptr;
        }
        if (view == QLatin1String("panel")) {
            shell.togglePanel(QRect(600, 0, 20, 20));
            return shell.panel();
        }
        shell.openWindow(view == QLatin1String("controls") ? MonitorWindowSection::controls
                                                           : MonitorWindowSection::settings);
        f.settle(); // the Controls section reads the monitor as it appears
        if (view == QLatin1String("controls"))
            return shell.window();
        auto* settings = shell.window()->findChild<SettingsView*>();
        if (view == QLatin1String("settings"))
            return settings;
        settings->editScene(custom);
        return settings->findChild<SceneEditorSheet*>();
    }
};

// Runs `action` on the button named `name`; a menu the action opens is closed once it is on
// screen (it runs a loop of its own). Returns how often the menu opened.
int act(QWidget* root, const QString& name, const QString& action) {
    QAbstractButton* button = byAccessibleName<QAbstractButton>(root, name);
    auto* tool = qobject_cast<QToolButton*>(button);
    std::optional<MenuWatch> watch;
    if (tool && tool->menu())
        watch.emplace(tool->menu());
    QAccessible::queryAccessibleInterface(button)->actionInterface()->doAction(action);
    return watch && QTest::qWaitFor([&] { return watch->shown > 0; }) ? watch->shown : 0;
}

using Outcome = std::function<bool(Stage&)>;

} // namespace

Q_DECLARE_METATYPE(Outcome)

class TestAccessibleActions : public UiTesting::Test {
    Q_OBJECT

private slots:
    void initTestCase() {
        // A screen reader running at login asks for the application before any panel exists.
        QVERIFY(QAccessible::queryAccessibleInterface(qApp));
    }

    // One row per action of every button the user can see, found afresh in each view.
    void everyActionIsAClick_data() {
        QTest::addColumn<QString>("view");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("action");
        for (const QString view : {"panel", "panel of two", "controls", "settings", "editor"}) {
            Stage s;
            QWidget* root = s.open(view);
            QVERIFY(root);
            for (QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
                if (!button->isVisibleTo(root))
                    continue;
                QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
                const QString name = accessible->text(QAccessible::Name);
                QVERIFY2(byAccessibleName<QAbstractButton>(root, name) == button,
                         qPrintable(view + ": no name of its own: " + name));
                QStringList actions = accessible->actionInterface()->actionNames();
                actions.removeAll(QAccessibleActionInterface::setFocusAction()); // focus, not a click
                QVERIFY2(!actions.isEmpty(), qPrintable(view + ": no action: " + name));
                for (const QString& action : actions)
                    QTest::addRow("%s: %s, %s", qPrintable(view), qPrintable(name), qPrintable(action))
                        << view << name << action;
            }
        }
    }
    void everyActionIsAClick() {
        QFETCH(QString, view);
        QFETCH(QString, name);
        QFETCH(QString, action);
        Stage s;
        QWidget* root = s.open(view);
        QAbstractButton* button = byAccessibleName<QAbstractButton>(root, name);
        QVERIFY(button);
        QSignalSpy clicked(button, &QAbstractButton::clicked);
        const auto* tool = qobject_cast<QToolButton*>(button);
        if (tool && tool->menu() && tool->popupMode() == QToolButton::InstantPopup)
            QCOMPARE(act(root, name, action), 1); // what a click on it does: the menu opens
        else {
            act(root, name, action);
            QTRY_COMPARE(clicked.size(), 1);
        }
    }

    // What the user meant, end to end, once for each kind of control (a chip, a segment, a scene
    // row, a switch); every other button's action is a click, which its own view's test follows
    // through.
    void actionsDoWhatTheUserMeant_data() {
        QTest::addColumn<QString>("view");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("action");
        QTest::addColumn<Outcome>("happened");
        const auto row = [](const char* view, const char* name, const QString& action, Outcome happened) {
            QTest::addRow("%s: %s", view, name)
                << QString::fromUtf8(view) << QString::fromUtf8(name) << action << happened;
        };
        const QString toggle = QAccessibleActionInterface::toggleAction();
        row("panel", "Night Mode", toggle, [](Stage& s) { return s.f.c().isNightMode(); });
        row("panel of two", "Link brightness", QAccessibleActionInterface::pressAction(),
            [](Stage& s) { return s.f.linked().isLinked(); });
        row("controls", "Settings", QAccessibleActionInterface::pressAction(),
            [](Stage& s) { return s.shell.window()->findChild<SettingsView*>() != nullptr; });
        row("settings", "Apply Movie scene", QAccessibleActionInterface::pressAction(),
            [](Stage& s) { return s.f.c().activeSceneID() == MonitorScene::movie().id; });
        row("settings", "Launch at login", toggle, [](Stage& s) { return s.login->enabled; });
        row("settings of two", "Link brightness", toggle,
            [](Stage& s) { return s.f.linked().isLinked(); });
    }
    void actionsDoWhatTheUserMeant() {
        QFETCH(QString, view);
        QFETCH(QString, name);
        QFETCH(QString, action);
        QFETCH(Outcome, happened);
        Stage s;
        QWidget* root = s.open(view);
        QVERIFY(byAccessibleName<QAbstractButton>(root, name));
        QVERIFY(!happened(s));
        act(root, name, action);
        QTRY_VERIFY(happened(s));
    }

    // The panel, a popup, hangs from the application while it is open and leaves it when it closes.
    // (That a reader walks down to its chips and works them is the screen-reader end-to-end test's.)
    void thePanelIsInTheApplicationsTreeWhileOpen() {
        Stage s;
        QWidget* panel = s.open("panel");
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        QAccessibleInterface* application = QAccessible::queryAccessibleInterface(qApp);
        QVERIFY(application->indexOfChild(QAccessible::queryAccessibleInterface(panel)) >= 0);
        panel->close();
        QCOMPARE(application->indexOfChild(QAccessible::queryAccessibleInterface(panel)), -1);
    }
};

QTEST_MAIN(TestAccessibleActions)
#include "tst_accessibleactions.moc"
