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

} // namespace PlatformWording
