#pragma once

#include "PercentSliderAccessible.h"

#include <QSlider>

/// The platform's horizontal slider over 0...100 in whole steps (a page is 10), announcing the
/// value text its owner words rather than a bare number. A value set through assistive
/// technology moves it like a key press, so its owner hears of it through valueChanged().
class PercentSlider : public QSlider, public PercentSliderAccessible::Slider {
    Q_OBJECT

public:
    explicit PercentSlider(QWidget* parent = nullptr);

    QString accessibleValueText() const override { return m_accessibleValueText; }
    /// What a screen reader announces as the value ("42 percent", "Reading monitor").
    void setAccessibleValueText(const QString& text);

private:
    double accessibleValue() const override { return value(); }
    void applyAccessibleValue(double value) override;

    QString m_accessibleValueText;
};
