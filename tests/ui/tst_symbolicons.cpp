// The symbol images: every known name has a drawing of its own, tinted and sharp at any scale; an
// unknown name falls back; icons follow the palette; names follow one rule. That every name the
// interface uses is known is checked where it is used: the interface tests fail on the warning.
#include "ui/icons/SymbolIcons.h"

#include <QPainter>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// What a drawing covers, read from its device pixels.
struct Ink {
    int solid = 0;          // fully opaque pixels
    int solidOffColour = 0; // fully opaque pixels not in the requested colour
    int covered = 0;        // pixels at least half covered
    int touched = 0;        // pixels with any coverage
    int edge = 0;           // pixels partly covered
    QRect bounds;           // of the half-covered pixels
    bool frameClear = true; // the outermost ring of pixels is fully transparent
};

Ink inkOf(const QPixmap& pixmap, const QColor& colour) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    Ink ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const bool onFrame = x == 0 || y == 0 || x == image.width() - 1 || y == image.height() - 1;
            if (onFrame && qAlpha(p) != 0)
                ink.frameClear = false;
            if (qAlpha(p) == 255) {
                ++ink.solid;
                if (qRed(p) != colour.red() || qGreen(p) != colour.green() || qBlue(p) != colour.blue())
                    ++ink.solidOffColour;
            }
            ink.touched += qAlpha(p) > 0 ? 1 : 0;
            ink.edge += qAlpha(p) > 0 && qAlpha(p) < 255 ? 1 : 0;
            if (qAlpha(p) >= 128) {
                ++ink.covered;
                ink.bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return ink;
}

QImage imageOf(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QPalette paletteWith(const QColor& window, const QColor& text, const QColor& disabledText,
                     const QColor& highlightedText) {
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, disabledText);
    palette.setColor(QPalette::HighlightedText, highlightedText);
    return palette;
}

} // namespace

class TestSymbolIcons : public QObject {
    Q_OBJECT

private slots:
    void everyKnownSymbolDrawsItself_data() {
        QTest::addColumn<QString>("symbol");
        for (const QString& name : SymbolIcons::knownSymbols())
            QTest::newRow(qPrintable(name)) << name;
    }

    void everyKnownSymbolDrawsItself() {
        QFETCH(QString, symbol);
        const QColor colour(200, 40, 90);
        const QPixmap pixmap = SymbolIcons::pixmap(symbol, 24, colour);

        const Ink ink = inkOf(pixmap, colour);
        QVERIFY2(ink.solid >= 20, qPrintable(u"only %1 solid pixels"_s.arg(ink.solid)));
        QCOMPARE(ink.solidOffColour, 0);
        // The box keeps a margin and the drawing sits in its middle, so symbols line up in a row.
        QVERIFY(ink.frameClear);
        const QPointF centre = QRectF(ink.bounds).center();
        QVERIFY2(qAbs(centre.x() - 12) <= 1.5 && qAbs(centre.y() - 12) <= 1.5,
                 qPrintable(u"ink centred at %1,%2"_s.arg(centre.x()).arg(centre.y())));
        // Neither a speck nor a blot.
        const double coverage = ink.covered / double(24 * 24);
        QVERIFY2(coverage > 0.08 && coverage < 0.7, qPrintable(u"coverage %1"_s.arg(coverage)));

        QVERIFY(imageOf(pixmap) != imageOf(SymbolIcons::pixmap(u"no.such.symbol"_s, 24, colour)));
    }

    void noTwoSymbolsShareADrawing() {
        QList<std::pair<QString, QImage>> seen;
        for (const QString& name : SymbolIcons::knownSymbols()) {
            const QImage image = imageOf(SymbolIcons::pixmap(name, 24, Qt::black));
            for (const auto& [other, drawn] : seen)
                QVERIFY2(drawn != image, qPrintable(name + u" draws like "_s + other));
            seen.append({name, image});
        }
    }

    void unknownNamesFallBack() {
        const QColor colour(30, 120, 60);
        const QImage fallback = imageOf(SymbolIcons::pixmap(u"no.such.symbol"_s, 24, colour));
        const Ink ink = inkOf(QPixmap::fromImage(fallback), colour);
        QVERIFY(ink.solid > 0);
        QCOMPARE(ink.solidOffColour, 0);
        for (const QString& name : {QString(), u"sun.max.fill.extra"_s})
            QCOMPARE(imageOf(SymbolIcons::pixmap(name, 24, colour)), fallback);
    }

    // Drawn at the device size, not scaled up from 1x: the soft rim of partly covered pixels stays
    // about one device pixel wide, so it is a smaller share of the ink at 2x.
    void sharpAtHigherScales() {
        const QString symbol = u"sun.max.fill"_s;
        QCOMPARE(SymbolIcons::pixmap(symbol, 24, Qt::black, 1.25).size(), QSize(30, 30));
        const QPixmap pixmap = SymbolIcons::pixmap(symbol, 24, Qt::black, 2.0);
        QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(24, 24));
        const Ink ink = inkOf(pixmap, Qt::black);
        const Ink base = inkOf(SymbolIcons::pixmap(symbol, 24, Qt::black), Qt::black);
        const double rim = ink.edge / double(ink.touched), baseRim = base.edge / double(base.touched);
        QVERIFY2(rim < 0.75 * baseRim, qPrintable(u"rim %1 of the ink, %2 at 1x"_s.arg(rim).arg(baseRim)));
        QVERIFY(ink.frameClear);
    }

    void iconFollowsThePalette() {
        const QColor text(20, 20, 20), disabled(150, 150, 150), highlighted(255, 255, 255);
        const QIcon icon = SymbolIcons::icon(u"gearshape.fill"_s,
                                             paletteWith(QColor(240, 240, 240), text, disabled, highlighted));
        const auto at = [&](QIcon::Mode mode) { return icon.pixmap(QSize(24, 24), 1.0, mode); };
        QVERIFY(inkOf(at(QIcon::Normal), text).solid > 0);
        QCOMPARE(inkOf(at(QIcon::Normal), text).solidOffColour, 0);
        QCOMPARE(inkOf(at(QIcon::Disabled), disabled).solidOffColour, 0);
        QCOMPARE(inkOf(at(QIcon::Selected), highlighted).solidOffColour, 0);

        // Painting into a 2x surface (a menu on a HiDPI screen) draws the 2x image pixel for pixel,
        // rendered on demand rather than scaled from a smaller one.
        QImage canvas(64, 64, QImage::Format_ARGB32_Premultiplied);
        canvas.setDevicePixelRatio(2.0);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        icon.paint(&painter, QRect(4, 4, 24, 24));
        painter.end();
        QImage painted = canvas.copy(8, 8, 48, 48);
        painted.setDevicePixelRatio(2.0);
        QCOMPARE(painted, imageOf(SymbolIcons::pixmap(u"gearshape.fill"_s, 24, text, 2.0)));

        // A palette without a disabled colour of its own still greys the icon out.
        QPalette flat = paletteWith(Qt::white, text, text, Qt::white);
        flat.setColor(QPalette::Disabled, QPalette::PlaceholderText, text);
        const QIcon trash = SymbolIcons::icon(u"trash"_s, flat);
        QVERIFY(imageOf(trash.pixmap(QSize(24, 24), 1.0, QIcon::Normal)) !=
                imageOf(trash.pixmap(QSize(24, 24), 1.0, QIcon::Disabled)));
    }

    void namesFollowOneRule() {
        const std::pair<QString, QString> cases[] = {
            {u"slider.horizontal.3"_s, u"Slider Horizontal 3"_s},
            // The rule is literal: ".fill" goes wherever it stands, even at the start of a word.
            {u"circle.lefthalf.filled"_s, u"Circle Lefthalfed"_s},
            {u"drop.fill.fill"_s, u"Drop"_s},
            {u"tv.AND.Radio"_s, u"Tv And Radio"_s}}; // capitals inside a word
        for (const auto& [symbol, name] : cases)
            QCOMPARE(SymbolIcons::displayName(symbol), name);
    }

    void everyKnownSymbolHasItsOwnName() {
        QSet<QString> names;
        for (const QString& symbol : SymbolIcons::knownSymbols()) {
            const QString name = SymbolIcons::displayName(symbol);
            QVERIFY2(!name.isEmpty() && !name.contains(u'.') && name.at(0).isUpper(), qPrintable(symbol));
            QVERIFY2(!names.contains(name), qPrintable(symbol + u" reads like another: "_s + name));
            names.insert(name);
        }
    }
};

QTEST_MAIN(TestSymbolIcons)
#include "tst_symbolicons.moc"
