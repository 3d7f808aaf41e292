#include "PercentSlider.h"

#include "PercentValue.h"

#include <QKeyEvent>
#include <QScopedValueRollback>

#include <cmath>
#include <utility>

PercentSlider::PercentSlider(QWidget* parent)
    : QSlider(Qt::Horizontal, parent), m_percent(new PercentValue(this)) {
    setRange(0, 100);
    setSingleStep(1);
    setPageStep(10);

    connect(m_percent, &PercentValue::valueChanged, this, [this](double value) {
        QScopedValueRollback showing(m_showing, true);
        setValue(int(std::lround(value)));
    });
    connect(this, &QSlider::valueChanged, this, &PercentSlider::positionChanged);
    connect(this, &QSlider::sliderPressed, m_percent, &PercentValue::beginDrag);
    connect(this, &QSlider::sliderReleased, m_percent, &PercentValue::endDrag);
}

void PercentSlider::positionChanged(int position) {
    if (m_showing)
        return;
    if (m_handlingPress) {
        m_movedInPress = true; // a drag or a click? Known once the press is handled
        return;
    }
    if (isSliderDown())
        m_percent->dragTo(position);
    else
        m_percent->edit(position);
}

void PercentSlider::mousePressEvent(QMouseEvent* event) {
    // A press that moves the handle to the pointer moves it before the slider goes down, so
    // whether it starts a drag (live, the release commits) or pages (a complete edit) is only
    // known afterwards.
    {
        QScopedValueRollback pressing(m_handlingPress, true);
        QSlider::mousePressEvent(event);
    }
    if (std::exchange(m_movedInPress, false))
        positionChanged(value());
}

void PercentSlider::keyPressEvent(QKeyEvent* event) {
    if (!m_percent->applyKey(event, isRightToLeft()))
        QSlider::keyPressEvent(event);
}
