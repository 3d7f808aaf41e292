#include "ToggleSwitch.h"

#include "ButtonAccessible.h"
#include "ControlLook.h"
#include "ui/Accessibility.h"
#include "ui/Style.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QVariantAnimation>

namespace {

constexpr int trackWidth = 34;
constexpr int trackHeight = 20;

} // namespace

ToggleSwitch::ToggleSwitch(QWidget* parent)
    : QAbstractButton(parent), m_animation(new QVariantAnimation(this)) {
    Accessibility::install();
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_animation->setDuration(150);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_position = value.toReal();
        update();
    });
}

ToggleSwitch::~ToggleSwitch() = default;

void ToggleSwitch::setAccessibleValueText(const QString& text) {
    ButtonAccessible::setValueText(*this, text);
}

QString ToggleSwitch::accessibleValueText() const {
    return ButtonAccessible::valueText(*this);
}

QSize ToggleSwitch::sizeHint() const {
    return {trackWidth + 4, trackHeight + 4};
}

void ToggleSwitch::checkStateSet() {
    QAbstractButton::checkStateSet();
    animateKnob();
}

void ToggleSwitch::nextCheckState() {
    QAbstractButton::nextCheckState();
    animateKnob();
}

void ToggleSwitch::animateKnob() {
    const qreal target = isChecked() ? 1.0 : 0.0;
    const auto duration = ControlLook::animationDuration(this, std::chrono::milliseconds(150));
    if (!isVisible() || duration.count() == 0) { // hidden, or the desktop asks for less motion
        m_position = target;
        update();
        return;
    }
    m_animation->stop();
    m_animation->setDuration(int(duration.count()));
    m_animation->setStartValue(m_position);
    m_animation->setEndValue(target);
    m_animation->start();
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);
    const QRectF track(2, (height() - trackHeight) / 2.0, trackWidth, trackHeight);
    const QColor off = Style::isDark(palette()) ? QColor(255, 255, 255, 46) : QColor(0, 0, 0, 38);
    const QColor on = palette().color(QPalette::Highlight);
    QColor fill;
    fill.setRgbF(off.redF() + (on.redF() - off.redF()) * m_position,
                 off.greenF() + (on.greenF() - off.greenF()) * m_position,
                 off.blueF() + (on.blueF() - off.blueF()) * m_position,
                 off.alphaF() + (on.alphaF() - off.alphaF()) * m_position);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, trackHeight / 2.0, trackHeight / 2.0);

    const qreal knob = trackHeight - 4;
    const qreal x = track.left() + 2 + (trackWidth - knob - 4) * m_position;
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(QRectF(x, track.top() + 2.5, knob, knob));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));

    if (hasFocus()) {
        QPen ring(palette().color(QPalette::Highlight), 1.5);
        painter.setPen(ring);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-1.5, -1.5, 1.5, 1.5), trackHeight / 2.0 + 1.5,
                                trackHeight / 2.0 + 1.5);
    }
}
