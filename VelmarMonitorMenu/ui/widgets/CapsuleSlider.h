#pragma once

#include "PercentSliderAccessible.h"

#include <QString>
#include <QWidget>

class QVariantAnimation;

/// A thick capsule-shaped slider over 0...100: a translucent track and a white fill that
/// follows the pointer. Every value the user passes through while dragging is `liveChanged`;
/// letting go is `committed`. A key press is a complete edit of its own (live, then commit).
class CapsuleSlider : public QWidget, public PercentSliderAccessible::Slider {
    Q_OBJECT

public:
    explicit CapsuleSlider(QWidget* parent = nullptr);

    double value() const { return m_value; }
    /// The model's value, 0...100. Emits nothing; the fill eases to it unless the user is
    /// dragging.
    void setValue(double value);

    int trackHeight() const { return m_trackHeight; }
    /// The height of the whole control and the narrowest the fill gets (a circle at 0).
    void setTrackHeight(int height);

    /// The monitor's value has been read; a new slider counts as read. Until it is, the slider
    /// is disabled and a screen reader hears "Reading monitor" for its value.
    bool isLoaded() const { return m_loaded; }
    void setLoaded(bool loaded);

    /// What a screen reader announces as the value ("42 percent", "Reading monitor").
    QString accessibleValueText() const override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void liveChanged(double value);
    void committed(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    double accessibleValue() const override { return m_value; }
    void applyAccessibleValue(double value) override { applyEdit(value); }
    void dragTo(qreal x);
    /// A discrete edit (a key, assistive technology): live, then commit, if it changes anything.
    void applyEdit(double value);
    void store(double value);
    void showFill(double value);

    double m_value = 0;
    // What the fill shows: trails m_value while it eases towards it.
    double m_shownValue = 0;
    int m_trackHeight = 22;
    bool m_dragging = false;
    bool m_loaded = true;
    QVariantAnimation* m_fillAnimation = nullptr;
};
