#pragma once

#include "controller/AdaptiveBrightnessState.h"

#include <QString>

class AdaptiveBrightness;

// How adaptive brightness reads to the user, wherever it is shown. Following the laptop's panel,
// every text is the one the panel and Settings have always had; following another source, the
// same sentences speak of that source.
namespace AdaptiveStatus {
/// "Off", "Paused after manual adjustment" (or, for another source, "Paused until 22:00"), the
/// unavailable, checking or following text.
QString text(const AdaptiveBrightness& adaptive);
/// Switched on but the source cannot be read: shown in a warning colour.
bool isWarning(const AdaptiveBrightness& adaptive);
/// The source as the Source picker names it: "Laptop brightness", "Light sensor", "Time of day".
QString sourceTitle(Adaptive::Source source);
/// The switch in Settings: "Follow laptop brightness", "Follow light sensor", "Follow schedule".
QString switchText(Adaptive::Source source);
/// Below the Settings section: what following does, and what a manual change does to it.
QString explanation(Adaptive::Source source);
/// The warning line in Settings when the source cannot be read; empty where none can be missing.
QString unavailableText(Adaptive::Source source);
/// The panel row's tooltip.
QString toolTip(Adaptive::Source source);
} // namespace AdaptiveStatus
