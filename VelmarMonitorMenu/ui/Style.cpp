#include "Style.h"

#include <QApplication>
#include <QTextDocument>
#include <QWidget>

namespace Style {

QFont font(qreal pointSize, QFont::Weight weight) {
    // The sizes were chosen against a 13-point body text; desktops differ (10 or 11 points on
    // most Linux desktops), so they scale with the user's own font.
    constexpr qreal designBody = 13;
    QFont result = QApplication::font();
    result.setPointSizeF(result.pointSizeF() * pointSize / designBody);
    result.setWeight(weight);
    return result;
}

QFont captionFont() {
    QFont result = QApplication::font();
    result.setPointSizeF(std::max(7.0, result.pointSizeF() * 0.85));
    return result;
}

static QColor withAlpha(QColor color, qreal alpha) {
    color.setAlphaF(alpha);
    return color;
}

QColor secondaryText(const QPalette& palette) {
    // Readable, yet clearly behind the text or control it explains.
    return withAlpha(palette.color(QPalette::WindowText), 0.62);
}

QColor tertiaryText(const QPalette& palette) {
    return withAlpha(palette.color(QPalette::WindowText), 0.45);
}

bool isDark(const QPalette& palette) {
    // Judged against the palette's own text, not a fixed lightness: a mid-grey window with black
    // text is a light palette.
    return palette.color(QPalette::Window).lightnessF() < palette.color(QPalette::WindowText).lightnessF();
}

QColor errorText(const QPalette& palette) {
    return isDark(palette) ? QColor(0xff, 0x6b, 0x61) : QColor(0xc4, 0x1e, 0x1e);
}

QColor warningText(const QPalette& palette) {
    return isDark(palette) ? QColor(0xff, 0xa8, 0x3a) : QColor(0xc2, 0x5e, 0x00);
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

QString plainToolTip(const QString& text) {
    // A tooltip guesses from the text whether it is rich text; one that could pass for markup
    // goes as rich text of its own, with the markup escaped.
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal) : text;
}

} // namespace Style
