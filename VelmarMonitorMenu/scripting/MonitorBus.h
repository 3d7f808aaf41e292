#pragma once

#include "monitor/MonitorFeature.h"
#include "monitor/MonitorInput.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

// Where the running program answers on the user's session bus, and the words of its scripting
// interface: shared by the instance and the command line so that the two cannot disagree.
namespace MonitorBus {
inline constexpr auto serviceName = "com.velmar.Monitor";
/// The main monitor, whichever it is.
inline constexpr auto objectPath = "/com/velmar/Monitor";
/// Raising the window, for a second launch.
inline constexpr auto applicationInterface = "com.velmar.Monitor.Application";
/// The controller, for scripts and keyboard shortcuts.
inline constexpr auto controlInterface = "com.velmar.Monitor1";

/// Where the monitor with this id (as the helper lists it) is served, the main one too.
QString displayPath(const QString& id);

// Refusals of our own; bad arguments get the standard org.freedesktop.DBus.Error.InvalidArgs.
inline constexpr auto busyError = "com.velmar.Monitor1.Error.Busy";
inline constexpr auto notReadError = "com.velmar.Monitor1.Error.NotRead";
/// The monitor went while the call waited for it.
inline constexpr auto disconnectedError = "com.velmar.Monitor1.Error.Disconnected";

/// The interface's word for a feature: brightness, contrast, volume, red, green or blue.
QString featureName(MonitorFeature feature);
/// The feature with this word, in any case.
std::optional<MonitorFeature> featureFromName(const QString& name);
/// The input with this stored word (usbC, displayPort, hdmi1, hdmi2) or a common spelling of
/// it (usb-c, dp, hdmi-1, "HDMI 1"), in any case.
std::optional<MonitorInput> inputFromName(const QString& name);

/// One scene as the interface lists it: signature (ss), its id and its name.
struct SceneEntry {
    QString id;
    QString name;
    bool operator==(const SceneEntry&) const = default;
};
using SceneList = QList<SceneEntry>;

/// One monitor as the interface lists it: signature (sso), its id, its name and its object. A
/// monitor whose id is not known yet (a helper that cannot list monitors) has an empty id and
/// the main object's path.
struct DisplayEntry {
    QString id;
    QString name;
    QDBusObjectPath path;
    bool operator==(const DisplayEntry&) const = default;
};
using DisplayList = QList<DisplayEntry>;

/// One point of the brightness schedule as the interface carries it: signature (sii), when it
/// happens ("HH:MM", or sunrise, sunset, dawn or dusk), the offset in minutes (for an event) and
/// the brightness.
struct SchedulePoint {
    QString when;
    int offset = 0;
    int brightness = 0;
    bool operator==(const SchedulePoint&) const = default;
};
using Schedule = QList<SchedulePoint>;

/// The interface's word for adaptive brightness's sources: laptop, light-sensor, schedule.
inline constexpr auto sourceNames = "laptop, light-sensor, schedule";
/// Following a source the machine does not have now (a light sensor).
inline constexpr auto unavailableError = "com.velmar.Monitor1.Error.Unavailable";

/// Makes SceneEntry, DisplayEntry, SchedulePoint and their lists known to Qt D-Bus; safe to call
/// more than once.
void registerTypes();
} // namespace MonitorBus

Q_DECLARE_METATYPE(MonitorBus::SceneEntry)
Q_DECLARE_METATYPE(MonitorBus::DisplayEntry)
Q_DECLARE_METATYPE(MonitorBus::SchedulePoint)

QDBusArgument& operator<<(QDBusArgument& argument, const MonitorBus::SceneEntry& entry);
const QDBusArgument& operator>>(const QDBusArgument& argument, MonitorBus::SceneEntry& entry);
QDBusArgument& operator<<(QDBusArgument& argument, const MonitorBus::DisplayEntry& entry);
const QDBusArgument& operator>>(const QDBusArgument& argument, MonitorBus::DisplayEntry& entry);
QDBusArgument& operator<<(QDBusArgument& argument, const MonitorBus::SchedulePoint& point);
const QDBusArgument& operator>>(const QDBusArgument& argument, MonitorBus::SchedulePoint& point);
