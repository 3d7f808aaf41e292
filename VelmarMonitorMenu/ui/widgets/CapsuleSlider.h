#pragma once

#include <QString>
#include <QWidget>

class PercentValue;
class QVariantAnimation;

/// A thick capsule-shaped slider over 0...100: a translucent track and a white fill that
/// follows the pointer. Every value the user passes through while dragging is `liveChanged`;
/// letting go is `committed`. A key press is a complete edit of its own (live, then commit).
/// The value and its rules are its PercentValue's.
class CapsuleSlider : public QWidget {
    Q_OBJECT

public:
    explicit CapsuleSlider(QWidget* parent = nullptr);

    PercentValue& percent() const { return *m_percent; }
    double value() const;
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
    void dragTo(qreal x);
    void showFill(double value);

    PercentValue* m_percent;
    // What the fill shows: trails the value while it eases towards it.
    double m_shownValue = 0;
    int m_trackHeight = 22;
    bool m_loaded = true;
    QVariantAnimation* m_fillAnimation = nullptr;
};
