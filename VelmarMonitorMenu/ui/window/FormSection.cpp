#include "FormSection.h"

#include "ui/icons/SymbolIcons.h"
#include "ui/Style.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

// The card: a slightly raised rounded rectangle behind the rows, with a hairline between each
// two rows that are shown.
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

        QColor line = palette().color(QPalette::WindowText);
        line.setAlphaF(0.09);
        bool first = true;
        for (const QObject* child : children()) {
            const auto* row = qobject_cast<const QWidget*>(child);
            if (!row || !row->isVisibleTo(this))
                continue;
            if (!std::exchange(first, false))
                painter.fillRect(QRect(12, row->geometry().top(), width() - 12, 1), line);
        }
    }
};

// What a row's symbol label draws, kept on it so the symbol can be drawn again for a new palette.
constexpr auto symbolProperty = "velmarRowSymbol";
constexpr int symbolSize = 16;

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
    m_rows->setSpacing(1); // room for the hairline the card draws between rows
    layout->addWidget(m_card);
}

QWidget* FormSection::addRow(const QString& label, QWidget* content) {
    auto* row = new QWidget(m_card);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(12, 6, 12, 6);
    line->setSpacing(12);
    auto* title = new QLabel(label, row);
    title->setTextFormat(Qt::PlainText);
    title->setBuddy(content);
    line->addWidget(title);
    line->addStretch(1);
    content->setParent(row);
    line->addWidget(content);
    row->setMinimumHeight(36);
    m_rows->addWidget(row);
    grew();
    // A control is named by its row; a text is named by what it says.
    if (content->accessibleName().isEmpty() && !qobject_cast<QLabel*>(content))
        content->setAccessibleName(label);
    return row;
}

QWidget* FormSection::addRow(const QString& label, const QString& symbol, QWidget* content) {
    auto* row = addRow(label, content);
    auto* image = new QLabel(row);
    image->setProperty(symbolProperty, symbol);
    image->setFixedWidth(18);
    image->setAlignment(Qt::AlignCenter);
    // The label says it; the symbol repeats it for the eye.
    image->setAccessibleName(QString());
    static_cast<QHBoxLayout*>(row->layout())->insertWidget(0, image);
    drawSymbols();
    return row;
}

void FormSection::drawSymbols() {
    for (auto* label : m_card->findChildren<QLabel*>()) {
        const QVariant symbol = label->property(symbolProperty);
        if (symbol.isValid())
            label->setPixmap(SymbolIcons::pixmap(symbol.toString(), symbolSize, Style::secondaryText(palette()),
                                                 devicePixelRatioF()));
    }
}

QWidget* FormSection::addFullRow(QWidget* content) {
    auto* row = new QWidget(m_card);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(12, 4, 12, 4);
    content->setParent(row);
    line->addWidget(content);
    row->setMinimumHeight(36);
    m_rows->addWidget(row);
    grew();
    return row;
}

void FormSection::grew() {
    // A row added once the form has been laid out (a monitor plugged in) must reach the form's
    // layout: its cached sizes of the card and of this section are stale.
    m_card->updateGeometry();
    updateGeometry();
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
    if (event->type() != QEvent::PaletteChange)
        return;
    if (m_footer)
        Style::setTextColor(m_footer, Style::secondaryText(palette()));
    drawSymbols();
}

QVBoxLayout* addScrollingForm(QVBoxLayout& outer) {
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer.addWidget(scroll);
    auto* form = new QWidget(scroll);
    auto* layout = new QVBoxLayout(form);
    layout->setContentsMargins(20, 16, 20, 20);
    layout->setSpacing(18);
    scroll->setWidget(form);
    return layout;
}
