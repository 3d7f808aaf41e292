#pragma once

#include <QtGlobal>

class QLocale;
class QPainter;
class QRect;

// The number beside a slider: the sliders paint it in their own margin, so that the slider stays
// the row's one accessible element rather than a slider and a label.
namespace Readout {
/// Paints `number` in `locale`'s digits with the painter's font and pen, right-aligned and
/// centred vertically in `rect`, every digit in a cell as wide as the widest one, so the readout
/// does not jitter while it counts.
void paint(QPainter& painter, const QRect& rect, qint64 number, const QLocale& locale);
} // namespace Readout
