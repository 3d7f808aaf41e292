#include "SymbolIcons.h"

#include <QCache>
#include <QCoreApplication>
#include <QIconEngine>
#include <QImage>
#include <QLoggingCategory>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

// In the order a picker lists them: the monitor, light, sound, controls, colour, scenes, actions.
constexpr std::array symbols{
    "display"_L1,
    "tv"_L1,
    "cable.connector"_L1,
    "rectangle.2.swap"_L1,
    "sun.max.fill"_L1,
    "sun.min"_L1,
    "sun.horizon.fill"_L1,
    "moon.fill"_L1,
    "moon.stars.fill"_L1,
    "speaker.fill"_L1,
    "speaker.slash.fill"_L1,
    "speaker.wave.2.fill"_L1,
    "speaker.wave.3.fill"_L1,
    "slider.horizontal.3"_L1,
    "gearshape.fill"_L1,
    "circle.lefthalf.filled"_L1,
    "r.circle.fill"_L1,
    "g.circle.fill"_L1,
    "b.circle.fill"_L1,
    "circle.grid.cross.fill"_L1,
    "snowflake"_L1,
    "film.fill"_L1,
    "briefcase.fill"_L1,
    "book.fill"_L1,
    "gamecontroller.fill"_L1,
    "play.fill"_L1,
    "exclamationmark.triangle.fill"_L1,
    "checkmark.circle.fill"_L1,
    "xmark.circle.fill"_L1,
    "arrow.clockwise"_L1,
    "ellipsis"_L1,
    "ellipsis.circle"_L1,
    "plus"_L1,
    "plus.square.on.square"_L1,
    "pencil"_L1,
    "trash"_L1,
    "link"_L1,
};

bool isListed(const QString& name) {
    return std::find(symbols.begin(), symbols.end(), name) != symbols.end();
}

// Off unless enabled: a scene saved by a newer version may name a symbol this one lacks. The
// interface tests enable it and fail on it, so a name the program uses without an image shows.
Q_LOGGING_CATEGORY(lcSymbols, "velmar.symbols", QtCriticalMsg)

QString imageFile(const QString& symbol) {
    if (isListed(symbol))
        return u":/symbols/"_s + symbol + u".svg"_s;
    qCWarning(lcSymbols, "no image for symbol \"%ls\"", qUtf16Printable(symbol));
    return u":/symbols/fallback.svg"_s;
}

// Enough for every symbol on the panel at a couple of sizes on a 2x screen, and never more
// than a trifle of memory however many sizes and colours pass through.
constexpr qsizetype cacheBytes = 256 * 1024;

struct PixmapCache {
    QCache<QString, QPixmap> pixmaps{cacheBytes};
    bool clearsWithApplication = false;
};

PixmapCache& pixmapCache() {
    static PixmapCache cache;
    return cache;
}

void remember(const QString& key, const QPixmap& pixmap) {
    PixmapCache& cache = pixmapCache();
    if (!cache.clearsWithApplication) {
        // Pixmaps belong to the application: none may outlive it in a static.
        qAddPostRoutine([] {
            pixmapCache().pixmaps.clear();
            pixmapCache().clearsWithApplication = false;
        });
        cache.clearsWithApplication = true;
    }
    const qsizetype bytes = qsizetype(pixmap.width()) * pixmap.height() * 4;
    cache.pixmaps.insert(key, new QPixmap(pixmap), bytes);
}

QPixmap render(const QString& file, int side, const QColor& color) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QSvgRenderer(file).render(&painter, QRectF(0, 0, side, side));
    // The images are drawn in one colour; keep their coverage and take the requested colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    painter.end();
    return QPixmap::fromImage(std::move(image));
}

// Renders on request at the size and scale the control asks for, so the symbol is as sharp
// in a menu on a fractional-scale screen as on the panel.
class SymbolIconEngine final : public QIconEngine {
public:
    SymbolIconEngine(QString symbol, const QPalette& palette)
        : m_symbol(std::move(symbol)), m_normal(palette.color(QPalette::Normal, QPalette::WindowText)),
          m_disabled(disabledColor(palette)),
          m_highlighted(palette.color(QPalette::Normal, QPalette::HighlightedText)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const int side = qMin(rect.width(), rect.height());
        if (side <= 0)
            return;
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        QRect square(0, 0, side, side);
        square.moveCenter(rect.center());
        painter->drawPixmap(square, SymbolIcons::pixmap(m_symbol, side, color(mode), dpr));
    }

    // QIcon asks for device pixels here and sets the ratio on the result itself.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        const int side = qMin(size.width(), size.height());
        if (side <= 0)
            return {};
        return SymbolIcons::pixmap(m_symbol, side, color(mode));
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = qMin(size.width(), size.height());
        return {side, side};
    }

    QString key() const override { return u"VelmarSymbol"_s; }
    QIconEngine* clone() const override { return new SymbolIconEngine(*this); }

private:
    static QColor disabledColor(const QPalette& palette) {
        const QColor normal = palette.color(QPalette::Normal, QPalette::WindowText);
        for (auto role : {QPalette::WindowText, QPalette::PlaceholderText}) {
            if (const QColor c = palette.color(QPalette::Disabled, role); c != normal)
                return c;
        }
        // A palette without a distinct disabled colour still has to grey the symbol out.
        QColor faded = normal;
        faded.setAlphaF(normal.alphaF() * 0.45f);
        return faded;
    }

    QColor color(QIcon::Mode mode) const {
        switch (mode) {
        case QIcon::Disabled:
            return m_disabled;
        case QIcon::Active:
        case QIcon::Selected:
            return m_highlighted;
        case QIcon::Normal:
            break;
        }
        return m_normal;
    }

    QString m_symbol;
    QColor m_normal;
    QColor m_disabled;
    QColor m_highlighted;
};

} // namespace

namespace SymbolIcons {

QPixmap pixmap(const QString& symbol, int logicalSize, const QColor& color, qreal devicePixelRatio) {
    if (!(devicePixelRatio > 0))
        devicePixelRatio = 1.0;
    const int side = qMax(1, qRound(qMax(1, logicalSize) * devicePixelRatio));
    // Keyed by image file, not name, so unknown names share the one fallback entry.
    const QString file = imageFile(symbol);
    const QString key = u"%1|%2|%3|%4"_s.arg(file).arg(side).arg(color.rgba(), 8, 16).arg(devicePixelRatio);
    if (const QPixmap* cached = pixmapCache().pixmaps.object(key))
        return *cached;

    QPixmap result = render(file, side, color);
    result.setDevicePixelRatio(devicePixelRatio);
    remember(key, result);
    return result;
}

QIcon icon(const QString& symbol, const QPalette& palette) {
    return QIcon(new SymbolIconEngine(symbol, palette));
}

bool isKnown(const QString& symbol) {
    return isListed(symbol);
}

QStringList knownSymbols() {
    QStringList names;
    names.reserve(qsizetype(symbols.size()));
    for (const QLatin1StringView name : symbols)
        names.append(name);
    return names;
}

QString displayName(const QString& symbol) {
    // One literal rule, so a symbol reads the same wherever the program names it: every
    // ".fill" goes, dots part the words, and each word starts with a capital.
    QString name = symbol;
    name.remove(u".fill"_s);
    name.replace(u'.', u' ');
    bool startsWord = true;
    for (QChar& c : name) {
        c = startsWord ? c.toUpper() : c.toLower();
        startsWord = c == u' ';
    }
    return name;
}

} // namespace SymbolIcons
