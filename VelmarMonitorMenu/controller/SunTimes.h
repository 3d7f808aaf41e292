#pragma once

#include "system/GeoPlace.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QTimeZone>

#include <optional>

/// The moments of the sun a brightness schedule can follow, in the order they come on an
/// ordinary day. Dawn and dusk are civil twilight's ends (the sun's centre 6° below the
/// horizon); sunrise and sunset are the upper limb on the horizon after refraction (the centre
/// 0.833° below).
enum class SunEvent { dawn, sunrise, sunset, dusk };

/// Every event, in the order of the enum.
inline constexpr SunEvent allSunEvents[] = {SunEvent::dawn, SunEvent::sunrise, SunEvent::sunset,
                                            SunEvent::dusk};

/// The event's word as the schedule's text spells it: "dawn", "sunrise", "sunset", "dusk".
QString sunEventName(SunEvent event);
/// The event for one of those words, exactly as spelled (lower case); nullopt for any other text.
std::optional<SunEvent> sunEventFromName(QStringView name);

/// When `event` happens on the calendar date `localDate` of `zone` at `place`, as a UTC instant
/// rounded to the second. Nullopt when it does not happen on that date: beyond the polar circles
/// (and for dawn and dusk a little short of them) the sun can stay above or below the event's
/// altitude all day, and where an event comes close to midnight one date can miss it as it moves
/// past midnight, another have it twice as it moves back. Nullopt too for a place or a date that
/// is not valid.
///
/// Computed with the equations of NOAA's solar calculator (Meeus's low-precision solar
/// position), with the sun's position taken at the event itself; NOAA gives them as good to a
/// minute between the polar circles.
std::optional<QDateTime> sunEventTime(SunEvent event, QDate localDate, GeoPlace place, const QTimeZone& zone);

/// Every time `event` happens on that date, earliest first: usually one, none as above, and
/// two on the rare date that gains a repeat where the event crosses midnight.
QList<QDateTime> sunEventTimes(SunEvent event, QDate localDate, GeoPlace place, const QTimeZone& zone);
