#include "Spinner.h"

#include "ui/Accessibility.h"

#include <QPainter>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <numbers>

using namespace std::chrono_literals;

namespace {

constexpr int tickCount = 8;
// One turn in about 0.8 s: calm, yet clearly alive.
constexpr auto tickInterval = 100ms;

int sideFor(Spinner::Size size) {
    return size == Spinner::Size::mini ? 12 : 16;
}

} // namespace

Spinner::Spinner(QWidget* parent) : Spinner(Size::small, parent) {}

Spinner::Spinner(Size size, QWidget* parent) : QWidget(parent), m_timer(new QTimer(this)) {
    Accessibility::install();
    setAccessibleName(tr("Loading"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_timer->setInterval(tickInterval);
    connect(m_timer, &QTimer::timeout, this, &Spinner::advance);
    setControlSize(size);
}

void Spinner::setControlSize(Size size) {
    m_size = size;
    setFixedSize(sideFor(size), sideFor(size));
    update();
}

void Spinner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_timer->start();
}

void Spinner::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Nothing on screen, nothing to wake the program for.
    m_timer->stop();
}

void Spinner::advance() {
    m_head = (m_head + 1) % tickCount;
    update();
}

void Spinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const qreal side = qMin(width(), height());
    const qreal lineWidth = side / 6; // whole pixels at 12 px, so the upright ticks are crisp
    const qreal outer = side / 2 - lineWidth / 2;
    const qreal inner = side / 4 + lineWidth / 2;
    painter.translate(width() / 2.0, height() / 2.0);

    const QColor color = palette().color(QPalette::WindowText);
    for (int i = 0; i < tickCount; ++i) {
        // Ticks behind the head fade out, so the ring reads as turning clockwise.
        const int behind = (m_head - i + tickCount) % tickCount;
        QColor tick = color;
        tick.setAlphaF(color.alphaF() * qMax(0.25, 1.0 - behind * 0.11));
        painter.setPen(QPen(tick, lineWidth, Qt::SolidLine, Qt::RoundCap));
        const qreal angle = 2 * std::numbers::pi * i / tickCount;
        const QPointF direction(std::sin(angle), -std::cos(angle));
        painter.drawLine(direction * inner, direction * outer);
    }
}
