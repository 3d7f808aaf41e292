#include "SymbolIcons.h"

#include <QCache>
#include <QCoreApplication>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

struct Symbol {
    QLatin1StringView name;
    // What a person calls it, where the name itself reads badly; null: derived from the name.
    const char* displayName = nullptr;
};

// In the order a picker lists them: the monitor, light, sound, controls, colour, scenes, actions.
constexpr std::array symbols{
    Symbol{"display"_L1},
    Symbol{"tv"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "TV")},
    Symbol{"cable.connector"_L1},
    Symbol{"rectangle.2.swap"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Swap")},
    Symbol{"sun.max.fill"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Sun")},
    Symbol{"sun.min"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Dim Sun")},
    Symbol{"sun.horizon.fill"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Sunrise")},
    Symbol{"moon.fill"_L1},
    Symbol{"moon.stars.fill"_L1},
    Symbol{"speaker.fill"_L1},
    Symbol{"speaker.slash.fill"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Speaker Off")},
    Symbol{"speaker.wave.2.fill"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Speaker On")},
    Symbol{"speaker.wave.3.fill"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Speaker Loud")},
    Symbol{"slider.horizontal.3"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Sliders")},
    Symbol{"gearshape.fill"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Gear")},
    Symbol{"circle.lefthalf.filled"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Contrast")},
    Symbol{"r.circle.fill"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Circled R")},
    Symbol{"g.circle.fill"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Circled G")},
    Symbol{"b.circle.fill"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Circled B")},
    Symbol{"circle.grid.cross.fill"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Circle Grid")},
    Symbol{"snowflake"_L1},
    Symbol{"film.fill"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Film")},
    Symbol{"briefcase.fill"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Briefcase")},
    Symbol{"book.fill"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Book")},
    Symbol{"gamecontroller.fill"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Game Controller")},
    Symbol{"play.fill"_L1},
    Symbol{"exclamationmark.triangle.fill"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Warning")},
    Symbol{"checkmark.circle.fill"_L1},
    Symbol{"arrow.clockwise"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Clockwise Arrow")},
    Symbol{"ellipsis"_L1},
    Symbol{"ellipsis.circle"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Circled Ellipsis")},
    Symbol{"plus"_L1},
    Symbol{"plus.square.on.square"_L1, QT_TRANSLATE_NOOP("SymbolIcons", "Duplicate")},
    Symbol{"pencil"_L1},
    Symbol{"trash"_L1},
};

const Symbol* find(const QString& name) {
    const auto it =
        std::find_if(symbols.begin(), symbols.end(), [&](const Symbol& s) { return s.name == name; });
    return it == symbols.end() ? nullptr : &*it;
}

QString imageFile(const QString& symbol) {
    return find(symbol) ? u":/symbols/"_s + symbol + u".svg"_s : u":/symbols/fallback.svg"_s;
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

QString capitalised(QStringView word) {
    return word.left(1).toString().toUpper() + word.mid(1).toString();
}

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
    return find(symbol) != nullptr;
}

QStringList knownSymbols() {
    QStringList names;
    names.reserve(qsizetype(symbols.size()));
    for (const Symbol& s : symbols)
        names.append(s.name);
    return names;
}

QString displayName(const QString& symbol) {
    if (const Symbol* known = find(symbol); known && known->displayName)
        return QCoreApplication::translate("SymbolIcons", known->displayName);

    // Derived: the words of the name without the drawing-style modifiers ("fill") or the
    // variant counts ("wave.2"), and without an enclosing shape unless it is the subject
    // ("checkmark.circle" is a checkmark, "circle" is a circle).
    static const QStringList styleWords{u"fill"_s, u"filled"_s};
    static const QStringList enclosures{u"circle"_s, u"square"_s, u"rectangle"_s};
    static const QStringList joiningWords{u"on"_s, u"and"_s, u"of"_s, u"in"_s, u"with"_s};
    const QStringList parts = symbol.split(u'.', Qt::SkipEmptyParts);
    QStringList words;
    for (const QString& part : parts) {
        bool isNumber = false;
        part.toInt(&isNumber);
        if (isNumber || styleWords.contains(part) || (!words.isEmpty() && enclosures.contains(part)))
            continue;
        words.append(joiningWords.contains(part) && !words.isEmpty() ? part : capitalised(part));
    }
    // A name of nothing but modifiers still names something.
    if (words.isEmpty()) {
        for (const QString& part : parts)
            words.append(capitalised(part));
    }
    // "plus.on.square" without its enclosure would end on a joining word.
    while (words.size() > 1 && joiningWords.contains(words.last()))
        words.removeLast();
    return words.join(u' ');
}

} // namespace SymbolIcons
