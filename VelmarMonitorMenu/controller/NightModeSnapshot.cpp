#include "NightModeSnapshot.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

void NightModeSnapshot::set(MonitorFeature feature, double value) {
    switch (feature) {
    case MonitorFeature::brightness:
        brightness = value;
        break;
    case MonitorFeature::red:
        red = value;
        break;
    case MonitorFeature::green:
        green = value;
        break;
    case MonitorFeature::blue:
        blue = value;
        break;
    case MonitorFeature::contrast:
    case MonitorFeature::volume:
        break;
    }
}

QByteArray NightModeSnapshot::toJson() const {
    const QJsonObject object{
        {QStringLiteral("brightness"), brightness},
        {QStringLiteral("red"), red},
        {QStringLiteral("green"), green},
        {QStringLiteral("blue"), blue},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<NightModeSnapshot> NightModeSnapshot::fromJson(const QByteArray& data) {
    QJsonParseError error{};
    const auto document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const auto object = document.object();
    NightModeSnapshot snapshot;
    const std::pair<const char*, double*> fields[] = {
        {"brightness", &snapshot.brightness},
        {"red", &snapshot.red},
        {"green", &snapshot.green},
        {"blue", &snapshot.blue},
    };
    for (const auto& [key, target] : fields) {
        const auto value = object.value(QLatin1String(key));
        if (!value.isDouble() || std::isnan(value.toDouble()))
            return std::nullopt;
        // A hand-edited file may hold anything; the sliders and the monitor take 0...100.
        *target = std::clamp(value.toDouble(), 0.0, 100.0);
    }
    return snapshot;
}
