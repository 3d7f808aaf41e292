#pragma once

#include <QColor>
#include <QPalette>

#include <chrono>

class QPainter;
class QRectF;
class QWidget;

// Marks and motion the custom controls share. Their colours come from the widget's palette through
// the rules in ui/Style.h, so that they follow a light or dark desktop without colours of their own.
namespace ControlLook {
/// `color` at `opacity` (0...1) of its own alpha.
QColor faded(QColor color, qreal opacity);
/// The palette colours `widget` has when enabled, for controls whose disabled look is their
/// enabled look faded rather than the palette's greyed colours.
QPalette::ColorGroup enabledColorGroup(const QWidget* widget);
/// Whether `widget` should show its keyboard focus ring: it has focus and the focus arrived by
/// keyboard, as standard controls decide.
bool showsFocusRing(const QWidget* widget);
/// A 2-pixel ring just inside the rounded rectangle `bounds` with corner `radius` (a capsule or
/// a circle when the radius is half the height), in the palette's highlight colour.
void drawFocusRing(QPainter& painter, const QRectF& bounds, qreal radius, const QPalette& palette);
/// How long a control's own transition takes: `preferred`, or 0 when the desktop asks for no
/// animation.
std::chrono::milliseconds animationDuration(const QWidget* widget, std::chrono::milliseconds preferred);
} // namespace ControlLook
