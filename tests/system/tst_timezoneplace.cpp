// A time zone's reference place, from the time-zone database's tables.
#include "system/TimeZonePlace.h"

#include "helper/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(std::optional<GeoPlace>)

namespace {

constexpr double closeEnough = 1e-9;

bool samePlace(const std::optional<GeoPlace>& a, const std::optional<GeoPlace>& b) {
    if (!a || !b)
        return a.has_value() == b.has_value();
    return std::abs(a->latitude - b->latitude) < closeEnough &&
           std::abs(a->longitude - b->longitude) < closeEnough;
}

QByteArray describe(const std::optional<GeoPlace>& place) {
    return place ? QByteArray::number(place->latitude, 'f', 6) + ' ' +
                       QByteArray::number(place->longitude, 'f', 6)
                 : QByteArray("none");
}

} // namespace

class TestTimeZonePlace : public QObject {
    Q_OBJECT
private slots:
    void coordinatesAreReadAsIso6709_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<std::optional<GeoPlace>>("place");
        QTest::newRow("degrees and minutes")
            << QByteArray("+5230+01322") << std::optional(GeoPlace{52.5, 13 + 22 / 60.0});
        QTest::newRow("with seconds, west")
            << QByteArray("+404251-0740023")
            << std::optional(GeoPlace{40 + 42 / 60.0 + 51 / 3600.0, -(74 + 23 / 3600.0)});
        QTest::newRow("south and east")
            << QByteArray("-3352+15113") << std::optional(GeoPlace{-(33 + 52 / 60.0), 151 + 13 / 60.0});
        QTest::newRow("the ends of the ranges")
            << QByteArray("-9000+18000") << std::optional(GeoPlace{-90, 180});
        const std::optional<GeoPlace> none;
        QTest::newRow("latitude beyond 90") << QByteArray("+9001+00000") << none;
        QTest::newRow("longitude beyond 180") << QByteArray("+0000-18001") << none;
        QTest::newRow("60 minutes") << QByteArray("+5260+01322") << none;
        QTest::newRow("60 seconds") << QByteArray("+404260-0740023") << none;
        QTest::newRow("seconds on one only") << QByteArray("+4042-0740023") << none;
        QTest::newRow("no sign") << QByteArray("5230+01322") << none;
        QTest::newRow("short latitude") << QByteArray("+523+01322") << none;
        QTest::newRow("short longitude") << QByteArray("+5230+0132") << none;
        QTest::newRow("a letter") << QByteArray("+52a0+01322") << none;
        QTest::newRow("trailing text") << QByteArray("+5230+01322 ") << none;
        QTest::newRow("latitude alone") << QByteArray("+5230") << none;
        QTest::newRow("empty") << QByteArray() << none;
    }
    void coordinatesAreReadAsIso6709() {
        QFETCH(QByteArray, text);
        QFETCH(std::optional<GeoPlace>, place);
        const auto read = placeFromIso6709(text);
        QVERIFY2(samePlace(read, place), describe(read));
    }

    void placeComesFromTheNewerTableThenTheOlder() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        // An entry too long to be one, hiding a well-formed entry where a reader that cut the
        // line would start a new one.
        const QByteArray overlong = "XX\t" + QByteArray(5000, 'a') + "\t+1000+01000\tHidden/Zone\n";
        makeFile(folder.filePath("zone1970.tab"), "# comment\t+0100+00100\tComment/Zone\n"
                                                  "DE,NO\t+5230+01322\tEurope/Berlin\tmost of Germany\n"
                                                  "UA\t+5026+03031\tEurope/Kyiv\n"
                                                  "XX\t+9500+00000\tBad/Latitude\n"
                                                  "XX\t+1000\tBad/Coordinates\n"
                                                  "XX\tBroken/Line\n"
                                                  "\n" +
                                                      overlong + "XX\t-3352+15113\tAfter/Overlong\n");
        makeFile(folder.filePath("zone.tab"), "DE\t+0000+00000\tEurope/Berlin\n"
                                              "NO\t+5955+01045\tEurope/Oslo\n"
                                              "XX\t+1000+01000\tBad/Latitude\n");
        // Old names are links to the current zone's file.
        makeFile(folder.filePath("Europe/Kyiv"));
        QVERIFY(QFile::link("Kyiv", folder.filePath("Europe/Kiev")));
        const QString path = folder.path();

        QVERIFY(samePlace(referencePlace("Europe/Berlin", path), GeoPlace{52.5, 13 + 22 / 60.0}));
        QVERIFY(samePlace(referencePlace("Europe/Oslo", path), GeoPlace{59 + 55 / 60.0, 10 + 45 / 60.0}));
        QVERIFY(samePlace(referencePlace("Europe/Kiev", path), GeoPlace{50 + 26 / 60.0, 30 + 31 / 60.0}));
        QVERIFY(
            samePlace(referencePlace("After/Overlong", path), GeoPlace{-(33 + 52 / 60.0), 151 + 13 / 60.0}));
        // A line that is not a good entry is passed over; the older table may still have one.
        QVERIFY(samePlace(referencePlace("Bad/Latitude", path), GeoPlace{10, 10}));
        for (const QByteArray zone : {"Bad/Coordinates", "Broken/Line", "Hidden/Zone", "Comment/Zone", "UTC",
                                      "Europe", "", "../zone.tab", "/Europe/Berlin"}) {
            QVERIFY2(!referencePlace(zone, path), zone.constData());
        }
        QVERIFY(!referencePlace("Europe/Berlin", folder.filePath("missing")));
    }

    void systemTableKnowsBerlin() {
        if (!QFile::exists(defaultTimeZoneTableFolder() + "/zone1970.tab"))
            QSKIP("no time-zone tables on this system");
        const std::optional<GeoPlace> berlin = referencePlace("Europe/Berlin");
        QVERIFY(berlin);
        QVERIFY(std::abs(berlin->latitude - 52.5) < 0.1);
        QVERIFY(std::abs(berlin->longitude - 13.37) < 0.1);
    }
};

QTEST_GUILESS_MAIN(TestTimeZonePlace)
#include "tst_timezoneplace.moc"
