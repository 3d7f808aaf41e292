#pragma once

// Adds, moves and removes screens of the offscreen platform while a test runs. Qt's offscreen
// plugin takes a new screen configuration through its native interface and reports the
// difference to QGuiApplication exactly as a real platform reports monitors coming and going.

#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <qpa/qplatformnativeinterface.h>
#include <qpa/qwindowsysteminterface.h>
#include <QRect>

namespace OffscreenScreens {

inline QPlatformNativeInterface* platform() {
    return qGuiApp->platformName() == QLatin1String("offscreen") ? qGuiApp->platformNativeInterface()
                                                                 : nullptr;
}

inline QJsonObject configuration() {
    auto* native = platform();
    if (!native)
        return {};
    using Getter = QJsonObject (*)(QPlatformNativeInterface*);
    auto get = reinterpret_cast<Getter>(native->nativeResourceForIntegration("configuration"));
    return get ? get(native) : QJsonObject{};
}

inline bool setConfiguration(const QJsonObject& configuration) {
    auto* native = platform();
    if (!native)
        return false;
    using Setter = void (*)(const QJsonObject&, QPlatformNativeInterface*);
    auto set = reinterpret_cast<Setter>(native->nativeResourceForIntegration("setConfiguration"));
    if (!set)
        return false;
    set(configuration, native);
    return true;
}

inline QJsonObject screen(const QString& name, const QRect& geometry) {
    return QJsonObject{{"name", name},
                       {"x", geometry.x()},
                       {"y", geometry.y()},
                       {"width", geometry.width()},
                       {"height", geometry.height()},
                       {"logicalDpi", 96},
                       {"logicalBaseDpi", 96},
                       {"dpr", 1.0}};
}

/// Replaces the screens, keeping the rest of `base`. Screens are matched by name: a new name
/// is a monitor plugged in, a missing one a monitor unplugged, a changed rectangle a new mode
/// or arrangement.
inline bool setScreens(const QJsonObject& base, const QJsonArray& screens) {
    QJsonObject configuration = base;
    configuration.insert(QStringLiteral("screens"), screens);
    return setConfiguration(configuration);
}

/// Delivers the platform's queued screen changes, then whatever they posted in turn.
inline void flush() {
    QWindowSystemInterface::flushWindowSystemEvents();
    QCoreApplication::sendPostedEvents();
}

} // namespace OffscreenScreens
