#include "Readout.h"

#include "ControlLook.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QVariantAnimation>
#include <QWidget>

#include <chrono>
#include <cmath>

using namespace std::chrono_literals;

namespace {

// Long enough to see the digits run, short enough that the readout is never read stale.
constexpr auto countDuration = 200ms;

} // namespace

Readout::Readout(QWidget* owner, std::function<QRect()> area)
    : QObject(owner), m_owner(owner), m_area(std::move(area)), m_count(new QVariantAnimation(this)) {
    m_count->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_count, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& shown) { show(std::llround(shown.toDouble())); });
}

void Readout::setNumber(qint64 number, bool count) {
    if (number == m_number && (count || m_shown == number))
        return;
    m_number = number;
    // A count under way goes on from where it has got to.
    const double from = m_count->state() == QAbstractAnimation::Running ? m_count->currentValue().toDouble()
                                                                        : double(m_shown);
    m_count->stop();
    const auto duration = ControlLook::animationDuration(m_owner, countDuration);
    if (!count || duration == 0ms || !m_owner->isVisible() || from == double(number)) {
        show(number);
        return;
    }
    m_count->setDuration(int(duration.count()));
    m_count->setStartValue(from);
    m_count->setEndValue(double(number));
    m_count->start();
}

void Readout::show(qint64 number) {
    if (number == m_shown)
        return;
    m_shown = number;
    m_owner->update(m_area());
}

void Readout::paint(QPainter& painter) const {
    paint(painter, m_area(), m_shown, m_owner->locale());
}

void Readout::paint(QPainter& painter, const QRect& rect, qint64 number, const QLocale& locale) {
    // Qt cannot ask the font for tabular figures, so each digit is placed in a cell of its own.
    const QFontMetricsF metrics(painter.font());
    qreal cell = 0;
    for (int digit = 0; digit <= 9; ++digit)
        cell = qMax(cell, metrics.horizontalAdvance(locale.toString(digit)));

    const QString text = locale.toString(number);
    const qreal baseline = rect.top() + (rect.height() + metrics.ascent() - metrics.descent()) / 2;
    qreal right = rect.left() + rect.width();
    for (qsizetype end = text.size(); end > 0;) {
        const qsizetype length = end > 1 && text.at(end - 1).isLowSurrogate() ? 2 : 1;
        const QString unit = text.mid(end - length, length);
        end -= length;
        const qreal advance = metrics.horizontalAdvance(unit);
        const qreal width = QChar::isDigit(unit.toUcs4().value(0)) ? cell : advance;
        painter.drawText(QPointF(right - width + (width - advance) / 2, baseline), unit);
        right -= width;
    }
}
