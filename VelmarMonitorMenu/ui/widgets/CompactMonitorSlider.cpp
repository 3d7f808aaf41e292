#include "CompactMonitorSlider.h"

#include "ControlLook.h"
#include "PercentSlider.h"
#include "PercentValue.h"
#include "Readout.h"
#include "Spinner.h"
#include "ui/icons/SymbolIcons.h"
#include "ui/Style.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPaintEvent>

namespace {

constexpr int symbolWidth = 18;
constexpr int symbolPixelSize = 16;
constexpr int readoutWidth = 28;
constexpr int spacing = 9;
constexpr int minimumRowHeight = 28;

} // namespace

CompactMonitorSlider::CompactMonitorSlider(const QString& title, const QString& symbol,
                                           std::optional<QColor> tint, QWidget* parent)
    : QWidget(parent), m_title(title), m_symbol(symbol), m_tint(tint), m_slider(new PercentSlider(this)),
      m_spinner(new Spinner(Spinner::Size::mini, this)),
      m_readout(new Readout(this, [this] { return readoutRect(); })) {
    setMinimumHeight(minimumRowHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    // The symbol and the readout are painted in the margins, so that the slider is the row's
    // one accessible element instead of a label, a slider and another label.
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(symbolWidth + spacing, 0, spacing + readoutWidth, 0);
    layout->addWidget(m_slider);

    m_slider->setAccessibleName(title);
    if (tint) {
        QPalette palette = m_slider->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive})
            palette.setColor(group, QPalette::Highlight, *tint);
        m_slider->setPalette(palette);
    }

    connect(&percent(), &PercentValue::valueChanged, this, [this] { refreshState(m_loaded); });
    connect(&percent(), &PercentValue::liveChanged, this, &CompactMonitorSlider::liveChanged);
    connect(&percent(), &PercentValue::committed, this, &CompactMonitorSlider::committed);

    refreshState(false);
}

void CompactMonitorSlider::setSymbol(const QString& symbol) {
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    update(symbolRect());
}

PercentValue& CompactMonitorSlider::percent() const {
    return m_slider->percent();
}

double CompactMonitorSlider::value() const {
    return percent().value();
}

void CompactMonitorSlider::setValue(double value) {
    percent().setValue(value);
}

void CompactMonitorSlider::setLoaded(bool loaded) {
    if (loaded == m_loaded)
        return;
    m_loaded = loaded;
    refreshState(false); // a number that was not shown appears as it is
}

void CompactMonitorSlider::setLoading(bool loading) {
    if (loading == m_loading)
        return;
    m_loading = loading;
    refreshState(m_loaded);
}

void CompactMonitorSlider::refreshState(bool countReadout) {
    m_slider->setEnabled(!(m_loading && !m_loaded));
    m_spinner->setVisible(m_loading && !m_loaded);

    // Words say the new value at once; only the digits count.
    const qint64 number = percent().percent();
    setToolTip(m_loaded ? tr("%1: %2 percent").arg(m_title).arg(number)
                        : tr("%1 is not available").arg(m_title));
    percent().setStandInText(m_loaded ? QString() : PercentValue::readingMonitorText());
    m_readout->setNumber(number, countReadout);
    update(readoutRect());
}

QSize CompactMonitorSlider::sizeHint() const {
    return QWidget::sizeHint().expandedTo(QSize(0, minimumRowHeight));
}

QRect CompactMonitorSlider::symbolRect() const {
    return {0, 0, symbolWidth, height()};
}

QRect CompactMonitorSlider::readoutRect() const {
    return {width() - readoutWidth, 0, readoutWidth, height()};
}

void CompactMonitorSlider::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QRect readout = readoutRect();
    m_spinner->move(readout.x() + readout.width() - m_spinner->width(), (height() - m_spinner->height()) / 2);
}

void CompactMonitorSlider::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LocaleChange || event->type() == QEvent::FontChange)
        update();
}

void CompactMonitorSlider::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    // While the value changes only the readout is repainted, so the symbol is drawn rarely.
    const QRect symbol = symbolRect();
    if (event->rect().intersects(symbol)) {
        const QColor color = m_tint.value_or(Style::secondaryText(palette()));
        const QPixmap pixmap = SymbolIcons::pixmap(m_symbol, symbolPixelSize, color, devicePixelRatioF());
        const QSizeF size = pixmap.deviceIndependentSize();
        painter.drawPixmap(QPointF(symbol.x() + (symbol.width() - size.width()) / 2,
                                   symbol.y() + (symbol.height() - size.height()) / 2),
                           pixmap);
    }

    const QRect readout = readoutRect();
    if (!event->rect().intersects(readout))
        return;
    painter.setPen(Style::secondaryText(palette()));
    if (m_loaded)
        m_readout->paint(painter);
    else if (!m_loading)
        painter.drawText(readout, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("\u2014"));
}
