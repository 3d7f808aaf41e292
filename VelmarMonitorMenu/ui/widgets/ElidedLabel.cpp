#include "ElidedLabel.h"

#include "ui/Accessibility.h"
#include "ui/Style.h"

#include <QAccessible>
#include <QEvent>
#include <QPainter>

ElidedLabel::ElidedLabel(QWidget* parent) : QWidget(parent) {
    Accessibility::install();
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QString ElidedLabel::oneLine(const QString& text) {
    QStringList lines;
    for (const auto& line : QStringView(text).split(u'\n')) {
        const auto trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines.append(trimmed.toString());
    }
    return lines.join(QLatin1Char(' '));
}

void ElidedLabel::setText(const QString& text) {
    if (text == m_text)
        return;
    m_text = text;
    m_line = oneLine(text);
    setToolTip(Style::plainToolTip(m_line));
    setAccessibleName(m_line);
    updateGeometry();
    update();
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void ElidedLabel::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

QSize ElidedLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_line) + 2, metrics.height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(QStringLiteral("…")) * 3, metrics.height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const QString shown = fontMetrics().elidedText(m_line, Qt::ElideRight, width());
    painter.drawText(rect(), int(m_alignment) | Qt::TextSingleLine, shown);
}

void ElidedLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    QWidget::changeEvent(event);
}
