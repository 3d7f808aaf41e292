#include "SceneSymbolView.h"

#include "ui/Accessibility.h"
#include "ui/icons/SymbolIcons.h"
#include "ui/Style.h"

#include <QPainter>

SceneSymbolView::SceneSymbolView(const QString& symbol, int pixelSize, Tone tone, QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_pixelSize(pixelSize), m_tone(tone) {
    Accessibility::install();
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SceneSymbolView::setSymbol(const QString& symbol) {
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    update();
}

void SceneSymbolView::setTint(std::optional<QColor> tint) {
    m_tint = tint;
    update();
}

QColor SceneSymbolView::color() const {
    if (m_tint)
        return *m_tint;
    return m_tone == Tone::accent ? palette().color(QPalette::Highlight) : Style::secondaryText(palette());
}

QSize SceneSymbolView::sizeHint() const {
    return {m_pixelSize, m_pixelSize};
}

void SceneSymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // A disabled row fades its symbol with it.
    if (!isEnabled())
        painter.setOpacity(0.45);
    const QPixmap pixmap = SymbolIcons::pixmap(m_symbol, m_pixelSize, color(), devicePixelRatioF());
    const QSizeF size = pixmap.deviceIndependentSize();
    painter.drawPixmap(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), pixmap);
}
