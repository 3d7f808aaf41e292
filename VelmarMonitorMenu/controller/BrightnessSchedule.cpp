#include "BrightnessSchedule.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr qint64 msPerMinute = 60'000;
constexpr qint64 msPerDay = 86'400'000;
// How far the evaluation looks for a point before or after the instant. Only sun points near a
// pole go a whole day without happening, and no polar night or day outlasts half a year.
constexpr int searchDays = 370;
// Days added to the window at a time when the evaluation has to look further.
constexpr int searchStep = 7;

// ---- Text form ----

bool isDigits(QStringView text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; });
}

// A run of ASCII digits as a number, or `tooLarge` when there are more digits than any valid value has.
int smallNumber(QStringView digits, int tooLarge) {
    if (digits.size() > 4)
        return tooLarge;
    return digits.toInt();
}

ScheduleError refusal(ScheduleError::Kind kind, QString part) {
    return ScheduleError{kind, std::move(part)};
}

// One point from its parts: WHEN ("HH:MM" or an event word), the offset that followed it (as
// written in `offsetText`, empty when none, and as a number), and the brightness. `whole` is the
// point as the user gave it, for a refusal to quote.
std::variant<SchedulePoint, ScheduleError> pointFrom(QStringView when, QStringView offsetText, int offset,
                                                     int brightness, bool brightnessValid,
                                                     const QString& whole) {
    SchedulePoint point;
    if (when.size() == 5 && when[2] == u':' && isDigits(when.first(2)) && isDigits(when.sliced(3))) {
        if (!offsetText.isEmpty())
            return refusal(ScheduleError::Kind::offsetOnClockTime, whole);
        const int hour = when.first(2).toInt();
        const int minute = when.sliced(3).toInt();
        if (hour > 23 || minute > 59)
            return refusal(ScheduleError::Kind::timeOutOfRange, when.toString());
        point.clockTime = QTime(hour, minute);
    } else {
        if (when.isEmpty() || !std::all_of(when.begin(), when.end(), [](QChar c) {
                return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
            }))
            return refusal(ScheduleError::Kind::malformedPoint, whole);
        point.sunEvent = sunEventFromName(when);
        if (!point.sunEvent)
            return refusal(ScheduleError::Kind::unknownEvent, when.toString());
        if (std::abs(offset) > BrightnessSchedule::largestOffsetMinutes)
            return refusal(ScheduleError::Kind::offsetOutOfRange, whole);
        point.offsetMinutes = offset;
    }
    if (!brightnessValid || brightness < 0 || brightness > 100)
        return refusal(ScheduleError::Kind::brightnessOutOfRange, whole);
    point.brightness = brightness;
    return point;
}

// One WHEN=BRIGHTNESS as the text form writes it.
std::variant<SchedulePoint, ScheduleError> pointFromText(QStringView token) {
    const QString whole = token.toString();
    const qsizetype equals = token.indexOf(u'=');
    if (equals <= 0 || token.indexOf(u'=', equals + 1) >= 0)
        return refusal(ScheduleError::Kind::malformedPoint, whole);
    QStringView when = token.first(equals);
    const QStringView brightnessText = token.sliced(equals + 1);
    const bool brightnessValid = isDigits(brightnessText);
    const int brightness = brightnessValid ? smallNumber(brightnessText, 1000) : -1;

    QStringView offsetText;
    int offset = 0;
    const qsizetype sign = std::max(when.indexOf(u'+'), when.indexOf(u'-'));
    if (sign >= 0) {
        offsetText = when.sliced(sign);
        when = when.first(sign);
        const QStringView digits = offsetText.sliced(1);
        if (!isDigits(digits))
            return refusal(ScheduleError::Kind::malformedPoint, whole);
        offset = smallNumber(digits, 100'000) * (offsetText[0] == u'-' ? -1 : 1);
    }
    return pointFrom(when, offsetText, offset, brightness, brightnessValid, whole);
}

// An offset as WHEN writes it: "+15", "-30".
QString signedMinutes(int minutes) {
    return minutes > 0 ? QStringLiteral("+%1").arg(minutes) : QString::number(minutes);
}

QString entryText(const ScheduleEntry& entry) {
    QString text = entry.when;
    if (entry.offsetMinutes != 0)
        text += signedMinutes(entry.offsetMinutes);
    return text + u'=' + QString::number(entry.brightness);
}

// Adds a point unless its WHEN is taken: the same clock time, or the same event and offset
// however they were written ("sunset" and "sunset+0").
std::optional<ScheduleError> addPoint(QList<SchedulePoint>& points, QSet<QString>& whens,
                                      std::variant<SchedulePoint, ScheduleError> point,
                                      const QString& whole) {
    if (auto* error = std::get_if<ScheduleError>(&point))
        return *error;
    const SchedulePoint& added = std::get<SchedulePoint>(point);
    const QString when = added.whenText();
    if (whens.contains(when))
        return refusal(ScheduleError::Kind::repeatedTime, whole);
    whens.insert(when);
    points.append(added);
    return std::nullopt;
}

// The checks on the schedule as a whole, once its points are read.
std::optional<ScheduleError> scheduleProblem(const QList<SchedulePoint>& points,
                                             std::chrono::minutes transition) {
    if (transition < 0min || transition > BrightnessSchedule::longestTransition)
        return refusal(ScheduleError::Kind::transitionOutOfRange, QString::number(transition.count()));
    if (points.isEmpty())
        return refusal(ScheduleError::Kind::empty, {});
    return std::nullopt;
}

// ---- Evaluation ----

qint64 msOf(const QDateTime& utc) {
    return utc.toMSecsSinceEpoch();
}
QDateTime instantOf(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

// The instant a local wall-clock reading stands for. A reading a clock change skips gives the
// first instant after the gap; one it repeats gives the first of the two.
qint64 wallClockInstant(QDate date, QTime time, const QTimeZone& zone) {
    const qint64 wall = QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch();
    // The offsets in force a day either side: a clock change between them is the only one near.
    const int earlier = zone.offsetFromUtc(instantOf(wall - msPerDay));
    const int later = zone.offsetFromUtc(instantOf(wall + msPerDay));
    std::optional<qint64> first;
    for (const int offset : {earlier, later}) {
        const qint64 candidate = wall - offset * 1000LL;
        if (zone.offsetFromUtc(instantOf(candidate)) == offset && (!first || candidate < *first))
            first = candidate;
    }
    if (first)
        return *first;
    // In the gap: the clock change itself is the first instant after it.
    const QTimeZone::OffsetData change = zone.nextTransition(instantOf(wall - later * 1000LL));
    if (change.atUtc.isValid())
        return msOf(change.atUtc);
    return wall - earlier * 1000LL;
}

struct Occurrence {
    qint64 ms = 0;
    int order = 0; // settles points that fall on the same instant: the later nominal time wins
    int brightness = 0;

    bool operator<(const Occurrence& other) const {
        return ms != other.ms ? ms < other.ms : order < other.order;
    }
};

int orderOf(const SchedulePoint& point) {
    if (!point.sunEvent)
        return point.clockTime.hour() * 60 + point.clockTime.minute();
    return 1440 + static_cast<int>(*point.sunEvent) * 1441 + point.offsetMinutes + 720;
}

// The schedule's points laid out on a stretch of local days, grown on demand. Between
// `completeFrom()` and `completeUntil()` nothing is missing: no day outside the stretch can put a
// point there, even with its largest offset.
class Timeline {
public:
    Timeline(const BrightnessSchedule& schedule, const ScheduleContext& context, QDate around)
        : m_schedule(schedule), m_context(context), m_first(around.addDays(-1)), m_last(around.addDays(1)) {
        for (const SchedulePoint& point : schedule.points()) {
            if (point.sunEvent) {
                m_latestOffset = std::max(m_latestOffset, point.offsetMinutes * msPerMinute);
                m_earliestOffset = std::min(m_earliestOffset, point.offsetMinutes * msPerMinute);
            }
        }
        for (QDate day = m_first; day <= m_last; day = day.addDays(1))
            addDay(day);
        std::sort(m_items.begin(), m_items.end());
    }

    const std::vector<Occurrence>& items() const { return m_items; }
    // Occurrences from days before the stretch end before this; those from days after start after
    // `completeUntil`.
    qint64 completeFrom() const { return dayStart(m_first) + m_latestOffset; }
    qint64 completeUntil() const { return dayStart(m_last.addDays(1)) + m_earliestOffset; }
    bool canGrowBack(QDate around) const { return m_first.daysTo(around) < searchDays; }
    bool canGrowForward(QDate around) const { return around.daysTo(m_last) < searchDays; }

    void growBack() {
        for (int i = 0; i < searchStep; ++i) {
            m_first = m_first.addDays(-1);
            addDay(m_first);
        }
        std::sort(m_items.begin(), m_items.end());
    }
    void growForward() {
        for (int i = 0; i < searchStep; ++i) {
            m_last = m_last.addDays(1);
            addDay(m_last);
        }
        std::sort(m_items.begin(), m_items.end());
    }

private:
    qint64 dayStart(QDate day) const { return wallClockInstant(day, QTime(0, 0), m_context.timeZone); }

    void addDay(QDate day) {
        std::map<SunEvent, QList<QDateTime>> sunTimes; // each event once a day, however many points use it
        for (const SchedulePoint& point : m_schedule.points()) {
            const int order = orderOf(point);
            if (!point.sunEvent) {
                m_items.push_back(
                    {wallClockInstant(day, point.clockTime, m_context.timeZone), order, point.brightness});
                continue;
            }
            if (!m_context.place)
                continue;
            auto found = sunTimes.find(*point.sunEvent);
            if (found == sunTimes.end()) {
                found = sunTimes
                            .emplace(*point.sunEvent, sunEventTimes(*point.sunEvent, day, *m_context.place,
                                                                    m_context.timeZone))
                            .first;
            }
            for (const QDateTime& time : found->second)
                m_items.push_back({msOf(time) + point.offsetMinutes * msPerMinute, order, point.brightness});
        }
    }

    const BrightnessSchedule& m_schedule;
    const ScheduleContext& m_context;
    QDate m_first;
    QDate m_last;
    qint64 m_latestOffset = 0;
    qint64 m_earliestOffset = 0;
    std::vector<Occurrence> m_items;
};

// The brightness on the way from `from` to `to`, which starts moving at `start`. The product is
// taken in whole numbers so that a value lands exactly on a half at the millisecond it should.
double valueDuring(const Occurrence& from, const Occurrence& to, qint64 start, qint64 ms) {
    if (ms >= to.ms)
        return to.brightness;
    if (ms <= start)
        return from.brightness;
    const qint64 moved = qint64(to.brightness - from.brightness) * (ms - start);
    return from.brightness + double(moved) / double(to.ms - start);
}

int wholePercent(double brightness) {
    return static_cast<int>(std::round(brightness));
}

// The first millisecond after `now` at which the whole-percent value of a move changes, or nullopt
// when the move ends without another change.
std::optional<qint64> nextStepDuring(const Occurrence& from, const Occurrence& to, qint64 start, qint64 now) {
    const int current = wholePercent(valueDuring(from, to, start, now));
    const bool rising = to.brightness > from.brightness;
    if (current == to.brightness)
        return std::nullopt;
    // Where the value crosses the next half; rounding there goes up (half away from zero), so a
    // falling value changes just after it. The estimate is refined a millisecond at a time.
    const double edge = current + (rising ? 0.5 : -0.5);
    const double fraction = (edge - from.brightness) / double(to.brightness - from.brightness);
    qint64 ms =
        std::max(now + 1, start + static_cast<qint64>(std::floor(fraction * double(to.ms - start))) - 1);
    while (ms < to.ms && wholePercent(valueDuring(from, to, start, ms)) == current)
        ++ms;
    return ms;
}

} // namespace

QString SchedulePoint::whenText() const {
    if (!sunEvent)
        return clockTime.toString(QStringLiteral("HH:mm"));
    QString text = sunEventName(*sunEvent);
    if (offsetMinutes != 0)
        text += signedMinutes(offsetMinutes);
    return text;
}

QString ScheduleError::message() const {
    switch (kind) {
    case Kind::empty:
        return QCoreApplication::translate(
            "BrightnessSchedule", "The schedule has no points: give at least one, such as 07:00=80.");
    case Kind::tooManyPoints:
        return QCoreApplication::translate("BrightnessSchedule",
                                           "The schedule has %1 points, more than the %2 it can have.")
            .arg(part)
            .arg(BrightnessSchedule::maximumPoints);
    case Kind::malformedPoint:
        return QCoreApplication::translate(
                   "BrightnessSchedule",
                   "“%1” is not a point: write WHEN=BRIGHTNESS, such as 07:00=80 or sunset-30=50.")
            .arg(part);
    case Kind::offsetOnClockTime:
        return QCoreApplication::translate(
                   "BrightnessSchedule",
                   "“%1” adds minutes to a clock time: only sunrise, sunset, dawn and dusk take an offset.")
            .arg(part);
    case Kind::unknownEvent:
        return QCoreApplication::translate("BrightnessSchedule",
                                           "“%1” is not a sun event: use sunrise, sunset, dawn or dusk.")
            .arg(part);
    case Kind::timeOutOfRange:
        return QCoreApplication::translate(
                   "BrightnessSchedule",
                   "“%1” is not a time of day: hours go from 00 to 23 and minutes from 00 to 59.")
            .arg(part);
    case Kind::offsetOutOfRange:
        return QCoreApplication::translate(
                   "BrightnessSchedule",
                   "“%1” moves its event too far: an offset can be at most 720 minutes either way.")
            .arg(part);
    case Kind::brightnessOutOfRange:
        return QCoreApplication::translate("BrightnessSchedule",
                                           "“%1” has no valid brightness: give a whole number from 0 to 100.")
            .arg(part);
    case Kind::repeatedTime:
        return QCoreApplication::translate(
                   "BrightnessSchedule",
                   "“%1” repeats a time the schedule already has: each time can have one point.")
            .arg(part);
    case Kind::transitionOutOfRange:
        break;
    }
    return QCoreApplication::translate(
               "BrightnessSchedule",
               "A transition of %1 minutes is out of range: it can be from 0 to 120 minutes.")
        .arg(part);
}

std::variant<BrightnessSchedule, ScheduleError> BrightnessSchedule::parse(QStringView text,
                                                                          std::chrono::minutes transition) {
    BrightnessSchedule schedule;
    schedule.m_transition = transition;
    QSet<QString> whens;
    // White space of any kind and length separates points.
    const QString spaced = text.toString().simplified();
    for (const QStringView token : QStringView(spaced).split(u' ', Qt::SkipEmptyParts)) {
        if (schedule.m_points.size() == maximumPoints) {
            const auto count = QStringView(spaced).count(u' ') + 1;
            return refusal(ScheduleError::Kind::tooManyPoints, QString::number(count));
        }
        const QString whole = token.toString();
        if (auto error = addPoint(schedule.m_points, whens, pointFromText(token), whole))
            return *error;
    }
    if (auto problem = scheduleProblem(schedule.m_points, transition))
        return *problem;
    return schedule;
}

std::variant<BrightnessSchedule, ScheduleError>
BrightnessSchedule::fromEntries(const QList<ScheduleEntry>& entries, std::chrono::minutes transition) {
    BrightnessSchedule schedule;
    schedule.m_transition = transition;
    if (entries.size() > maximumPoints)
        return refusal(ScheduleError::Kind::tooManyPoints, QString::number(entries.size()));
    QSet<QString> whens;
    for (const ScheduleEntry& entry : entries) {
        const QString whole = entryText(entry);
        // The event word stands alone here: its offset has a field of its own.
        if (entry.when.contains(u'+') || entry.when.contains(u'-') || entry.when.contains(u'='))
            return refusal(ScheduleError::Kind::malformedPoint, whole);
        const QString offsetText = entry.offsetMinutes == 0 ? QString() : signedMinutes(entry.offsetMinutes);
        auto point = pointFrom(entry.when, offsetText, entry.offsetMinutes, entry.brightness, true, whole);
        if (auto error = addPoint(schedule.m_points, whens, std::move(point), whole))
            return *error;
    }
    if (auto problem = scheduleProblem(schedule.m_points, transition))
        return *problem;
    return schedule;
}

bool BrightnessSchedule::followsSun() const {
    return std::any_of(m_points.begin(), m_points.end(),
                       [](const SchedulePoint& p) { return p.sunEvent.has_value(); });
}

QString BrightnessSchedule::text() const {
    QStringList parts;
    for (const SchedulePoint& point : m_points)
        parts.append(point.whenText() + u'=' + QString::number(point.brightness));
    return parts.join(u' ');
}

QList<ScheduleEntry> BrightnessSchedule::entries() const {
    QList<ScheduleEntry> list;
    for (const SchedulePoint& point : m_points) {
        const QString when = point.sunEvent ? sunEventName(*point.sunEvent) : point.whenText();
        list.append({when, point.offsetMinutes, point.brightness});
    }
    return list;
}

QList<ScheduleSunTime> BrightnessSchedule::sunTimes(QDate localDate, const ScheduleContext& context) const {
    QList<ScheduleSunTime> times;
    for (const SunEvent event : allSunEvents) {
        const bool used = std::any_of(m_points.begin(), m_points.end(),
                                      [event](const SchedulePoint& p) { return p.sunEvent == event; });
        if (!used)
            continue;
        std::optional<QDateTime> time;
        if (context.place)
            time = sunEventTime(event, localDate, *context.place, context.timeZone);
        times.append({event, time});
    }
    return times;
}

ScheduleState BrightnessSchedule::stateAt(const QDateTime& instant, const ScheduleContext& given) const {
    ScheduleState state;
    state.brightness = m_points.first().brightness;
    if (!instant.isValid())
        return state;
    // A zone that is not valid has no dates to lay the points on; UTC stands in for it.
    const ScheduleContext context{given.place, given.timeZone.isValid() ? given.timeZone : QTimeZone::utc()};
    const qint64 now = instant.toMSecsSinceEpoch();
    const QDate today = instant.toTimeZone(context.timeZone).date();
    const qint64 transition = m_transition.count() * msPerMinute;
    Timeline timeline(*this, context, today);

    // The last point at or before now; the timeline is sure of it once it lies in the complete stretch.
    auto previousIndex = [&]() -> std::optional<size_t> {
        const auto& items = timeline.items();
        const auto after = std::upper_bound(items.begin(), items.end(), now,
                                            [](qint64 ms, const Occurrence& o) { return ms < o.ms; });
        if (after == items.begin() || std::prev(after)->ms < timeline.completeFrom())
            return std::nullopt;
        return static_cast<size_t>(std::prev(after) - items.begin());
    };
    std::optional<size_t> previous = previousIndex();
    while (!previous && timeline.canGrowBack(today)) {
        timeline.growBack();
        previous = previousIndex();
    }
    // The occurrence at `index`, growing the timeline forward until it is sure of it.
    auto occurrenceAt = [&](size_t index) -> std::optional<Occurrence> {
        while (true) {
            const auto& items = timeline.items();
            if (index < items.size() && items[index].ms < timeline.completeUntil())
                return items[index];
            if (!timeline.canGrowForward(today))
                return std::nullopt;
            timeline.growForward();
        }
    };
    // Growing forward keeps earlier indices; growing back does not, so it is done first.
    const auto& items = timeline.items();
    const size_t nextIndex =
        previous
            ? *previous + 1
            : static_cast<size_t>(std::upper_bound(items.begin(), items.end(), now,
                                                   [](qint64 ms, const Occurrence& o) { return ms < o.ms; }) -
                                  items.begin());
    const std::optional<Occurrence> next = occurrenceAt(nextIndex);
    if (next)
        state.nextPoint = instantOf(next->ms);

    const bool oneBrightness = std::all_of(m_points.begin(), m_points.end(), [this](const SchedulePoint& p) {
        return p.brightness == m_points.first().brightness;
    });
    if (!previous) {
        state.brightness = next ? next->brightness : m_points.first().brightness;
        if (!next || oneBrightness)
            return state;
    }

    // Hold `held` from occurrence `index` on: the next change is the start of the first move to another
    // brightness.
    auto moveAfter = [&](size_t index, int held) -> std::optional<QDateTime> {
        if (oneBrightness)
            return std::nullopt;
        for (size_t i = index + 1;; ++i) {
            const std::optional<Occurrence> target = occurrenceAt(i);
            if (!target)
                return std::nullopt;
            if (target->brightness != held) {
                const qint64 from = timeline.items()[i - 1].ms;
                return instantOf(std::max({from, target->ms - transition, now + 1}));
            }
        }
    };

    if (!previous) {
        state.nextChange = moveAfter(nextIndex, next->brightness);
        return state;
    }
    const Occurrence from = timeline.items()[*previous];
    state.brightness = from.brightness;
    if (!next)
        return state;
    const qint64 start = std::max(from.ms, next->ms - transition);
    if (now >= start && from.brightness != next->brightness) {
        state.brightness = valueDuring(from, *next, start, now);
        state.transitioning = true;
        if (const std::optional<qint64> step = nextStepDuring(from, *next, start, now))
            state.nextChange = instantOf(*step);
        else
            state.nextChange = moveAfter(nextIndex, next->brightness);
        return state;
    }
    state.nextChange = moveAfter(*previous, from.brightness);
    return state;
}
