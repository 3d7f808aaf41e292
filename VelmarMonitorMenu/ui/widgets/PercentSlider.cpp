#include "PercentSlider.h"

#include <cmath>

namespace {

QAccessibleInterface* accessibleFactory(const QString& key, QObject* object) {
    if (key == QLatin1String("PercentSlider")) {
        auto* slider = static_cast<PercentSlider*>(object);
        return new PercentSliderAccessible(slider, *slider);
    }
    return nullptr;
}

} // namespace

PercentSlider::PercentSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    static const bool factoryInstalled = (QAccessible::installFactory(accessibleFactory), true);
    Q_UNUSED(factoryInstalled);
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
