#include "PercentSliderAccessible.h"

#include <QCoreApplication>
#include <QWidget>

#include <cmath>

PercentSliderAccessible::PercentSliderAccessible(QWidget* widget, Slider& slider)
    : QAccessibleWidget(widget, QAccessible::Slider), m_slider(slider) {}

void* PercentSliderAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString PercentSliderAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value)
        return m_slider.accessibleValueText();
    return QAccessibleWidget::text(t);
}

QVariant PercentSliderAccessible::currentValue() const {
    return m_slider.accessibleValue();
}

void PercentSliderAccessible::setCurrentValue(const QVariant& value) {
    if (widget()->isEnabled())
        m_slider.applyAccessibleValue(qBound(0.0, value.toDouble(), 100.0));
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

QString PercentSliderAccessible::percentText(double value) {
    return QCoreApplication::translate("PercentSliderAccessible", "%1 percent")
        .arg(static_cast<qint64>(std::llround(value)));
}

QString PercentSliderAccessible::monitorValueText(double value, bool loaded) {
    return loaded ? percentText(value)
                  : QCoreApplication::translate("PercentSliderAccessible", "Reading monitor");
}

void PercentSliderAccessible::announceValue(QWidget* widget, double value) {
    QAccessibleValueChangeEvent event(widget, value);
    QAccessible::updateAccessibility(&event);
}
