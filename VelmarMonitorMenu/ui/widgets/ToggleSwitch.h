#pragma once

#include <QAbstractButton>

class QVariantAnimation;

// A small on/off switch (the desktop has check boxes, but a setting that takes effect at once
// reads better as a switch). Space toggles it; the knob slides unless motion is reduced.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget* parent = nullptr);
    ~ToggleSwitch() override;

    /// What a screen reader announces as the switch's value (the state it leads to).
    void setAccessibleValueText(const QString& text);
    QString accessibleValueText() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void checkStateSet() override;
    void nextCheckState() override;

private:
    void animateKnob();

    qreal m_position = 0; // 0 off, 1 on
    QVariantAnimation* m_animation;
};
