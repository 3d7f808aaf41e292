// The sun's times for a place and a local date, against reference values.
#include "controller/SunTimes.h"

#include <QTest>

namespace {

// Within a minute of the reference, as NOAA's own calculator promises between the polar circles.
constexpr qint64 toleranceSeconds = 60;

// "HH:mm:ss" on the row's local date, or "-" for an event that does not happen that day.
using LocalTimes = std::array<const char*, 4>; // dawn, sunrise, sunset, dusk

} // namespace

Q_DECLARE_METATYPE(LocalTimes)

class TestSunTimes : public QObject {
    Q_OBJECT
private slots:
    void eventsOfADay_data() {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<LocalTimes>("times");
        // NOAA's calculator could not be reached from where these tests were written, so the
        // values come from an independent python3 script of the formulas in NOAA's spreadsheet
        // NOAA_Solar_Calculations_day.xls (gml.noaa.gov/grad/solcalc/calcdetails.html), taken at
        // the event's own time, with local time from python's zoneinfo. The sunrises and sunsets
        // agree with the almanac times commonly published for these cities to the minute.
        QTest::newRow("Berlin, June solstice")
            << 52.52 << 13.405 << QByteArray("Europe/Berlin") << QDate(2024, 6, 20)
            << LocalTimes{"03:52:44", "04:42:58", "21:33:11", "22:23:26"};
        QTest::newRow("Berlin, December solstice")
            << 52.52 << 13.405 << QByteArray("Europe/Berlin") << QDate(2024, 12, 21)
            << LocalTimes{"07:33:28", "08:15:09", "15:54:12", "16:35:53"};
        QTest::newRow("Berlin, the day summer time starts")
            << 52.52 << 13.405 << QByteArray("Europe/Berlin") << QDate(2024, 3, 31)
            << LocalTimes{"06:07:34", "06:42:13", "19:39:38", "20:14:26"};
        QTest::newRow("New York, December solstice")
            << 40.7128 << -74.006 << QByteArray("America/New_York") << QDate(2024, 12, 21)
            << LocalTimes{"06:45:49", "07:16:49", "16:32:04", "17:03:04"};
        QTest::newRow("New York, the day summer time ends")
            << 40.7128 << -74.006 << QByteArray("America/New_York") << QDate(2024, 11, 3)
            << LocalTimes{"06:00:42", "06:29:18", "16:49:16", "17:17:50"};
        QTest::newRow("Sydney, December solstice")
            << -33.8688 << 151.2093 << QByteArray("Australia/Sydney") << QDate(2024, 12, 21)
            << LocalTimes{"05:11:42", "05:40:52", "20:05:40", "20:34:50"};
        QTest::newRow("Buenos Aires, June solstice")
            << -34.6037 << -58.3816 << QByteArray("America/Argentina/Buenos_Aires") << QDate(2024, 6, 21)
            << LocalTimes{"07:32:25", "08:00:26", "17:50:32", "18:18:33"};
        // Short of the Arctic Circle the sun still skips civil twilight in June, and the sunset of
        // the 20th comes after midnight: it is the 21st's.
        QTest::newRow("Reykjavik, June solstice")
            << 64.1466 << -21.9426 << QByteArray("Atlantic/Reykjavik") << QDate(2024, 6, 21)
            << LocalTimes{"-", "02:55:14", "00:03:58", "-"};
        QTest::newRow("Tromsø, polar day") << 69.6492 << 18.9553 << QByteArray("Europe/Oslo")
                                           << QDate(2024, 6, 21) << LocalTimes{"-", "-", "-", "-"};
        // The sun stays below the horizon but comes within 6° of it: twilight without a day.
        QTest::newRow("Tromsø, polar night")
            << 69.6492 << 18.9553 << QByteArray("Europe/Oslo") << QDate(2024, 12, 21)
            << LocalTimes{"09:31:30", "-", "-", "13:53:26"};
    }
    void eventsOfADay() {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(QByteArray, zone);
        QFETCH(QDate, date);
        QFETCH(LocalTimes, times);
        const QTimeZone timeZone(zone);
        QVERIFY(timeZone.isValid());
        for (const SunEvent event : allSunEvents) {
            const char* expected = times[static_cast<size_t>(event)];
            const std::optional<QDateTime> time = sunEventTime(event, date, {latitude, longitude}, timeZone);
            const QString what = sunEventName(event);
            if (qstrcmp(expected, "-") == 0) {
                QVERIFY2(!time, qPrintable(what + " should not happen, comes at " +
                                           (time ? time->toString(Qt::ISODate) : QString())));
                continue;
            }
            QVERIFY2(time, qPrintable(what + " is missing"));
            QCOMPARE(time->timeSpec(), Qt::UTC);
            const QDateTime reference(date, QTime::fromString(QLatin1String(expected), u"HH:mm:ss"),
                                      timeZone);
            QVERIFY2(std::abs(time->secsTo(reference)) <= toleranceSeconds,
                     qPrintable(QStringLiteral("%1 at %2, reference %3")
                                    .arg(what, time->toTimeZone(timeZone).toString(Qt::ISODate),
                                         reference.toString(Qt::ISODate))));
        }
    }

    void anEventCrossingMidnightBelongsToTheDateItFallsOn() {
        // Reykjavik's sunset moves past midnight in mid-June and back before it at the end of
        // the month (by the same reference): one date goes without, another has two.
        const GeoPlace reykjavik{64.1466, -21.9426};
        const QTimeZone zone("Atlantic/Reykjavik");
        QCOMPARE(sunEventTimes(SunEvent::sunset, QDate(2024, 6, 15), reykjavik, zone).size(), 0);
        QCOMPARE(sunEventTimes(SunEvent::sunset, QDate(2024, 6, 16), reykjavik, zone).size(), 1);
        const QList<QDateTime> twice = sunEventTimes(SunEvent::sunset, QDate(2024, 6, 28), reykjavik, zone);
        QCOMPARE(twice.size(), 2);
        QVERIFY(twice[0] < twice[1]);
        QCOMPARE(sunEventTime(SunEvent::sunset, QDate(2024, 6, 28), reykjavik, zone), twice[0]);
    }

    void nonsenseGivesNoTimes() {
        const QTimeZone zone("Europe/Berlin");
        const QDate date(2024, 6, 20);
        QVERIFY(!sunEventTime(SunEvent::sunrise, date, {91, 0}, zone));
        QVERIFY(!sunEventTime(SunEvent::sunrise, date, {0, 181}, zone));
        QVERIFY(!sunEventTime(SunEvent::sunrise, date, {std::nan(""), 0}, zone));
        QVERIFY(!sunEventTime(SunEvent::sunrise, QDate(), {52.5, 13.4}, zone));
        QVERIFY(!sunEventTime(SunEvent::sunrise, date, {52.5, 13.4}, QTimeZone()));
    }
};

QTEST_GUILESS_MAIN(TestSunTimes)
#include "tst_suntimes.moc"
