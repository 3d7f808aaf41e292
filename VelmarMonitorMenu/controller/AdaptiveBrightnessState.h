#pragma once

#include <QObject>
#include <QString>

#include <optional>

// How adaptive brightness stands, in the words of no view in particular: the controller
// derives it once, and each view turns it into its own words.
namespace Adaptive {
Q_NAMESPACE

/// Whether the built-in display's brightness can be read, as far as the last sample knows.
enum class Support { unknown, yes, no };
Q_ENUM_NS(Support)

/// What the user is told, first match wins: switched off; paused after a manual change;
/// the source cannot be read; not read yet; following it.
enum class State { off, paused, unavailable, checking, following };
Q_ENUM_NS(State)

/// What the monitor follows: the laptop's own panel (the default), the ambient light sensor, or
/// the schedule for the time of day.
enum class Source { laptop, lightSensor, schedule };
Q_ENUM_NS(Source)

/// "laptop", "light-sensor", "schedule": the settings', the bus's and the command line's word.
QString sourceName(Source source);
std::optional<Source> sourceFromName(QStringView name);

} // namespace Adaptive
