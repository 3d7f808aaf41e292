#include "system/DesktopSession.h"

// The macOS window server places every window where it is asked to and composites them all.
namespace DesktopSession {

bool isWayland() {
    return false;
}

bool blendsTranslucentWindows() {
    return true;
}

// The menu bar shows its items as template images, light or dark with the bar, and an item with
// a menu opens it on every click.
bool trayTintsIcons() {
    return true;
}

bool trayMenuTakesEveryClick() {
    return true;
}

} // namespace DesktopSession
