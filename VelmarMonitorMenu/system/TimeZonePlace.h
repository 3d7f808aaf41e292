#pragma once

#include "GeoPlace.h"

#include <QByteArray>
#include <QString>

#include <optional>

/// Where the time-zone database keeps its tables: $TZDIR when set (as the C library reads it),
/// else /usr/share/zoneinfo.
QString defaultTimeZoneTableFolder();

/// The reference place the time-zone database gives for a zone, such as Berlin for
/// "Europe/Berlin": a stand-in for where the user is when the sun's times are wanted and no
/// location is known. Looks in `tableFolder`'s zone1970.tab, then in zone.tab (which still
/// lists zones that zone1970.tab has merged into others, such as Europe/Oslo), then does the
/// same for the zone a link in the folder points to (Europe/Kiev → Europe/Kyiv).
///
/// The tables are read as untrusted text: a line that is not a well-formed entry, or whose
/// coordinates are out of range, is skipped. Nullopt when no table names the zone (UTC and the
/// Etc/ zones have no place) or no table can be read.
std::optional<GeoPlace> referencePlace(const QByteArray& zoneId,
                                       const QString& tableFolder = defaultTimeZoneTableFolder());

/// One ISO 6709 coordinate pair as the tables write it: ±DDMM±DDDMM or ±DDMMSS±DDDMMSS.
/// Nullopt for any other text, minutes or seconds of 60 or more, or a latitude beyond 90° or a
/// longitude beyond 180°.
std::optional<GeoPlace> placeFromIso6709(QByteArrayView coordinates);
