#pragma once

#include <QAccessibleWidget>
#include <QPointer>

class PercentValue;

/// A 0...100 slider as assistive technology sees it: role Slider, named by the widget's
/// accessible name, announcing its PercentValue's words ("42 percent", "Reading monitor") rather
/// than a bare number. What a screen reader sets, and its increase and decrease actions, are
/// edits of the user's own, like key presses; a disabled slider takes none of them. The one
/// adaptor of every slider of ours.
class PercentSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    PercentSliderAccessible(QWidget* widget, PercentValue& value);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

    QStringList actionNames() const override;
    void doAction(const QString& action) override;

private:
    // Held weakly: the value is a child of the widget, and goes before the widget's interface does.
    QPointer<PercentValue> m_value;
};
