#include "ButtonAccessible.h"

#include <QAbstractButton>
#include <QToolButton>

namespace {
constexpr auto valueTextProperty = "velmarAccessibleValue";
}

ButtonAccessible::ButtonAccessible(QAbstractButton* button, QAccessible::Role role)
    : QAccessibleWidget(button, role), m_role(role) {}

QAbstractButton* ButtonAccessible::button() const {
    return static_cast<QAbstractButton*>(widget());
}

bool ButtonAccessible::hasMenu() const {
    const auto* tool = qobject_cast<const QToolButton*>(widget());
    return tool && tool->menu();
}

QAccessible::Role ButtonAccessible::role() const {
    if (hasMenu())
        return QAccessible::ButtonMenu;
    if (m_role == QAccessible::Button && button()->isCheckable())
        return QAccessible::CheckBox;
    return m_role;
}

QAccessible::State ButtonAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    if (button()->isCheckable()) {
        state.checkable = true;
        state.checked = button()->isChecked();
    }
    state.pressed = button()->isDown();
    state.hasPopup = hasMenu();
    return state;
}

QString ButtonAccessible::text(QAccessible::Text t) const {
    switch (t) {
    case QAccessible::Value:
        return valueText(*button());
    case QAccessible::Name: {
        const QString name = QAccessibleWidget::text(t);
        return name.isEmpty() ? button()->text().remove(QLatin1Char('&')) : name;
    }
    default:
        return QAccessibleWidget::text(t);
    }
}

QStringList ButtonAccessible::actionNames() const {
    QStringList names;
    if (widget()->isEnabled()) {
        if (hasMenu())
            names << showMenuAction();
        else if (button()->isCheckable())
            names << toggleAction();
        names << pressAction();
    }
    return names + QAccessibleWidget::actionNames();
}

void ButtonAccessible::doAction(const QString& action) {
    if (action != showMenuAction() && action != toggleAction() && action != pressAction()) {
        QAccessibleWidget::doAction(action);
        return;
    }
    if (!widget()->isEnabled())
        return;
    // From the event loop, not inside the screen reader's call: a menu the click opens runs a
    // loop of its own, and the reader would wait for it to close before hearing back.
    QMetaObject::invokeMethod(button(), &QAbstractButton::click, Qt::QueuedConnection);
}

void ButtonAccessible::setValueText(QAbstractButton& button, const QString& text) {
    if (text == valueText(button))
        return;
    button.setProperty(valueTextProperty, text);
    QAccessibleValueChangeEvent event(&button, text);
    QAccessible::updateAccessibility(&event);
}

QString ButtonAccessible::valueText(const QAbstractButton& button) {
    return button.property(valueTextProperty).toString();
}
