#include "MonitorHeaderPicker.h"

#include "ui/Accessibility.h"
#include "ui/Style.h"
#include "ui/widgets/ButtonAccessible.h"
#include "ui/widgets/ControlLook.h"
#include "ui/widgets/KeyAsSpace.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int chevronWidth = 8;
constexpr int chevronGap = 6;
constexpr int chevronMargin = 2; // the pen's round caps
constexpr int underline = 2;     // keyboard focus

// A tool button answers only Space; the other keys that open a drop-down list elsewhere open
// this one the same way.
bool opensMenu(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
        return event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    default:
        return false;
    }
}

} // namespace

MonitorHeaderPicker::MonitorHeaderPicker(QWidget* parent) : QToolButton(parent) {
    Accessibility::install();
    setAccessibleName(tr("Monitor"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setPopupMode(QToolButton::InstantPopup);
    setFont(Style::font(13, QFont::DemiBold));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void MonitorHeaderPicker::setName(const QString& name) {
    if (name == m_name)
        return;
    m_name = name;
    setToolTip(Style::plainToolTip(name));
    ButtonAccessible::setValueText(*this, name);
    updateGeometry();
    update();
}

QSize MonitorHeaderPicker::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_name) + chevronGap + chevronWidth + chevronMargin,
            metrics.height() + underline};
}

QSize MonitorHeaderPicker::minimumSizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(QStringLiteral("W…")) + chevronGap + chevronWidth + chevronMargin,
            metrics.height() + underline};
}

void MonitorHeaderPicker::keyPressEvent(QKeyEvent* event) {
    KeyAsSpace::forward(event, opensMenu(event), [this](QKeyEvent* e) { QToolButton::keyPressEvent(e); });
}

void MonitorHeaderPicker::keyReleaseEvent(QKeyEvent* event) {
    KeyAsSpace::forward(event, opensMenu(event), [this](QKeyEvent* e) { QToolButton::keyReleaseEvent(e); });
}

void MonitorHeaderPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const QColor text = pal.color(ControlLook::enabledColorGroup(this), QPalette::WindowText);

    // The name starts where the sections' titles do, so there is no room around it for a wash
    // or a ring: pointing at it darkens the chevron, pressing it fades the name, and keyboard
    // focus underlines it.
    const QRect content = rect().adjusted(0, 0, 0, -underline);
    const int textRoom = content.width() - chevronGap - chevronWidth - chevronMargin;
    const QString shown = fontMetrics().elidedText(m_name, Qt::ElideRight, textRoom);
    const int textWidth = fontMetrics().horizontalAdvance(shown);
    painter.setPen(isDown() ? ControlLook::faded(text, 0.6) : text);
    painter.drawText(QRect(content.left(), content.top(), textWidth + 1, content.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, shown);
    if (ControlLook::showsFocusRing(this)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(pal.color(QPalette::Active, QPalette::Highlight));
        painter.drawRoundedRect(
            QRectF(0, height() - underline, textWidth + chevronGap + chevronWidth, underline),
            underline / 2.0, underline / 2.0);
    }

    const qreal left = content.left() + textWidth + chevronGap;
    const qreal middle = content.center().y() + 1.5;
    QPainterPath chevron;
    chevron.moveTo(left, middle - chevronWidth / 4.0);
    chevron.lineTo(left + chevronWidth / 2.0, middle + chevronWidth / 4.0);
    chevron.lineTo(left + chevronWidth, middle - chevronWidth / 4.0);
    painter.setBrush(Qt::NoBrush);
    const QColor chevronColor = underMouse() && isEnabled() ? text : Style::secondaryText(pal);
    painter.setPen(QPen(chevronColor, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(chevron);
}
