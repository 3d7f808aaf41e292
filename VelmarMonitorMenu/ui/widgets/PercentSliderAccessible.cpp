#include "PercentSliderAccessible.h"

#include "PercentValue.h"

#include <QWidget>

PercentSliderAccessible::PercentSliderAccessible(QWidget* widget, PercentValue& value)
    : QAccessibleWidget(widget, QAccessible::Slider), m_value(&value) {}

void* PercentSliderAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString PercentSliderAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value)
        return m_value ? m_value->valueText() : QString();
    return QAccessibleWidget::text(t);
}

QVariant PercentSliderAccessible::currentValue() const {
    return m_value ? m_value->value() : 0.0;
}

void PercentSliderAccessible::setCurrentValue(const QVariant& value) {
    if (m_value && widget()->isEnabled())
        m_value->edit(value.toDouble());
}

QVariant PercentSliderAccessible::maximumValue() const {
    return 100.0;
}

QVariant PercentSliderAccessible::minimumValue() const {
    return 0.0;
}

QVariant PercentSliderAccessible::minimumStepSize() const {
    return 1.0;
}

QStringList PercentSliderAccessible::actionNames() const {
    QStringList names = QAccessibleWidget::actionNames();
    if (widget()->isEnabled())
        names << increaseAction() << decreaseAction();
    return names;
}

void PercentSliderAccessible::doAction(const QString& action) {
    const bool increase = action == increaseAction();
    if (!increase && action != decreaseAction()) {
        QAccessibleWidget::doAction(action);
        return;
    }
    if (m_value && widget()->isEnabled())
        m_value->step(increase ? 1 : -1);
}
