#include "system/WindowTranslucency.h"

#include <QGuiApplication>
#include <qpa/qplatformnativeinterface.h>

bool desktopBlendsTranslucentWindows() {
    // Wayland compositors always blend. On X11 the blending is done by a compositing manager,
    // which Qt's X11 platform reports (a non-null resource while one runs).
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland")))
        return true;
    if (platform != QLatin1String("xcb"))
        return true; // drawn into images (offscreen) or a platform that always composites
    auto* native = QGuiApplication::platformNativeInterface();
    return native && native->nativeResourceForScreen("compositingenabled", QGuiApplication::primaryScreen());
}
