#pragma once

#include <QSlider>

class PercentValue;

/// The platform's horizontal slider over 0...100 in whole steps, as the face of a PercentValue:
/// it shows the value and hands the user's handling of it (drags, clicks on the groove, keys) to
/// the value as edits. Its owner reads and sets the value, and hears of edits, through percent().
class PercentSlider : public QSlider {
    Q_OBJECT

public:
    explicit PercentSlider(QWidget* parent = nullptr);

    PercentValue& percent() const { return *m_percent; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void positionChanged(int position);

    PercentValue* m_percent;
    bool m_showing = false;       // the slider is being moved to the value's position
    bool m_handlingPress = false; // a mouse press is being handled
    bool m_movedInPress = false;  // and moved the handle
};
