#include "WheelGuard.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QScrollBar>

namespace {

constexpr auto guardedProperty = "velmarWheelGuarded";

class WheelFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Wheel)
            return false;
        // Kept from the control and left unaccepted: the application then offers the wheel to
        // the control's parents in turn, up to the scroll area.
        event->ignore();
        return true;
    }
};

bool takesTheWheel(const QWidget* widget) {
    if (qobject_cast<const QScrollBar*>(widget))
        return false; // a scroll bar is the page's own
    // Our own sliders guard themselves as they are made (PercentValue).
    return qobject_cast<const QComboBox*>(widget) || qobject_cast<const QAbstractSlider*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget);
}

} // namespace

namespace WheelGuard {

void guard(QWidget& control) {
    if (control.property(guardedProperty).toBool())
        return;
    control.setProperty(guardedProperty, true);
    control.installEventFilter(new WheelFilter(&control));
    if (control.focusPolicy() == Qt::WheelFocus)
        control.setFocusPolicy(Qt::StrongFocus);
}

void guardControls(QWidget& root) {
    if (takesTheWheel(&root))
        guard(root);
    for (QWidget* widget : root.findChildren<QWidget*>()) {
        if (takesTheWheel(widget))
            guard(*widget);
    }
}

} // namespace WheelGuard
