#pragma once

#include <QAccessibleWidget>

/// A 0...100 slider as assistive technology sees it: role Slider, named by the widget's
/// accessible name, announcing a value text its owner words ("42 percent", "Reading monitor")
/// rather than a bare number. The one adaptor of every slider of ours.
class PercentSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    /// What the adaptor reads from the slider it speaks for, and hands to it.
    class Slider {
    public:
        virtual double accessibleValue() const = 0;
        virtual QString accessibleValueText() const = 0;
        /// A value chosen through assistive technology, already within 0...100: an edit of its
        /// own, like a key press.
        virtual void applyAccessibleValue(double value) = 0;

    protected:
        ~Slider() = default;
    };

    PercentSliderAccessible(QWidget* widget, Slider& slider);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

    /// "42 percent": a value as the sliders announce it, rounded half away from zero.
    static QString percentText(double value);
    /// A monitor's value as its slider announces it: in percent once read, "Reading monitor"
    /// until then.
    static QString monitorValueText(double value, bool loaded);
    /// Tells assistive technology that `widget`'s value, or the words for it, changed.
    static void announceValue(QWidget* widget, double value);

private:
    Slider& m_slider;
};
