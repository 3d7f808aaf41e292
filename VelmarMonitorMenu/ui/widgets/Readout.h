#pragma once

#include <QObject>
#include <QRect>

#include <functional>

class QLocale;
class QPainter;
class QVariantAnimation;
class QWidget;

/// The number beside a slider. The sliders paint it in their own margin, so that the slider stays
/// the row's one accessible element rather than a slider and a label. A new number is counted to
/// from the one shown, over a short ease-out, rather than jumped to, unless the desktop asks for
/// no animation or the owner is hidden; what it says to anyone but the eye (tooltips, screen
/// readers) is the owner's business, and says the new number at once.
class Readout : public QObject {
    Q_OBJECT

public:
    /// A readout that `owner` paints in the part of it that `area` gives.
    Readout(QWidget* owner, std::function<QRect()> area);

    /// Shows `number`: counted to when `count` is true, otherwise at once (as when the readout
    /// showed no number before).
    void setNumber(qint64 number, bool count = true);

    /// Paints the number shown, in the owner's locale, font and pen.
    void paint(QPainter& painter) const;

    /// Paints `number` in `locale`'s digits with the painter's font and pen, right-aligned and
    /// centred vertically in `rect`, every digit in a cell as wide as the widest one, so the
    /// readout does not jitter while it counts.
    static void paint(QPainter& painter, const QRect& rect, qint64 number, const QLocale& locale);

private:
    void show(qint64 number);

    QWidget* m_owner;
    std::function<QRect()> m_area;
    qint64 m_number = 0;
    qint64 m_shown = 0;
    QVariantAnimation* m_count;
};
