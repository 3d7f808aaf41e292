#pragma once

#include "SunTimes.h"
#include "system/GeoPlace.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTime>
#include <QTimeZone>

#include <chrono>
#include <optional>
#include <variant>

/// One point of a brightness schedule: from WHEN on, each day, the monitor is at `brightness`.
/// WHEN is a local wall-clock time or a sun event moved by an offset.
struct SchedulePoint {
    std::optional<SunEvent> sunEvent; ///< nullopt: a clock point
    QTime clockTime;                  ///< clock points: local wall-clock time in whole minutes
    int offsetMinutes = 0;            ///< sun points: minutes after the event, negative before it
    int brightness = 0;               ///< 0...100

    /// WHEN as the text form writes it: "07:00", "sunset", "sunset-30", "dawn+15".
    QString whenText() const;

    bool operator==(const SchedulePoint&) const = default;
};

/// A point as the bus carries it: `when` is "HH:MM" or an event word alone, the offset apart
/// (always 0 for a clock time).
struct ScheduleEntry {
    QString when;
    int offsetMinutes = 0;
    int brightness = 0;

    bool operator==(const ScheduleEntry&) const = default;
};

/// Why a schedule was refused. `message()` is the one sentence the user sees.
struct ScheduleError {
    enum class Kind {
        empty,                ///< no points at all
        tooManyPoints,        ///< more than BrightnessSchedule::maximumPoints
        malformedPoint,       ///< not WHEN=BRIGHTNESS with WHEN as HH:MM or an event word
        offsetOnClockTime,    ///< "07:00+30": only sun events take an offset
        unknownEvent,         ///< a word other than sunrise, sunset, dawn or dusk
        timeOutOfRange,       ///< hours beyond 23 or minutes beyond 59
        offsetOutOfRange,     ///< more than 720 minutes either way
        brightnessOutOfRange, ///< not a whole number from 0 to 100
        repeatedTime,         ///< the same clock time, or the same event and offset, twice
        transitionOutOfRange, ///< a transition outside 0...120 minutes
    };

    Kind kind = Kind::malformedPoint;
    QString part; ///< the offending text: a point, a word, or the transition's minutes

    QString message() const;

    bool operator==(const ScheduleError&) const = default;
};

/// The time zone and place a schedule is evaluated in. Without a place, sun points never happen.
struct ScheduleContext {
    std::optional<GeoPlace> place;
    QTimeZone timeZone;
};

/// What a schedule says at an instant.
struct ScheduleState {
    double brightness = 0;      ///< 0...100, fractional during a transition
    bool transitioning = false; ///< moving towards the next point's brightness
    /// The first instant at which the whole-percent value (brightness rounded half away from
    /// zero) changes, or, while a brightness holds, the instant the next move begins. Always
    /// after the instant evaluated. Nullopt when nothing changes within a year.
    std::optional<QDateTime> nextChange;
    /// When the next point happens (even one that keeps the brightness as it is): a manual
    /// change holds until then. Nullopt when no point happens within a year.
    std::optional<QDateTime> nextPoint;
};

/// A sun event the schedule uses and when it happens on a given date (nullopt: not that day).
struct ScheduleSunTime {
    SunEvent event = SunEvent::sunrise;
    std::optional<QDateTime> time; ///< UTC

    bool operator==(const ScheduleSunTime&) const = default;
};

/// A day's brightness as a list of points plus how long the move to each point takes.
///
/// Points repeat every local day and take effect in the order they happen that day, whatever
/// order they were given in (sun points move through the year and can pass clock points). Each
/// point's brightness holds until the next point; the move to a point starts `transition`
/// before it, never before the point before it, and goes in a straight line. A clock time that
/// a clock change skips happens at the first instant after the gap; one that a clock change
/// repeats happens only the first time. A sun point on a day without its event is skipped.
///
/// Text form, as the command line and the settings store it: points separated by spaces, each
/// WHEN=BRIGHTNESS, WHEN being HH:MM or sunrise, sunset, dawn or dusk, the event optionally
/// followed by +N or -N minutes: `07:00=80 sunset-30=50 22:00=20`. A schedule has at least one
/// point: turning the schedule off is the caller's business, not an empty schedule's.
class BrightnessSchedule {
public:
    static constexpr std::chrono::minutes defaultTransition{30};
    static constexpr std::chrono::minutes longestTransition{120};
    static constexpr int maximumPoints = 100; // keeps an evaluation small whatever a file or the bus hands us
    static constexpr int largestOffsetMinutes = 720;

    /// Reads the text form. Strict: any part that is not exactly as described refuses the whole
    /// text. Runs of white space count as one space.
    static std::variant<BrightnessSchedule, ScheduleError>
    parse(QStringView text, std::chrono::minutes transition = defaultTransition);
    /// Reads the bus form, by the same rules as the text form.
    static std::variant<BrightnessSchedule, ScheduleError>
    fromEntries(const QList<ScheduleEntry>& entries, std::chrono::minutes transition = defaultTransition);

    /// The points in the order they were given.
    const QList<SchedulePoint>& points() const { return m_points; }
    std::chrono::minutes transition() const { return m_transition; }
    /// Whether any point follows the sun, so the evaluation needs a place.
    bool followsSun() const;

    /// The canonical text form (points in the given order, single spaces, no "+0"); parsing it
    /// gives this schedule back.
    QString text() const;
    /// The bus form, in the given order.
    QList<ScheduleEntry> entries() const;

    /// The schedule's brightness at `instant` (in any zone or offset; it is the instant that counts),
    /// and when to look again. Pure and cheap: the same arguments give the same answer, so the
    /// caller sets one timer for `nextChange` and evaluates again at once when the clock or the
    /// time zone changes. When no point happened within the past year (sun points alone, near a
    /// pole) the next point's brightness holds; when none comes within a year either, or the
    /// instant is not valid, the first point's. A zone that is not valid counts as UTC.
    ScheduleState stateAt(const QDateTime& instant, const ScheduleContext& context) const;

    /// The sun events the schedule uses, in the order of SunEvent, with when each happens on
    /// `localDate` (for showing "sunset 21:33" or "no sunset today" beside the schedule).
    QList<ScheduleSunTime> sunTimes(QDate localDate, const ScheduleContext& context) const;

    bool operator==(const BrightnessSchedule&) const = default;

private:
    BrightnessSchedule() = default;

    QList<SchedulePoint> m_points;
    std::chrono::minutes m_transition = defaultTransition;
};
