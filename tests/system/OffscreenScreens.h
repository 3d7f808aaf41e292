#pragma once

// Adds, moves and removes screens of the offscreen platform while a test runs. Qt's offscreen
// plugin takes a new screen configuration through its native interface and reports the
// difference to QGuiApplication exactly as a real platform reports monitors coming and going.

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <qpa/qplatformnativeinterface.h>
#include <qpa/qwindowsysteminterface.h>
#include <QRect>

namespace OffscreenScreens {

// The offscreen plugin's function `name`, or null on any other platform.
template <class Function> Function resource(const char* name) {
    if (qGuiApp->platformName() != QLatin1String("offscreen"))
        return nullptr;
    return reinterpret_cast<Function>(qGuiApp->platformNativeInterface()->nativeResourceForIntegration(name));
}

inline QJsonObject configuration() {
    auto get = resource<QJsonObject (*)(QPlatformNativeInterface*)>("configuration");
    return get ? get(qGuiApp->platformNativeInterface()) : QJsonObject{};
}

inline bool setConfiguration(const QJsonObject& configuration) {
    auto set = resource<void (*)(const QJsonObject&, QPlatformNativeInterface*)>("setConfiguration");
    if (!set)
        return false;
    set(configuration, qGuiApp->platformNativeInterface());
    // Delivered at once, as Qt's screens would have been updated by the time a user looks.
    QWindowSystemInterface::flushWindowSystemEvents();
    return true;
}

inline QJsonObject screen(const QString& name, const QRect& rect) {
    return {{"name", name},
            {"x", rect.x()},
            {"y", rect.y()},
            {"width", rect.width()},
            {"height", rect.height()},
            {"logicalDpi", 96},
            {"logicalBaseDpi", 96},
            {"dpr", 1.0}};
}

/// Replaces the screens, keeping the rest of `base`. Screens are matched by name: a new name
/// is a monitor plugged in, a missing one a monitor unplugged, a changed rectangle a new mode
/// or arrangement.
inline bool setScreens(QJsonObject base, const QJsonArray& screens) {
    base.insert(QStringLiteral("screens"), screens);
    return setConfiguration(base);
}

} // namespace OffscreenScreens
