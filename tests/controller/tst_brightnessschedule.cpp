// The brightness schedule: its text and bus forms, and what it says at chosen instants.
#include "controller/BrightnessSchedule.h"

#include <QTest>

using namespace std::chrono_literals;
using Kind = ScheduleError::Kind;

namespace {

const GeoPlace berlin{52.52, 13.405};
const GeoPlace tromso{69.6492, 18.9553};

BrightnessSchedule schedule(const QString& text, std::chrono::minutes transition = 30min) {
    const auto parsed = BrightnessSchedule::parse(text, transition);
    if (const auto* error = std::get_if<ScheduleError>(&parsed))
        qFatal("test schedule refused: %s", qPrintable(error->message()));
    return std::get<BrightnessSchedule>(parsed);
}

QDateTime at(const QString& iso) {
    const QDateTime instant = QDateTime::fromString(iso, Qt::ISODateWithMs);
    if (!instant.isValid())
        qFatal("bad instant in test: %s", qPrintable(iso));
    return instant;
}

QString shown(const std::optional<QDateTime>& instant) {
    return instant ? instant->toUTC().toString(Qt::ISODateWithMs) : QStringLiteral("none");
}

} // namespace

class TestBrightnessSchedule : public QObject {
    Q_OBJECT
private slots:
    void textIsReadStrictly_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("transition");
        QTest::addColumn<int>("refusal"); // a Kind, or -1 for a schedule that is accepted
        QTest::addColumn<QString>("part");
        const auto add = [](const char* name, const QString& text, std::optional<Kind> kind,
                            const QString& part = {}, int transition = 30) {
            QTest::newRow(name) << text << transition << (kind ? int(*kind) : -1) << part;
        };
        add("every kind of point", "07:00=80 sunset-30=50 22:00=20 dawn+15=0 sunrise=100 dusk-720=5", {});
        add("white space of any kind", "\t 07:00=80 \n sunset+720=50  ", {});
        add("longest transition", "07:00=80", {}, {}, 120);
        add("empty", "", Kind::empty);
        add("no brightness", "07:00", Kind::malformedPoint, "07:00");
        add("two equals signs", "07:00=80=5", Kind::malformedPoint, "07:00=80=5");
        add("no WHEN", "=80", Kind::malformedPoint, "=80");
        add("one-digit hour", "7:00=80", Kind::malformedPoint, "7:00=80");
        add("sign without minutes", "sunset+=50", Kind::malformedPoint, "sunset+=50");
        add("unknown event", "07:00=80 noon=50", Kind::unknownEvent, "noon");
        add("capitalised event", "Sunset=50", Kind::unknownEvent, "Sunset");
        add("hour 24", "24:00=50", Kind::timeOutOfRange, "24:00");
        add("minute 60", "12:60=50", Kind::timeOutOfRange, "12:60");
        add("offset on a clock time", "07:00+30=50", Kind::offsetOnClockTime, "07:00+30=50");
        add("offset beyond 720", "sunset+721=50", Kind::offsetOutOfRange, "sunset+721=50");
        add("offset far beyond", "dawn-99999999999=50", Kind::offsetOutOfRange, "dawn-99999999999=50");
        add("brightness above 100", "07:00=101", Kind::brightnessOutOfRange, "07:00=101");
        add("fractional brightness", "07:00=50.5", Kind::brightnessOutOfRange, "07:00=50.5");
        add("missing brightness", "07:00=", Kind::brightnessOutOfRange, "07:00=");
        add("same clock time twice", "07:00=80 07:00=20", Kind::repeatedTime, "07:00=20");
        add("same event and offset twice", "sunset=50 sunset+0=20", Kind::repeatedTime, "sunset+0=20");
        add("transition too long", "07:00=80", Kind::transitionOutOfRange, "121", 121);
        add("negative transition", "07:00=80", Kind::transitionOutOfRange, "-1", -1);
        QStringList many;
        for (int minute = 0; minute <= BrightnessSchedule::maximumPoints; ++minute)
            many.append(QTime(0, 0).addSecs(minute * 60).toString(u"HH:mm") + "=50");
        add("too many points", many.join(' '), Kind::tooManyPoints, QString::number(many.size()));
    }
    void textIsReadStrictly() {
        QFETCH(QString, text);
        QFETCH(int, transition);
        QFETCH(int, refusal);
        QFETCH(QString, part);
        const auto parsed = BrightnessSchedule::parse(text, std::chrono::minutes(transition));
        if (refusal < 0) {
            QVERIFY(std::holds_alternative<BrightnessSchedule>(parsed));
            return;
        }
        QVERIFY(std::holds_alternative<ScheduleError>(parsed));
        const ScheduleError& error = std::get<ScheduleError>(parsed);
        QCOMPARE(int(error.kind), refusal);
        QCOMPARE(error.part, part);
        // The sentence names the part it refuses.
        QVERIFY2(error.message().contains(part), qPrintable(error.message()));
    }

    void textAndBusFormsGiveTheScheduleBack() {
        const BrightnessSchedule written = schedule(" sunset-030=050\tdawn+0=5  07:05=80 ", 45min);
        QCOMPARE(written.text(), u"sunset-30=50 dawn=5 07:05=80");
        QCOMPARE(schedule(written.text(), 45min), written);
        const QList<ScheduleEntry> entries{{"sunset", -30, 50}, {"dawn", 0, 5}, {"07:05", 0, 80}};
        QCOMPARE(written.entries(), entries);
        const auto fromBus = BrightnessSchedule::fromEntries(entries, 45min);
        QVERIFY(std::holds_alternative<BrightnessSchedule>(fromBus));
        QCOMPARE(std::get<BrightnessSchedule>(fromBus), written);
    }

    // The checks the bus form shares with the text form are the text form's cases above; these are
    // its own, and one shared check to show it makes them.
    void busFormIsCheckedLikeText() {
        const QList<ScheduleEntry> tooMany(BrightnessSchedule::maximumPoints + 1, {"07:00", 0, 50});
        const QList<std::pair<QList<ScheduleEntry>, Kind>> refused{
            {{}, Kind::empty},
            {{{"sunset-30", 0, 50}}, Kind::malformedPoint},
            {{{"07:00", 15, 50}}, Kind::offsetOnClockTime},
            {tooMany, Kind::tooManyPoints},
        };
        for (const auto& [entries, kind] : refused) {
            const auto result = BrightnessSchedule::fromEntries(entries);
            QVERIFY(std::holds_alternative<ScheduleError>(result));
            QCOMPARE(std::get<ScheduleError>(result).kind, kind);
        }
    }

    // Each row: the points, the transition in minutes, the zone, the instant, and what the schedule
    // says there: the brightness, whether it is moving, its next change (empty: none) and next point.
    void stateAtChosenInstants_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("transition");
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("instant");
        QTest::addColumn<double>("brightness");
        QTest::addColumn<bool>("transitioning");
        QTest::addColumn<QString>("nextChange");
        QTest::addColumn<QString>("nextPoint");
        const QByteArray berlinZone("Europe/Berlin");
        const QByteArray newYork("America/New_York");
        const QString day = "07:00=80 22:00=20";
        // clang-format off
        // An ordinary day in Berlin (UTC+2).
        QTest::newRow("a point holds until the move to the next") << day << 30 << berlinZone << "2024-06-10T12:00:00+02:00" << 80.0 << false << "2024-06-10T21:30:00+02:00" << "2024-06-10T22:00:00+02:00";
        QTest::newRow("points given out of order") << "22:00=20 07:00=80" << 30 << berlinZone << "2024-06-10T12:00:00+02:00" << 80.0 << false << "2024-06-10T21:30:00+02:00" << "2024-06-10T22:00:00+02:00";
        // Half of the 30 minutes from 80 to 20 have passed: 50, falling 2 a minute. It reaches
        // 49.5 a quarter minute later, which still rounds to 50, so 50 turns 49 a millisecond after.
        QTest::newRow("half way down") << day << 30 << berlinZone << "2024-06-10T21:45:00+02:00" << 50.0 << true << "2024-06-10T21:45:15.001+02:00" << "2024-06-10T22:00:00+02:00";
        // 10 of 30 minutes from 20 to 80: 40, rising 2 a minute; 40.5 rounds up to 41 at once.
        QTest::newRow("a third of the way up") << day << 30 << berlinZone << "2024-06-10T06:40:00+02:00" << 40.0 << true << "2024-06-10T06:40:15.000+02:00" << "2024-06-10T07:00:00+02:00";
        QTest::newRow("after the last point, the first point's move is next") << day << 30 << berlinZone << "2024-06-10T22:00:00+02:00" << 20.0 << false << "2024-06-11T06:30:00+02:00" << "2024-06-11T07:00:00+02:00";
        // The move to 07:10 may not start before 07:00: 10 minutes for 60 steps, half done at 07:05.
        QTest::newRow("a move starts no earlier than the point before") << "07:00=80 07:10=20" << 30 << berlinZone << "2024-06-10T07:05:00+02:00" << 50.0 << true << "2024-06-10T07:05:05.001+02:00" << "2024-06-10T07:10:00+02:00";
        QTest::newRow("without a transition the point itself is the change") << day << 0 << berlinZone << "2024-06-10T21:59:00+02:00" << 80.0 << false << "2024-06-10T22:00:00+02:00" << "2024-06-10T22:00:00+02:00";
        QTest::newRow("one point holds all day") << "07:00=55" << 30 << berlinZone << "2024-06-10T12:00:00+02:00" << 55.0 << false << QString() << "2024-06-11T07:00:00+02:00";
        QTest::newRow("a point that keeps the brightness changes nothing") << "07:00=50 12:00=50 22:00=20" << 30 << berlinZone << "2024-06-10T08:00:00+02:00" << 50.0 << false << "2024-06-10T21:30:00+02:00" << "2024-06-10T12:00:00+02:00";
        // Berlin springs forward from 02:00 to 03:00 on 31 March 2024.
        QTest::newRow("Berlin: a point in the gap comes when the gap ends") << "02:30=10 12:00=90" << 0 << berlinZone << "2024-03-31T01:59:00+01:00" << 90.0 << false << "2024-03-31T03:00:00+02:00" << "2024-03-31T03:00:00+02:00";
        // The move to that point runs from 01:30 to the end of the gap, 30 real minutes: 80 down
        // in 1800 s, half done at 01:45; 49.5 is passed 11.25 s later.
        QTest::newRow("Berlin: the move to a point in the gap") << "02:30=10 12:00=90" << 30 << berlinZone << "2024-03-31T01:45:00+01:00" << 50.0 << true << "2024-03-31T01:45:11.251+01:00" << "2024-03-31T03:00:00+02:00";
        // Berlin falls back from 03:00 to 02:00 on 27 October 2024: 02:30 comes twice, and the
        // point the first time. (That it does not come again, there and in New York, the walk
        // through each clock-change day below shows.)
        QTest::newRow("Berlin: a repeated time comes the first time") << "02:30=10 12:00=90" << 0 << berlinZone << "2024-10-27T02:29:00+02:00" << 90.0 << false << "2024-10-27T02:30:00+02:00" << "2024-10-27T02:30:00+02:00";
        // New York, behind UTC, springs forward from 02:00 to 03:00 on 10 March 2024: both points
        // in the gap come at 03:00, the later one's brightness staying.
        QTest::newRow("New York: two points in the gap") << "02:15=10 02:45=30 12:00=90" << 0 << newYork << "2024-03-10T03:00:00-04:00" << 30.0 << false << "2024-03-10T12:00:00-04:00" << "2024-03-10T12:00:00-04:00";
        // clang-format on
    }
    void stateAtChosenInstants() {
        QFETCH(QString, text);
        QFETCH(int, transition);
        QFETCH(QByteArray, zone);
        QFETCH(QString, instant);
        QFETCH(QString, nextChange);
        QFETCH(QString, nextPoint);
        const ScheduleState state = schedule(text, std::chrono::minutes(transition))
                                        .stateAt(at(instant), {std::nullopt, QTimeZone(zone)});
        QTEST(state.brightness, "brightness");
        QTEST(state.transitioning, "transitioning");
        QCOMPARE(shown(state.nextChange), nextChange.isEmpty() ? "none" : shown(at(nextChange)));
        QCOMPARE(shown(state.nextPoint), shown(at(nextPoint)));
    }

    void clockChangeDaysNeitherSkipNorRepeatAPoint_data() {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDate>("date");
        QTest::newRow("Berlin, spring") << QByteArray("Europe/Berlin") << QDate(2024, 3, 31);
        QTest::newRow("Berlin, autumn") << QByteArray("Europe/Berlin") << QDate(2024, 10, 27);
        QTest::newRow("New York, spring") << QByteArray("America/New_York") << QDate(2024, 3, 10);
        QTest::newRow("New York, autumn") << QByteArray("America/New_York") << QDate(2024, 11, 3);
    }
    void clockChangeDaysNeitherSkipNorRepeatAPoint() {
        QFETCH(QByteArray, zone);
        QFETCH(QDate, date);
        // A point at half past every hour, each with its own brightness: one of them falls in a
        // spring gap, one is repeated by an autumn change.
        QStringList points;
        QList<int> everyPoint;
        for (int hour = 0; hour < 24; ++hour) {
            points.append(QTime(hour, 30).toString(u"HH:mm") + '=' + QString::number(hour * 4));
            everyPoint.append(hour * 4);
        }
        const BrightnessSchedule hourly = schedule(points.join(' '), 0min);
        const ScheduleContext context{std::nullopt, QTimeZone(zone)};
        // Follow the points from the day's first instant until the day is over.
        QDateTime instant = QDateTime(date, QTime(0, 0), context.timeZone);
        QList<int> seen;
        while (true) {
            const ScheduleState state = hourly.stateAt(instant, context);
            QVERIFY(state.nextPoint && *state.nextPoint > instant);
            instant = *state.nextPoint;
            if (instant.toTimeZone(context.timeZone).date() != date)
                break;
            seen.append(int(hourly.stateAt(instant, context).brightness));
        }
        QCOMPARE(seen, everyPoint);
    }

    void nextChangeStepsOneWholePercentAtATime() {
        // Moves that change by an awkward amount over an awkward time, both ways.
        const BrightnessSchedule day = schedule("07:00=83 22:00=20", 37min);
        const ScheduleContext context{std::nullopt, QTimeZone("Europe/Berlin")};
        for (const char* from : {"2024-06-10T21:00:00+02:00", "2024-06-10T06:00:00+02:00"}) {
            QDateTime instant = at(from);
            ScheduleState state = day.stateAt(instant, context);
            // Between points the next change is the start of the move: 37 minutes before the point.
            QVERIFY(!state.transitioning);
            QCOMPARE(shown(state.nextChange), shown(state.nextPoint->addSecs(-37 * 60)));
            const QDateTime end = *state.nextPoint;
            int steps = 0;
            int value = qRound(state.brightness);
            const int target = qRound(day.stateAt(end, context).brightness);
            for (instant = *state.nextChange; instant < end; instant = *state.nextChange) {
                state = day.stateAt(instant, context);
                QVERIFY(state.transitioning);
                QVERIFY(state.nextChange && *state.nextChange > instant);
                // The whole-percent value holds up to the returned instant and moves one step there.
                const int now = qRound(state.brightness);
                QCOMPARE(qRound(day.stateAt(state.nextChange->addMSecs(-1), context).brightness), now);
                QCOMPARE(std::abs(qRound(day.stateAt(*state.nextChange, context).brightness) - now),
                         *state.nextChange < end ? 1 : std::abs(target - now));
                QVERIFY(std::abs(now - value) <= 1);
                value = now;
                ++steps;
            }
            QCOMPARE(steps, 64); // the move's start, then one for each of the 63 whole percents it passes
            QCOMPARE(value, target);
        }
    }

    void sunPointsFollowTheSunThroughTheYear() {
        const BrightnessSchedule sunAndClock = schedule("sunset=30 20:00=60 23:00=10", 0min);
        const ScheduleContext context{berlin, QTimeZone("Europe/Berlin")};
        // In June the sun sets after 20:00, in December before it: the points swap places.
        const std::optional<QDateTime> juneSunset =
            sunEventTime(SunEvent::sunset, QDate(2024, 6, 20), berlin, context.timeZone);
        const ScheduleState june = sunAndClock.stateAt(at("2024-06-20T21:00:00+02:00"), context);
        QCOMPARE(june.brightness, 60.0);
        QCOMPARE(shown(june.nextPoint), shown(juneSunset));
        QCOMPARE(sunAndClock.stateAt(juneSunset->addSecs(60), context).brightness, 30.0);
        const ScheduleState december = sunAndClock.stateAt(at("2024-12-20T21:00:00+01:00"), context);
        QCOMPARE(december.brightness, 60.0);
        QCOMPARE(shown(december.nextPoint), shown(at("2024-12-20T23:00:00+01:00")));
        QCOMPARE(sunAndClock.stateAt(at("2024-12-20T17:00:00+01:00"), context).brightness, 30.0);

        // Offsets move the point; without a place, sun points never come.
        const BrightnessSchedule early = schedule("sunset-45=30 12:00=60", 0min);
        QCOMPARE(shown(early.stateAt(at("2024-06-20T13:00:00+02:00"), context).nextPoint),
                 shown(juneSunset->addSecs(-45 * 60)));
        QCOMPARE(
            shown(early.stateAt(at("2024-06-20T13:00:00+02:00"), {std::nullopt, context.timeZone}).nextPoint),
            shown(at("2024-06-21T12:00:00+02:00")));
    }

    void sunPointsAreSkippedThroughAPolarDay() {
        const ScheduleContext context{tromso, QTimeZone("Europe/Oslo")};
        // With a clock point too, the clock point holds every day the sun neither rises nor sets.
        const BrightnessSchedule withNoon = schedule("sunrise=80 sunset=20 12:00=50", 0min);
        const ScheduleState midsummer = withNoon.stateAt(at("2024-06-21T23:00:00+02:00"), context);
        QCOMPARE(midsummer.brightness, 50.0);
        QCOMPARE(shown(midsummer.nextPoint), shown(at("2024-06-22T12:00:00+02:00")));
        // With sun points alone, the sunrise that began the midnight sun holds until the first sunset.
        const BrightnessSchedule sunOnly = schedule("sunrise=80 sunset=20", 0min);
        const ScheduleState alone = sunOnly.stateAt(at("2024-06-21T12:00:00+02:00"), context);
        QCOMPARE(alone.brightness, 80.0);
        QVERIFY(alone.nextPoint);
        const QDate firstSunset = alone.nextPoint->toTimeZone(context.timeZone).date();
        QVERIFY2(firstSunset > QDate(2024, 7, 15) && firstSunset < QDate(2024, 8, 1),
                 qPrintable(shown(alone.nextPoint)));
        QCOMPARE(shown(alone.nextPoint),
                 shown(sunEventTime(SunEvent::sunset, firstSunset, tromso, context.timeZone)));
        QVERIFY(!sunEventTime(SunEvent::sunset, firstSunset.addDays(-1), tromso, context.timeZone));
        // That sunset is also when the clock-and-sun schedule's brightness next changes.
        QCOMPARE(shown(midsummer.nextChange), shown(alone.nextPoint));
    }

    void sunTimesListTheEventsTheScheduleUses() {
        const BrightnessSchedule usesTwo = schedule("dusk=10 08:00=50 dawn+10=30 dawn-10=40");
        const QDate midsummer(2024, 6, 21);
        const QList<ScheduleSunTime> polar = usesTwo.sunTimes(midsummer, {tromso, QTimeZone("Europe/Oslo")});
        QCOMPARE(polar,
                 (QList<ScheduleSunTime>{{SunEvent::dawn, std::nullopt}, {SunEvent::dusk, std::nullopt}}));
        const QTimeZone berlinZone("Europe/Berlin");
        const QList<ScheduleSunTime> ordinary = usesTwo.sunTimes(midsummer, {berlin, berlinZone});
        QCOMPARE(ordinary,
                 (QList<ScheduleSunTime>{
                     {SunEvent::dawn, sunEventTime(SunEvent::dawn, midsummer, berlin, berlinZone)},
                     {SunEvent::dusk, sunEventTime(SunEvent::dusk, midsummer, berlin, berlinZone)}}));
        QVERIFY(ordinary[0].time && ordinary[1].time);
    }
};

QTEST_GUILESS_MAIN(TestBrightnessSchedule)
#include "tst_brightnessschedule.moc"
