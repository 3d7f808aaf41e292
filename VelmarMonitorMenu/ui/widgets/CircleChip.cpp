#include "CircleChip.h"

#include "ButtonAccessible.h"
#include "ControlLook.h"
#include "KeyAsSpace.h"
#include "Spinner.h"
#include "ui/Accessibility.h"
#include "ui/icons/SymbolIcons.h"
#include "ui/Style.h"

#include <QKeyEvent>
#include <QPainter>

namespace {

constexpr int chipSide = 34;
constexpr qreal hairlineOpacity = 0.06;
constexpr qreal disabledSymbolOpacity = 0.4;

} // namespace

CircleChip::CircleChip(QWidget* parent)
    : QToolButton(parent), m_spinner(new Spinner(Spinner::Size::mini, this)) {
    Accessibility::install();
    setFixedSize(chipSide, chipSide);
    setAttribute(Qt::WA_Hover);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_spinner->hide();
    m_spinner->move((chipSide - m_spinner->width()) / 2, (chipSide - m_spinner->height()) / 2);
    updateSpinnerColor();
}

void CircleChip::setActive(bool active) {
    if (active == m_active)
        return;
    m_active = active;
    update();
}

void CircleChip::setSymbol(const QString& symbol, int pixelSize) {
    m_symbol = symbol;
    m_symbolPixelSize = pixelSize;
    update();
}

void CircleChip::setSymbolColor(std::optional<QColor> color) {
    m_symbolColor = color;
    updateSpinnerColor();
    update();
}

void CircleChip::setBusy(bool busy) {
    if (busy == m_busy)
        return;
    m_busy = busy;
    m_spinner->setVisible(busy);
    update();
}

void CircleChip::setAccessibleValueText(const QString& text) {
    ButtonAccessible::setValueText(*this, text);
}

void CircleChip::nextCheckState() {
    // The owner sets the check mark from its model once the change has happened (or not).
}

QSize CircleChip::sizeHint() const {
    return {chipSide, chipSide};
}

QColor CircleChip::symbolColor() const {
    // Disabled, only the symbol fades; the disc keeps its enabled colours.
    const QColor color =
        m_symbolColor.value_or(palette().color(ControlLook::enabledColorGroup(this), QPalette::WindowText));
    return isEnabled() ? color : ControlLook::faded(color, disabledSymbolOpacity);
}

void CircleChip::updateSpinnerColor() {
    // The spinner stands in for the symbol, so it takes the symbol's colour.
    QPalette palette = m_spinner->palette();
    palette.setColor(QPalette::WindowText, symbolColor());
    m_spinner->setPalette(palette);
}

// Return presses a chip as Space does: a menu chip opens its menu on the press, a plain chip
// clicks on the release.
void CircleChip::keyPressEvent(QKeyEvent* event) {
    KeyAsSpace::forward(event, KeyAsSpace::isReturn(event),
                        [this](QKeyEvent* e) { QToolButton::keyPressEvent(e); });
}

void CircleChip::keyReleaseEvent(QKeyEvent* event) {
    KeyAsSpace::forward(event, KeyAsSpace::isReturn(event),
                        [this](QKeyEvent* e) { QToolButton::keyReleaseEvent(e); });
}

void CircleChip::changeEvent(QEvent* event) {
    QToolButton::changeEvent(event);
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::EnabledChange:
    case QEvent::ActivationChange:
        updateSpinnerColor();
        break;
    default:
        break;
    }
}

void CircleChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    const QPalette& pal = palette();
    const QColor text = pal.color(ControlLook::enabledColorGroup(this), QPalette::WindowText);
    const QRectF disc = rect();
    const qreal radius = disc.width() / 2;
    const bool dark = Style::isDark(pal);

    // Inactive, the disc is a translucent wash of the text colour over the window: a grey
    // that sets it apart from the white active disc in a light palette and lifts it off the
    // window in a dark one.
    const QColor face = m_active ? QColor(Qt::white) : ControlLook::faded(text, dark ? 0.12 : 0.07);
    painter.setPen(Qt::NoPen);
    painter.setBrush(face);
    painter.drawEllipse(disc);

    const bool lightFace = m_active || !dark;
    const qreal feedback = isDown() ? 0.1 : underMouse() && isEnabled() ? 0.05 : 0;
    if (feedback > 0) {
        // Darken a light face, lighten a dark one.
        painter.setBrush(QColor::fromRgbF(lightFace ? 0 : 1, lightFace ? 0 : 1, lightFace ? 0 : 1, feedback));
        painter.drawEllipse(disc);
    }

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ControlLook::faded(text, hairlineOpacity), 1));
    painter.drawEllipse(disc.adjusted(0.5, 0.5, -0.5, -0.5));

    if (ControlLook::showsFocusRing(this))
        ControlLook::drawFocusRing(painter, disc, radius, pal);

    if (m_busy || m_symbol.isEmpty())
        return;
    const QPixmap symbol =
        SymbolIcons::pixmap(m_symbol, m_symbolPixelSize, symbolColor(), devicePixelRatioF());
    const QSizeF size = symbol.deviceIndependentSize();
    painter.drawPixmap(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), symbol);
}
