#include "system/GlobalShortcuts.h"

#include "PortalGlobalShortcuts.h"
#include "X11GlobalShortcuts.h"

#include <QDBusConnection>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

// Xwayland gives a grab only the keys typed into X windows, so on a Wayland desktop the X
// server is no way to keys: the server says what it is by this extension.
bool isXwayland(xcb_connection_t* connection) {
    static constexpr char name[] = "XWAYLAND";
    const auto cookie = xcb_query_extension(connection, std::strlen(name), name);
    xcb_query_extension_reply_t* reply = xcb_query_extension_reply(connection, cookie, nullptr);
    const bool present = reply && reply->present;
    std::free(reply);
    return present;
}

} // namespace

// Which of the desktop's ways to keys this session offers is decided here; the grabber and the
// portal client come in their own files.
std::unique_ptr<GlobalShortcuts> makeSystemGlobalShortcuts() {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (x11 && !isXwayland(x11->connection()))
            return std::make_unique<X11GlobalShortcuts>(x11->connection());
        if (x11)
            return makePortalGlobalShortcuts(QDBusConnection::sessionBus());
    }
    // A Wayland compositor lets programs have keys only through the desktop portal.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return makePortalGlobalShortcuts(QDBusConnection::sessionBus());
    return std::make_unique<NoGlobalShortcuts>();
}
