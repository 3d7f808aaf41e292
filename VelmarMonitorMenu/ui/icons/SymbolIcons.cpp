#include "SymbolIcons.h"

#include <QPainter>

// Placeholder drawing until the symbol images land: every symbol is the neutral fallback.
namespace SymbolIcons {

QPixmap pixmap(const QString& symbol, int logicalSize, const QColor& color, qreal devicePixelRatio) {
    Q_UNUSED(symbol);
    const int side = qMax(1, qRound(logicalSize * devicePixelRatio));
    QPixmap result(side, side);
    result.setDevicePixelRatio(devicePixelRatio);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, qMax(1.0, logicalSize / 12.0)));
    const qreal inset = logicalSize * 0.2;
    painter.drawRoundedRect(QRectF(inset, inset, logicalSize - 2 * inset, logicalSize - 2 * inset),
                            logicalSize * 0.12, logicalSize * 0.12);
    return result;
}

QIcon icon(const QString& symbol, const QPalette& palette) {
    QIcon result;
    for (int size : {16, 24, 32})
        result.addPixmap(pixmap(symbol, size, palette.color(QPalette::WindowText)));
    return result;
}

bool isKnown(const QString&) {
    return false;
}

QStringList knownSymbols() {
    return {};
}

QString displayName(const QString& symbol) {
    return symbol;
}

} // namespace SymbolIcons
