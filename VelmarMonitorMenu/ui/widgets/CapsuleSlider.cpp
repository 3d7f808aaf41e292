#include "CapsuleSlider.h"

#include "ControlLook.h"
#include "PercentValue.h"
#include "ui/Style.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

#include <chrono>

using namespace std::chrono_literals;

namespace {

// Long enough to see the fill travel to a value the model pushed, short enough not to lag.
constexpr auto fillAnimationDuration = 150ms;
constexpr qreal disabledOpacity = 0.45;
constexpr qreal trackOpacity = 0.14;

// The standard ease-out curve, so the fill decelerates like other desktop transitions.
QEasingCurve easeOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

// A soft drop shadow under a capsule (black at 0.18, about 1.5 px of blur, 0.5 px down),
// built from a few widening translucent capsules instead of a blur pass on every frame.
void drawCapsuleShadow(QPainter& painter, const QRectF& capsule) {
    constexpr qreal blur = 1.5;
    constexpr int layers = 3;
    constexpr qreal totalOpacity = 0.18;
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, totalOpacity / layers));
    for (int i = 1; i <= layers; ++i) {
        const qreal grow = blur * i / layers;
        const QRectF layer = capsule.translated(0, 0.5).adjusted(-grow, -grow, grow, grow);
        painter.drawRoundedRect(layer, layer.height() / 2, layer.height() / 2);
    }
    painter.restore();
}

} // namespace

CapsuleSlider::CapsuleSlider(QWidget* parent)
    : QWidget(parent), m_percent(new PercentValue(this)), m_fillAnimation(new QVariantAnimation(this)) {
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(m_trackHeight);

    m_fillAnimation->setEasingCurve(easeOut());
    connect(m_fillAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& shown) {
        m_shownValue = shown.toDouble();
        update();
    });
    connect(m_percent, &PercentValue::valueChanged, this, &CapsuleSlider::showFill);
    connect(m_percent, &PercentValue::liveChanged, this, &CapsuleSlider::liveChanged);
    connect(m_percent, &PercentValue::committed, this, &CapsuleSlider::committed);
}

double CapsuleSlider::value() const {
    return m_percent->value();
}

void CapsuleSlider::setValue(double value) {
    m_percent->setValue(value);
}

void CapsuleSlider::setTrackHeight(int height) {
    m_trackHeight = qMax(1, height);
    setFixedHeight(m_trackHeight);
    updateGeometry();
    update();
}

void CapsuleSlider::setLoaded(bool loaded) {
    if (loaded == m_loaded)
        return;
    m_loaded = loaded;
    setEnabled(loaded);
    m_percent->setStandInText(loaded ? QString() : PercentValue::readingMonitorText());
}

QSize CapsuleSlider::sizeHint() const {
    return {m_trackHeight * 8, m_trackHeight};
}

QSize CapsuleSlider::minimumSizeHint() const {
    return {m_trackHeight * 2, m_trackHeight};
}

void CapsuleSlider::showFill(double value) {
    m_fillAnimation->stop();
    // Under the pointer the fill follows the finger; hidden, there is nothing to watch.
    const auto duration = m_percent->isDragging() || !isVisible()
                              ? std::chrono::milliseconds(0)
                              : ControlLook::animationDuration(this, fillAnimationDuration);
    if (duration.count() == 0 || m_shownValue == value) {
        m_shownValue = value;
        update();
        return;
    }
    m_fillAnimation->setDuration(int(duration.count()));
    m_fillAnimation->setStartValue(m_shownValue);
    m_fillAnimation->setEndValue(value);
    m_fillAnimation->start();
}

void CapsuleSlider::dragTo(qreal x) {
    const qreal fraction = width() > 0 ? x / width() : 0;
    m_percent->dragTo(qBound<qreal>(0, fraction, 1) * 100);
}

void CapsuleSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_percent->beginDrag();
    showFill(m_percent->value()); // a fill still easing to the model's value jumps under the pointer
    dragTo(event->position().x());
}

void CapsuleSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!m_percent->isDragging()) {
        event->ignore();
        return;
    }
    dragTo(event->position().x());
}

void CapsuleSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_percent->isDragging()) {
        event->ignore();
        return;
    }
    dragTo(event->position().x());
    m_percent->endDrag();
}

void CapsuleSlider::keyPressEvent(QKeyEvent* event) {
    // The fill grows from the left in either layout direction, so Left always steps down.
    if (!m_percent->applyKey(event, false))
        QWidget::keyPressEvent(event);
}

void CapsuleSlider::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // A hidden control never gets its release: the drag is over, and the fill stands still.
    m_percent->abandonDrag();
    m_fillAnimation->stop();
    m_shownValue = m_percent->value();
}

void CapsuleSlider::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        m_percent->abandonDrag(); // input stops here, so no release will end the drag
}

void CapsuleSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(disabledOpacity); // the enabled drawing, faded

    const QPalette& pal = palette();
    const QColor text = pal.color(ControlLook::enabledColorGroup(this), QPalette::WindowText);
    const QRectF track = rect();
    const qreal radius = track.height() / 2;

    painter.setPen(Qt::NoPen);
    painter.setBrush(ControlLook::faded(text, trackOpacity));
    painter.drawRoundedRect(track, radius, radius);

    // Even at 0 the fill stays a full circle: the knob the user grabs.
    const qreal fillWidth = qMin(track.width(), qMax(track.height(), track.width() * m_shownValue / 100));
    const QRectF fill(track.topLeft(), QSizeF(fillWidth, track.height()));
    drawCapsuleShadow(painter, fill);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(fill, radius, radius);
    if (!Style::isDark(pal)) {
        // On a light window white meets a pale track; a hairline keeps the fill's edge crisp.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(ControlLook::faded(text, 0.12), 1));
        painter.drawRoundedRect(fill.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
    }

    if (ControlLook::showsFocusRing(this))
        ControlLook::drawFocusRing(painter, track, radius, pal);
}
