#include "system/DesktopSession.h"

#include <QGuiApplication>
#include <qpa/qplatformnativeinterface.h>

namespace DesktopSession {

bool isWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool blendsTranslucentWindows() {
    // Wayland compositors always blend. On X11 the blending is done by a compositing manager,
    // which Qt's X11 platform reports (a non-null resource while one runs).
    if (isWayland())
        return true;
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return true; // drawn into images (offscreen) or a platform that always composites
    auto* native = QGuiApplication::platformNativeInterface();
    return native && native->nativeResourceForScreen("compositingenabled", QGuiApplication::primaryScreen());
}

// Tray hosts show an icon as it is drawn and keep its menu for the right button.
bool trayTintsIcons() {
    return false;
}

bool trayMenuTakesEveryClick() {
    return false;
}

} // namespace DesktopSession
