// A mouse wheel or a touchpad over the pickers and sliders scrolls the page around them and never
// reaches the monitor, in the Controls window, Settings, the scene editor and the panel, whether
// the control has the focus or not.
#include "support/ControllerFixture.h"
#include "support/TestSupport.h"
#include "ui/panel/MonitorMenuView.h"
#include "ui/sceneeditor/SceneEditorSheet.h"
#include "ui/widgets/CapsuleSlider.h"
#include "ui/window/ControlPanelView.h"
#include "ui/window/SettingsView.h"
#include "UiTesting.h"

#include <QAbstractSlider>
#include <qpa/qwindowsysteminterface.h>
#include <QScrollArea>
#include <QScrollBar>

using namespace UiTesting;

namespace {

// Every control under `root` the user can see that a wheel could operate.
QList<QWidget*> wheelTargets(QWidget* root) {
    QList<QWidget*> targets;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QComboBox*>(widget) || qobject_cast<CapsuleSlider*>(widget) ||
                             (qobject_cast<QAbstractSlider*>(widget) && !qobject_cast<QScrollBar*>(widget));
        if (control && widget->isVisibleTo(root))
            targets.append(widget);
    }
    return targets;
}

double shownValue(const QWidget* control) {
    if (const auto* box = qobject_cast<const QComboBox*>(control))
        return box->currentIndex();
    if (const auto* slider = qobject_cast<const QAbstractSlider*>(control))
        return slider->value();
    return static_cast<const CapsuleSlider*>(control)->value();
}

// One notch of the wheel over the middle of `control`, delivered as the window system delivers
// it: to the widget under the pointer, then to its parents while none takes it.
void turnWheelOver(QWidget* control, bool down) {
    QWidget* window = control->window();
    const QPoint middle = control->rect().center();
    QWindowSystemInterface::handleWheelEvent(window->windowHandle(), control->mapTo(window, middle),
                                             control->mapToGlobal(middle), QPoint(),
                                             QPoint(0, down ? -120 : 120));
    QWindowSystemInterface::flushWindowSystemEvents();
}

// Turns the wheel over each control, first without the focus and then with it: the control keeps
// its value and does not take the focus, and the page scrolls where it can. False when one did
// not, or when there was no control to try.
bool scrolledOverEach(QWidget& root) {
    const auto targets = wheelTargets(&root);
    auto* area = root.findChild<QScrollArea*>();
    for (QWidget* control : targets) {
        const QString name = control->accessibleName();
        for (const bool focused : {false, true}) {
            if (focused)
                control->setFocus(Qt::TabFocusReason);
            if (area)
                area->ensureWidgetVisible(control);
            QScrollBar* bar = area ? area->verticalScrollBar() : nullptr;
            const int position = bar ? bar->value() : 0;
            const double before = shownValue(control);
            turnWheelOver(control, !bar || position < bar->maximum());
            if (shownValue(control) != before || control->hasFocus() != focused ||
                (bar && bar->maximum() > 0 && bar->value() == position)) {
                qWarning() << name << (focused ? "with" : "without") << "the focus: moved, took the focus,"
                           << "or the page stood still";
                return false;
            }
        }
    }
    return !targets.isEmpty();
}

} // namespace

class TestScrollWheel : public UiTesting::Test {
    Q_OBJECT

private slots:
    void controlsWindow() {
        ControllerFixture f(ControllerFixture::withMonitors);
        ControlPanelView view(*f.monitors, f.c());
        QVERIFY(showActive(&view));
        f.settle();
        QVERIFY(view.findChild<QScrollArea*>()->verticalScrollBar()->maximum() > 0);
        f.monitor.clearLog();
        QVERIFY(scrolledOverEach(view));
        f.settle();
        QCOMPARE(f.monitor.writes(), QStringList());
    }

    // The pickers of scenes by input and the adaptive range are controller settings: unchanged
    // sliders and pickers show that none moved.
    void settings() {
        ControllerFixture f(ControllerFixture::withMonitors);
        f.adaptive().setEnabled(true);
        f.c().setPerInputScenesEnabled(true);
        FakeLoginItem login;
        SettingsView view(*f.model, login);
        QVERIFY(showActive(&view));
        // Adaptive brightness writes at its first sample: that write is behind us before the log
        // is cleared, however slowly its helper starts.
        QTRY_VERIFY(f.adaptive().lastWritten());
        f.settle();
        f.monitor.clearLog();
        QVERIFY(scrolledOverEach(view));
        f.adaptive().setEnabled(false);
        f.settle();
        QCOMPARE(f.monitor.writes(), QStringList());
    }

    void sceneEditor() {
        SceneEditorSheet sheet(eveningScene(), {});
        QVERIFY(showActive(&sheet));
        const MonitorScene before = sheet.editedScene();
        QVERIFY(scrolledOverEach(sheet));
        QCOMPARE(sheet.editedScene(), before);
    }

    void panel() {
        ControllerFixture f(ControllerFixture::withMonitors);
        MonitorMenuView view(*f.model);
        QVERIFY(runTask(f.c().refresh()));
        QVERIFY(showActive(&view));
        f.monitor.clearLog();
        QVERIFY(scrolledOverEach(view)); // nothing to scroll here: the wheel does nothing
        f.settle();
        QCOMPARE(f.monitor.writes(), QStringList());
    }
};

QTEST_MAIN(TestScrollWheel)
#include "tst_scrollwheel.moc"
