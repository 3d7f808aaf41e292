#pragma once

#include <QObject>

// How adaptive brightness stands, in the words of no view in particular: the controller
// derives it once, and each view turns it into its own words.
namespace Adaptive {
Q_NAMESPACE

/// Whether the built-in display's brightness can be read, as far as the last sample knows.
enum class Support { unknown, yes, no };
Q_ENUM_NS(Support)

/// What the user is told, first match wins: switched off; paused after a manual change;
/// the built-in display cannot be read; not sampled yet; following it.
enum class State { off, paused, unavailable, checking, following };
Q_ENUM_NS(State)

} // namespace Adaptive
