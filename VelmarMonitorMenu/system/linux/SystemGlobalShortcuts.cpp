#include "system/GlobalShortcuts.h"

#include "PortalGlobalShortcuts.h"

#include <QGuiApplication>

// Which of the desktop's ways to keys this session offers is decided here; the grabber and the
// portal client come in their own files.
std::unique_ptr<GlobalShortcuts> makeSystemGlobalShortcuts() {
    // A Wayland compositor lets programs have keys only through the desktop portal.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return makePortalGlobalShortcuts(QDBusConnection::sessionBus());
    return std::make_unique<NoGlobalShortcuts>();
}
