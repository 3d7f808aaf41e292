#pragma once

#include <QString>

// The sentences that name the computer itself. The texts were written for a MacBook; on other
// platforms the same sentences name what the machine is, from one table per platform.
namespace PlatformWording {
/// Status line after adaptive brightness wrote the monitor: "Adaptive • Following MacBook".
QString adaptiveFollowingStatus();
/// Adaptive state while following: "Following MacBook brightness".
QString followingBuiltInBrightness();
/// Adaptive state before the first reading: "Checking MacBook brightness…".
QString checkingBuiltInBrightness();
/// Adaptive state when the built-in display cannot be read: "Unavailable on this Mac".
QString unavailableOnThisComputer();
/// Tooltip of the adaptive switch: "Follow the MacBook's automatic brightness".
QString followAutomaticBrightness();
/// The adaptive switch in Settings: "Follow MacBook brightness".
QString followBuiltInBrightnessSwitch();
/// The built-in panel among adaptive brightness's sources: "MacBook brightness".
QString builtInBrightnessSource();
/// Below the adaptive settings: "Follows the brightness macOS chooses for the built-in display. ...".
QString adaptiveBrightnessExplanation();
/// "The built-in display brightness is unavailable on this Mac."
QString builtInBrightnessUnavailable();
/// Below the login switch: "Velmar Monitor lives in the menu bar. ...".
QString launchAtLoginExplanation();
/// In Settings where the desktop lets no program take keys of its own: how to bind the
/// command line in the desktop's own keyboard settings instead.
QString shortcutsUnavailable();
/// The credit for what talks to the monitor in this build, and where its source lives.
QString monitorAccessCredit();
QString monitorAccessCreditLink();
} // namespace PlatformWording
