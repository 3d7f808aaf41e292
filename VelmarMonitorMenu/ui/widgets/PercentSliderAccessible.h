#pragma once

#include <QAccessibleWidget>

/// A 0...100 slider as assistive technology sees it: role Slider, named by the widget's
/// accessible name, announcing a value text its owner words ("42 percent", "Reading monitor")
/// rather than a bare number.
class PercentSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit PercentSliderAccessible(QWidget* widget);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

protected:
    virtual double value() const = 0;
    virtual QString valueText() const = 0;
    /// A value chosen through assistive technology, already within 0...100: an edit of its own,
    /// like a key press.
    virtual void applyValue(double value) = 0;
};
