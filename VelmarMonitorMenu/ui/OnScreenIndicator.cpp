#include "OnScreenIndicator.h"

#include "controller/MonitorController.h"
#include "FeatureSlider.h"
#include "icons/SymbolIcons.h"
#include "Style.h"
#include "system/DesktopSession.h"
#include "widgets/ControlLook.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <cmath>

namespace {

constexpr QSize cardSize(260, 56);
constexpr int captionBand = 16; // the monitor's name above the change, when several are connected
constexpr int radius = 16;
constexpr int margin = 18;
constexpr int symbolSize = 22;
constexpr int symbolGap = 14;
constexpr int barHeight = 6;
constexpr int readoutWidth = 34;

// Wayland gives tooltips only to windows with a parent surface, and places every window itself;
// there the indicator is a frameless tool window that the compositor puts where it likes.
Qt::WindowFlags indicatorFlags() {
    const Qt::WindowFlags kind =
        DesktopSession::isWayland() ? Qt::Tool | Qt::WindowStaysOnTopHint : Qt::ToolTip;
    return kind | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput;
}

struct FeatureLook {
    QString title;
    QString symbol;
    std::optional<QColor> tint;
};

// The symbols and tints of the Controls window's sliders, so a change looks like the control.
FeatureLook look(MonitorFeature feature, double value) {
    switch (feature) {
    case MonitorFeature::brightness:
        return {OnScreenIndicator::tr("Brightness"), QStringLiteral("sun.max.fill"), {}};
    case MonitorFeature::contrast:
        return {OnScreenIndicator::tr("Contrast"), QStringLiteral("circle.lefthalf.filled"), {}};
    case MonitorFeature::volume:
        return {OnScreenIndicator::tr("Volume"), volumeSymbol(value, 2), {}};
    case MonitorFeature::red:
        return {OnScreenIndicator::tr("Red"), QStringLiteral("r.circle.fill"), QColor(0xe5, 0x3e, 0x3e)};
    case MonitorFeature::green:
        return {OnScreenIndicator::tr("Green"), QStringLiteral("g.circle.fill"), QColor(0x2f, 0xa8, 0x4f)};
    case MonitorFeature::blue:
        return {OnScreenIndicator::tr("Blue"), QStringLiteral("b.circle.fill"), QColor(0x2f, 0x7c, 0xf6)};
    }
    return {};
}

} // namespace

OnScreenIndicator::OnScreenIndicator(QWidget* parent) : QWidget(parent, indicatorFlags()) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    if (DesktopSession::blendsTranslucentWindows())
        setAttribute(Qt::WA_TranslucentBackground);
    setMonitorName({});
    m_hide.setSingleShot(true);
    m_hide.setInterval(showTime);
    connect(&m_hide, &QTimer::timeout, this, &QWidget::hide);
}

QSize OnScreenIndicator::sizeHint() const {
    return cardSize + QSize(0, m_monitorName.isEmpty() ? 0 : captionBand);
}

void OnScreenIndicator::setMonitorName(const QString& name) {
    m_monitorName = name;
    setFixedSize(sizeHint());
    // The card's rounded corners: blended where the desktop can, else cut out (a little rougher).
    if (!DesktopSession::blendsTranslucentWindows()) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), radius, radius);
        setMask(QRegion(shape.toFillPolygon().toPolygon()));
    }
}

void OnScreenIndicator::showValue(MonitorFeature feature, const MonitorController& monitor) {
    const double value = std::clamp(monitor.value(feature), 0.0, 100.0);
    const auto [title, symbol, tint] = look(feature, value);
    present(symbol, title, value, tint);
}

void OnScreenIndicator::showInput(MonitorInput input) {
    present(MonitorInputs::symbol(input), MonitorInputs::title(input), std::nullopt);
}

void OnScreenIndicator::showScene(const MonitorScene& scene) {
    present(scene.symbol, scene.name, std::nullopt);
}

void OnScreenIndicator::showNightMode(bool on) {
    present(QStringLiteral("moon.fill"), on ? tr("Night Mode On") : tr("Night Mode Off"), std::nullopt);
}

void OnScreenIndicator::showAdaptive(bool on) {
    present(QStringLiteral("sun.max.fill"), on ? tr("Adaptive Brightness On") : tr("Adaptive Brightness Off"),
            std::nullopt);
}

void OnScreenIndicator::present(const QString& symbol, const QString& text, std::optional<double> level,
                                std::optional<QColor> tint) {
    m_symbol = symbol;
    m_text = text;
    m_level = level;
    m_tint = tint;
    // What a screen reader would say of it, since nothing here can be focused to be read.
    const QString change = level ? tr("%1 %2 percent").arg(text).arg(int(std::lround(*level))) : text;
    setAccessibleName(m_monitorName.isEmpty() ? change : tr("%1: %2").arg(m_monitorName, change));
    placeOnScreen();
    show();
    raise();
    update();
    m_hide.start();
}

void OnScreenIndicator::placeOnScreen() {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Above a bottom panel, where desktops show their own volume and brightness changes.
    const QRect available = screen->availableGeometry();
    const int gap = std::max(48, available.height() / 10);
    move(available.center().x() - width() / 2, available.bottom() - gap - height());
}

void OnScreenIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const QColor text = pal.color(QPalette::Active, QPalette::WindowText);

    const QRectF card = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(ControlLook::faded(text, 0.18), 1));
    painter.setBrush(pal.color(QPalette::Active, QPalette::Window));
    painter.drawRoundedRect(card, radius, radius);

    // The monitor's name, small and centred, above the change; the change keeps its own band.
    const int top = m_monitorName.isEmpty() ? 0 : captionBand;
    const int band = height() - top;
    if (top > 0) {
        painter.setFont(Style::captionFont());
        painter.setPen(Style::secondaryText(pal));
        const QRect caption(margin, 9, width() - 2 * margin, painter.fontMetrics().height());
        painter.drawText(caption, Qt::AlignHCenter | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(m_monitorName, Qt::ElideRight, caption.width()));
    }

    const QPixmap symbol =
        SymbolIcons::pixmap(m_symbol, symbolSize, m_tint.value_or(text), devicePixelRatioF());
    const QSizeF symbolArea = symbol.deviceIndependentSize();
    const auto drawSymbolAt = [&](qreal left) {
        painter.drawPixmap(
            QPointF(left + (symbolSize - symbolArea.width()) / 2, top + (band - symbolArea.height()) / 2),
            symbol);
    };

    if (!m_level) {
        // A word alone: the symbol and the word centred together, as a title.
        painter.setFont(Style::font(14, QFont::DemiBold));
        const int room = width() - 2 * margin - symbolSize - symbolGap;
        const QString words = painter.fontMetrics().elidedText(m_text, Qt::ElideRight, room);
        const int wordsWidth = painter.fontMetrics().horizontalAdvance(words);
        const int left = (width() - symbolSize - symbolGap - wordsWidth) / 2;
        drawSymbolAt(left);
        painter.setPen(text);
        painter.drawText(QRect(left + symbolSize + symbolGap, top, wordsWidth + 1, band),
                         Qt::AlignLeft | Qt::AlignVCenter, words);
        return;
    }

    drawSymbolAt(margin);
    const int contentLeft = margin + symbolSize + symbolGap;
    const QRectF track(contentLeft, top + (band - barHeight) / 2.0,
                       width() - contentLeft - margin - readoutWidth - 10, barHeight);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ControlLook::faded(text, 0.14));
    painter.drawRoundedRect(track, barHeight / 2.0, barHeight / 2.0);
    if (*m_level > 0) {
        const QRectF fill(track.topLeft(),
                          QSizeF(std::max<qreal>(barHeight, track.width() * *m_level / 100), barHeight));
        painter.setBrush(m_tint.value_or(pal.color(QPalette::Active, QPalette::Highlight)));
        painter.drawRoundedRect(fill, barHeight / 2.0, barHeight / 2.0);
    }

    painter.setPen(Style::secondaryText(pal));
    painter.setFont(Style::font(13, QFont::DemiBold));
    painter.drawText(QRect(width() - margin - readoutWidth, top, readoutWidth, band),
                     Qt::AlignRight | Qt::AlignVCenter, QLocale().toString(int(std::lround(*m_level))));
}
