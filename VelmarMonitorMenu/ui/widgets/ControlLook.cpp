#include "ControlLook.h"

#include <QPainter>
#include <QStyle>
#include <QWidget>

namespace ControlLook {

QColor faded(QColor color, qreal opacity) {
    color.setAlphaF(color.alphaF() * opacity);
    return color;
}

QPalette::ColorGroup enabledColorGroup(const QWidget* widget) {
    return widget->isActiveWindow() ? QPalette::Active : QPalette::Inactive;
}

bool showsFocusRing(const QWidget* widget) {
    return widget->hasFocus() && widget->window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

void drawFocusRing(QPainter& painter, const QRectF& bounds, qreal radius, const QPalette& palette) {
    constexpr qreal width = 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(palette.color(QPalette::Highlight), width));
    const qreal inset = width / 2;
    painter.drawRoundedRect(bounds.adjusted(inset, inset, -inset, -inset), qMax<qreal>(0, radius - inset),
                            qMax<qreal>(0, radius - inset));
    painter.restore();
}

std::chrono::milliseconds animationDuration(const QWidget* widget, std::chrono::milliseconds preferred) {
    // Styles report 0 here when the desktop turns animations off: the nearest Qt has to a
    // reduce-motion preference. Breeze follows Plasma's animation speed (0 at "Instant"); Fusion
    // always animates, and no Qt style sees GNOME's "Reduce Animation", which only the settings
    // portal tells (org.gnome.desktop.interface enable-animations, and in newer portals
    // org.freedesktop.appearance reduced-motion).
    const bool animates =
        widget->style()->styleHint(QStyle::SH_Widget_Animation_Duration, nullptr, widget) > 0;
    return animates ? preferred : std::chrono::milliseconds(0);
}

} // namespace ControlLook
