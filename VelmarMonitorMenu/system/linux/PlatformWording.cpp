#include "system/PlatformWording.h"

#include <QCoreApplication>

// A Linux machine with a built-in panel is a laptop; the desktop it runs is no "Mac".
namespace PlatformWording {

QString adaptiveFollowingStatus() {
    return QCoreApplication::translate("PlatformWording", "Adaptive • Following laptop");
}

QString followingBuiltInBrightness() {
    return QCoreApplication::translate("PlatformWording", "Following laptop brightness");
}

QString checkingBuiltInBrightness() {
    return QCoreApplication::translate("PlatformWording", "Checking laptop brightness…");
}

QString unavailableOnThisComputer() {
    return QCoreApplication::translate("PlatformWording", "Unavailable on this computer");
}

QString followAutomaticBrightness() {
    return QCoreApplication::translate("PlatformWording", "Follow the laptop's automatic brightness");
}

QString followBuiltInBrightnessSwitch() {
    return QCoreApplication::translate("PlatformWording", "Follow laptop brightness");
}

QString builtInBrightnessSource() {
    return QCoreApplication::translate("PlatformWording", "Laptop brightness");
}

QString adaptiveBrightnessExplanation() {
    return QCoreApplication::translate("PlatformWording",
                                       "Follows the brightness the desktop chooses for the laptop's built-in "
                                       "display. Manual changes pause following for 30 minutes.");
}

QString builtInBrightnessUnavailable() {
    return QCoreApplication::translate("PlatformWording",
                                       "The built-in display brightness is unavailable on this computer.");
}

QString launchAtLoginExplanation() {
    return QCoreApplication::translate(
        "PlatformWording",
        "Velmar Monitor lives in the system tray. Enable this to have it ready whenever you log in.");
}

QString shortcutsUnavailable() {
    return QCoreApplication::translate(
        "PlatformWording",
        "This desktop does not let programs take keys of their own. Bind a command in the "
        "desktop's keyboard settings instead (GNOME: Settings → Keyboard → Custom Shortcuts; KDE: "
        "System Settings → Shortcuts → Add New → Command), for example "
        "\"velmar-monitor --brightness +10\" and \"velmar-monitor --brightness -10\".");
}

// On Linux the program talks to the monitor through its own helper, which finds the display
// with libddcutil.
QString monitorAccessCredit() {
    return QCoreApplication::translate(
        "PlatformWording", "DDC/CI through Velmar's own helper and libddcutil by Sanford Rockowitz "
                           "(GPL-2.0-or-later)");
}

QString monitorAccessCreditLink() {
    return QStringLiteral("https://www.ddcutil.com/");
}

} // namespace PlatformWording
