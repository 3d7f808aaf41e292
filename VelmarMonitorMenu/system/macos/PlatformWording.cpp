#include "system/PlatformWording.h"

#include <QCoreApplication>

// The program was written for the Mac: here every sentence is the original one.
namespace PlatformWording {

QString adaptiveFollowingStatus() {
    return QCoreApplication::translate("PlatformWording", "Adaptive • Following MacBook");
}

QString followingBuiltInBrightness() {
    return QCoreApplication::translate("PlatformWording", "Following MacBook brightness");
}

QString checkingBuiltInBrightness() {
    return QCoreApplication::translate("PlatformWording", "Checking MacBook brightness…");
}

QString unavailableOnThisComputer() {
    return QCoreApplication::translate("PlatformWording", "Unavailable on this Mac");
}

QString followAutomaticBrightness() {
    return QCoreApplication::translate("PlatformWording", "Follow the MacBook's automatic brightness");
}

QString followBuiltInBrightnessSwitch() {
    return QCoreApplication::translate("PlatformWording", "Follow MacBook brightness");
}

QString builtInBrightnessSource() {
    return QCoreApplication::translate("PlatformWording", "MacBook brightness");
}

QString adaptiveBrightnessExplanation() {
    return QCoreApplication::translate(
        "PlatformWording", "Follows the brightness macOS chooses for the built-in display. Manual "
                           "changes pause following for 30 minutes.");
}

QString builtInBrightnessUnavailable() {
    return QCoreApplication::translate("PlatformWording",
                                       "The built-in display brightness is unavailable on this Mac.");
}

QString launchAtLoginExplanation() {
    return QCoreApplication::translate(
        "PlatformWording",
        "Velmar Monitor lives in the menu bar. Enable this to have it ready whenever you log in.");
}

QString shortcutsUnavailable() {
    return QCoreApplication::translate(
        "PlatformWording",
        "Velmar Monitor cannot take keys of its own on this Mac yet.");
}

// On the Mac the program talks to the monitor through m1ddc, built from its public source and
// carried inside the app bundle.
QString monitorAccessCredit() {
    return QCoreApplication::translate("PlatformWording", "DDC/CI through m1ddc by waydabber (MIT License)");
}

QString monitorAccessCreditLink() {
    return QStringLiteral("https://github.com/waydabber/m1ddc");
}

} // namespace PlatformWording
