#include "PercentValue.h"

#include "ui/Accessibility.h"
#include "WheelGuard.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QWidget>

#include <cmath>

namespace {

constexpr int singleStep = 1;
constexpr int pageStep = 10;

// Every value the user makes is a whole number: std::round rounds halves away from zero.
double whole(double value) {
    return std::round(qBound(0.0, value, 100.0));
}

} // namespace

PercentValue::PercentValue(QWidget* control) : QObject(control), m_control(control) {
    Accessibility::install();
    // Each of these sliders writes to the monitor as it moves; a wheel meant for the page must
    // not move it.
    WheelGuard::guard(*control);
}

void PercentValue::setValue(double value) {
    store(qBound(0.0, value, 100.0));
}

qint64 PercentValue::percent() const {
    return std::llround(m_value);
}

QString PercentValue::valueText() const {
    return m_standInText.isEmpty() ? tr("%1 percent").arg(percent()) : m_standInText;
}

void PercentValue::setStandInText(const QString& text) {
    if (text == m_standInText)
        return;
    m_standInText = text;
    announce();
}

QString PercentValue::readingMonitorText() {
    return tr("Reading monitor");
}

void PercentValue::beginDrag() {
    m_dragging = true;
}

void PercentValue::dragTo(double value) {
    if (store(whole(value)))
        emit liveChanged(m_value);
}

void PercentValue::endDrag() {
    if (!std::exchange(m_dragging, false))
        return;
    emit committed(m_value);
}

void PercentValue::abandonDrag() {
    m_dragging = false;
}

void PercentValue::edit(double value) {
    if (!store(whole(value)))
        return;
    emit liveChanged(m_value);
    emit committed(m_value);
}

void PercentValue::step(int steps) {
    edit(double(percent()) + steps);
}

bool PercentValue::applyKey(const QKeyEvent* event, bool mirrored) {
    switch (event->key()) {
    case Qt::Key_Left:
        step(mirrored ? singleStep : -singleStep);
        return true;
    case Qt::Key_Right:
        step(mirrored ? -singleStep : singleStep);
        return true;
    case Qt::Key_Down:
        step(-singleStep);
        return true;
    case Qt::Key_Up:
        step(singleStep);
        return true;
    case Qt::Key_PageDown:
        step(-pageStep);
        return true;
    case Qt::Key_PageUp:
        step(pageStep);
        return true;
    case Qt::Key_Home:
        edit(0);
        return true;
    case Qt::Key_End:
        edit(100);
        return true;
    default:
        return false;
    }
}

bool PercentValue::store(double value) {
    if (value == m_value)
        return false;
    m_value = value;
    emit valueChanged(value);
    announce();
    return true;
}

void PercentValue::announce() {
    QAccessibleValueChangeEvent event(m_control, m_value);
    QAccessible::updateAccessibility(&event);
}
