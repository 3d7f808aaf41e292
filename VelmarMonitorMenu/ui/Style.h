#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

class QWidget;

// The text styles and the one set of palette rules every view and control follows, derived from
// the palette so they read in light and dark desktops alike.
namespace Style {
/// The font the design sizes at `pointSize` points against a 13-point body text, scaled to the
/// user's own body size, optionally heavier.
QFont font(qreal pointSize, QFont::Weight weight = QFont::Normal);
/// The smaller font of secondary texts.
QFont captionFont();
/// Text a step back from the main text: values beside their labels, the symbols and readouts
/// beside a control.
QColor secondaryText(const QPalette& palette);
/// Text two steps back (the quiet status in the panel header).
QColor tertiaryText(const QPalette& palette);
/// Failures.
QColor errorText(const QPalette& palette);
/// Something that needs attention without being a failure.
QColor warningText(const QPalette& palette);
/// Whether the palette is a dark one: light text on a darker window.
bool isDark(const QPalette& palette);
/// Sets the widget's text colour (its WindowText and Text roles).
void setTextColor(QWidget* widget, const QColor& color);
/// A tooltip that shows `text` as written even where it looks like markup (a monitor's name, a
/// helper's message, a scene's name).
QString plainToolTip(const QString& text);
} // namespace Style
