#include "Readout.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>

namespace Readout {

void paint(QPainter& painter, const QRect& rect, qint64 number, const QLocale& locale) {
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

} // namespace Readout
