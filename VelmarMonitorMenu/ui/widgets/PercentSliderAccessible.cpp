#include "PercentSliderAccessible.h"

#include <QWidget>

PercentSliderAccessible::PercentSliderAccessible(QWidget* widget)
    : QAccessibleWidget(widget, QAccessible::Slider) {}

void* PercentSliderAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString PercentSliderAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value)
        return valueText();
    return QAccessibleWidget::text(t);
}

QVariant PercentSliderAccessible::currentValue() const {
    return value();
}

void PercentSliderAccessible::setCurrentValue(const QVariant& value) {
    if (widget()->isEnabled())
        applyValue(qBound(0.0, value.toDouble(), 100.0));
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
