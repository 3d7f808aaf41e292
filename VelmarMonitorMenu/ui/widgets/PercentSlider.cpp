#include "PercentSlider.h"

#include "ui/Accessibility.h"

#include <cmath>

PercentSlider::PercentSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    Accessibility::install();
    setRange(0, 100);
    setSingleStep(1);
    setPageStep(10);
}

void PercentSlider::setAccessibleValueText(const QString& text) {
    if (text == m_accessibleValueText)
        return;
    m_accessibleValueText = text;
    PercentSliderAccessible::announceValue(this, value());
}

void PercentSlider::applyAccessibleValue(double value) {
    setValue(int(std::lround(value)));
}
