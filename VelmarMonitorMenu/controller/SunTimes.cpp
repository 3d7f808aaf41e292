#include "SunTimes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double degrees = std::numbers::pi / 180;
constexpr double julianDayOfUnixEpoch = 2440587.5;
constexpr double julianDayOfJ2000 = 2451545;
constexpr double minutesPerDay = 1440;
// Each pass takes the sun's position at the previous pass's answer; the answer moves by under a
// second after the third pass, so more only cost time.
constexpr int refinements = 4;

double sind(double x) {
    return std::sin(x * degrees);
}
double cosd(double x) {
    return std::cos(x * degrees);
}

double altitudeOf(SunEvent event) {
    switch (event) {
    case SunEvent::dawn:
    case SunEvent::dusk:
        return -6;
    case SunEvent::sunrise:
    case SunEvent::sunset:
        break;
    }
    // Refraction at the horizon (34′) plus the sun's radius (16′).
    return -0.833;
}

bool isMorning(SunEvent event) {
    return event == SunEvent::dawn || event == SunEvent::sunrise;
}

struct SolarPosition {
    double declination = 0;    // degrees
    double equationOfTime = 0; // minutes by which the sundial runs ahead of mean solar time
};

// NOAA's spreadsheet formulas for the sun's apparent position at a Julian day (UTC).
SolarPosition solarPosition(double julianDay) {
    const double t = (julianDay - julianDayOfJ2000) / 36525; // Julian centuries since J2000.0
    const double meanLongitude = std::fmod(280.46646 + t * (36000.76983 + t * 0.0003032), 360.0);
    const double meanAnomaly = 357.52911 + t * (35999.05029 - 0.0001537 * t);
    const double eccentricity = 0.016708634 - t * (0.000042037 + 0.0000001267 * t);
    const double centre = sind(meanAnomaly) * (1.914602 - t * (0.004817 + 0.000014 * t)) +
                          sind(2 * meanAnomaly) * (0.019993 - 0.000101 * t) +
                          sind(3 * meanAnomaly) * 0.000289;
    const double ascendingNode = 125.04 - 1934.136 * t;
    const double apparentLongitude = meanLongitude + centre - 0.00569 - 0.00478 * sind(ascendingNode);
    const double meanObliquity = 23 + (26 + (21.448 - t * (46.815 + t * (0.00059 - t * 0.001813))) / 60) / 60;
    const double obliquity = meanObliquity + 0.00256 * cosd(ascendingNode);

    SolarPosition position;
    position.declination = std::asin(sind(obliquity) * sind(apparentLongitude)) / degrees;
    const double y = std::pow(std::tan(obliquity / 2 * degrees), 2);
    position.equationOfTime =
        4 / degrees *
        (y * sind(2 * meanLongitude) - 2 * eccentricity * sind(meanAnomaly) +
         4 * eccentricity * y * sind(meanAnomaly) * cosd(2 * meanLongitude) -
         0.5 * y * y * sind(4 * meanLongitude) - 1.25 * eccentricity * eccentricity * sind(2 * meanAnomaly));
    return position;
}

// The event of the solar day around noon of `utcDate` at the place's longitude, as a Julian day;
// nullopt when the sun does not cross the event's altitude that day.
std::optional<double> eventOfSolarDay(SunEvent event, QDate utcDate, GeoPlace place) {
    const double midnight = static_cast<double>(utcDate.toJulianDay()) - 0.5;
    const double altitude = altitudeOf(event);
    double minutes = 720 - 4 * place.longitude; // first guess: mean solar noon
    for (int pass = 0; pass < refinements; ++pass) {
        const SolarPosition sun = solarPosition(midnight + minutes / minutesPerDay);
        const double cosHourAngle = (sind(altitude) - sind(place.latitude) * sind(sun.declination)) /
                                    (cosd(place.latitude) * cosd(sun.declination));
        if (!(std::abs(cosHourAngle) <= 1))
            return std::nullopt;
        const double hourAngle = std::acos(cosHourAngle) / degrees;
        minutes = 720 - 4 * place.longitude - sun.equationOfTime + (isMorning(event) ? -4 : 4) * hourAngle;
    }
    return midnight + minutes / minutesPerDay;
}

} // namespace

QString sunEventName(SunEvent event) {
    switch (event) {
    case SunEvent::dawn:
        return QStringLiteral("dawn");
    case SunEvent::sunrise:
        return QStringLiteral("sunrise");
    case SunEvent::sunset:
        return QStringLiteral("sunset");
    case SunEvent::dusk:
        break;
    }
    return QStringLiteral("dusk");
}

std::optional<SunEvent> sunEventFromName(QStringView name) {
    for (const SunEvent event : allSunEvents) {
        if (name == sunEventName(event))
            return event;
    }
    return std::nullopt;
}

QList<QDateTime> sunEventTimes(SunEvent event, QDate localDate, GeoPlace place, const QTimeZone& zone) {
    QList<QDateTime> times;
    if (!localDate.isValid() || !place.isValid() || !zone.isValid())
        return times;
    // A local date overlaps three UTC dates at most, and each solar day's event lies within a day
    // of its UTC date's noon; the candidates whose local date matches are the answer.
    for (int day = -1; day <= 1; ++day) {
        const std::optional<double> julianDay = eventOfSolarDay(event, localDate.addDays(day), place);
        if (!julianDay)
            continue;
        const auto seconds = std::llround((*julianDay - julianDayOfUnixEpoch) * 86400);
        const QDateTime utc = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
        if (utc.toTimeZone(zone).date() == localDate)
            times.append(utc);
    }
    std::sort(times.begin(), times.end());
    return times;
}

std::optional<QDateTime> sunEventTime(SunEvent event, QDate localDate, GeoPlace place,
                                      const QTimeZone& zone) {
    const QList<QDateTime> times = sunEventTimes(event, localDate, place, zone);
    if (times.isEmpty())
        return std::nullopt;
    return times.first();
}
