#include "system/GlobalShortcuts.h"

#include "system/DesktopSession.h"
#include "X11GlobalShortcuts.h"

#include <QGuiApplication>

// Which of the desktop's ways to keys this session offers is decided here; the grabber and the
// portal client come in their own files.
std::unique_ptr<GlobalShortcuts> makeSystemGlobalShortcuts() {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
            return std::make_unique<X11GlobalShortcuts>(x11->connection());
    }
    if (DesktopSession::isWayland()) {
        // The desktop portal's global shortcuts belong here, where the portal offers them
        // (makePortalGlobalShortcuts(), in PortalGlobalShortcuts.cpp); until then Wayland has none.
        return std::make_unique<NoGlobalShortcuts>();
    }
    return std::make_unique<NoGlobalShortcuts>();
}
