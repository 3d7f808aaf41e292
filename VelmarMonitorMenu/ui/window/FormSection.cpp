#include "FormSection.h"

#include "ui/Style.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// The card: a slightly raised rounded rectangle behind the rows.
class Card : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool dark = Style::isDark(palette());
        QColor face = palette().color(QPalette::Base);
        if (dark)
            face = face.lighter(125);
        QColor border = palette().color(QPalette::WindowText);
        border.setAlphaF(dark ? 0.14 : 0.10);
        painter.setPen(QPen(border, 1));
        painter.setBrush(face);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    }
};

class Hairline : public QWidget {
public:
    explicit Hairline(QWidget* parent) : QWidget(parent) { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QColor line = palette().color(QPalette::WindowText);
        line.setAlphaF(0.09);
        painter.fillRect(rect().adjusted(12, 0, 0, 0), line);
    }
};

} // namespace

FormSection::FormSection(const QString& header, QWidget* parent) : QWidget(parent), m_card(new Card(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    if (!header.isEmpty()) {
        auto* title = new QLabel(header, this);
        title->setFont(Style::font(13, QFont::DemiBold));
        title->setContentsMargins(4, 0, 0, 0);
        layout->addWidget(title);
    }
    m_rows = new QVBoxLayout(m_card);
    m_rows->setContentsMargins(0, 2, 0, 2);
    m_rows->setSpacing(0);
    layout->addWidget(m_card);
}

QLabel* FormSection::addRow(const QString& label, QWidget* content) {
    if (m_rowCount++ > 0)
        m_rows->addWidget(new Hairline(m_card));
    auto* row = new QWidget(m_card);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(12, 6, 12, 6);
    line->setSpacing(12);
    auto* title = new QLabel(label, row);
    title->setBuddy(content);
    line->addWidget(title);
    line->addStretch(1);
    content->setParent(row);
    line->addWidget(content);
    row->setMinimumHeight(36);
    m_rows->addWidget(row);
    if (content->accessibleName().isEmpty())
        content->setAccessibleName(label);
    return title;
}

void FormSection::setFooter(const QString& text) {
    if (!m_footer) {
        m_footer = new QLabel(this);
        m_footer->setWordWrap(true);
        m_footer->setFont(Style::captionFont());
        m_footer->setContentsMargins(4, 0, 4, 0);
        layout()->addWidget(m_footer);
    }
    Style::setTextColor(m_footer, Style::secondaryText(palette()));
    m_footer->setText(text);
}

void FormSection::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_footer)
        Style::setTextColor(m_footer, Style::secondaryText(palette()));
}
