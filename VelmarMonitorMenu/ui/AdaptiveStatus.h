#pragma once

#include <QString>

class AdaptiveBrightness;

// How adaptive brightness reads to the user, wherever it is shown.
namespace AdaptiveStatus {
/// "Off", "Paused after manual adjustment", the unavailable, checking or following text.
QString text(const AdaptiveBrightness& adaptive);
/// Switched on but the built-in display cannot be read: shown in a warning colour.
bool isWarning(const AdaptiveBrightness& adaptive);
} // namespace AdaptiveStatus
