#include "MonitorBus.h"

#include <QDBusMetaType>

namespace MonitorBus {

QString displayPath(const QString& id) {
    // The helper's ids are 16 hexadecimal digits: a valid path element as they are.
    return QLatin1String(objectPath) + QStringLiteral("/Display/") + id;
}

QString featureName(MonitorFeature feature) {
    // The helper's words but one: "luminance" is what the monitor calls brightness, not the user.
    return feature == MonitorFeature::brightness ? QStringLiteral("brightness") : rawValue(feature);
}

std::optional<MonitorFeature> featureFromName(const QString& name) {
    for (const auto feature : MonitorFeatures::allCases) {
        if (featureName(feature).compare(name, Qt::CaseInsensitive) == 0)
            return feature;
    }
    return std::nullopt;
}

std::optional<MonitorInput> inputFromName(const QString& name) {
    // Shortcut files are typed by hand: spaces, hyphens and underscores are ignored.
    QString word = name.toLower();
    word.remove(QLatin1Char(' ')).remove(QLatin1Char('-')).remove(QLatin1Char('_'));
    if (word == QLatin1String("dp"))
        return MonitorInput::displayPort;
    for (const auto input : MonitorInputs::allCases) {
        if (rawValue(input).toLower() == word)
            return input;
    }
    return std::nullopt;
}

void registerTypes() {
    qDBusRegisterMetaType<SceneEntry>();
    qDBusRegisterMetaType<SceneList>();
    qDBusRegisterMetaType<DisplayEntry>();
    qDBusRegisterMetaType<DisplayList>();
    qDBusRegisterMetaType<SchedulePoint>();
    qDBusRegisterMetaType<Schedule>();
}

} // namespace MonitorBus

QDBusArgument& operator<<(QDBusArgument& argument, const MonitorBus::SceneEntry& entry) {
    argument.beginStructure();
    argument << entry.id << entry.name;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, MonitorBus::SceneEntry& entry) {
    argument.beginStructure();
    argument >> entry.id >> entry.name;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const MonitorBus::DisplayEntry& entry) {
    argument.beginStructure();
    argument << entry.id << entry.name << entry.path;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, MonitorBus::DisplayEntry& entry) {
    argument.beginStructure();
    argument >> entry.id >> entry.name >> entry.path;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const MonitorBus::SchedulePoint& point) {
    argument.beginStructure();
    argument << point.when << point.offset << point.brightness;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, MonitorBus::SchedulePoint& point) {
    argument.beginStructure();
    argument >> point.when >> point.offset >> point.brightness;
    argument.endStructure();
    return argument;
}
