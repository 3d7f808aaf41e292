#pragma once

#include "monitor/MonitorInput.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// A named, partial set of monitor values applied in one go. A value the scene leaves
// out is neither written when the scene is applied nor compared when matching.
struct MonitorScene {
    enum class Kind { builtIn, custom };

    struct RGB {
        double red = 50;
        double green = 50;
        double blue = 50;
        bool operator==(const RGB&) const = default;
    };

    QUuid id;
    QString name;
    QString symbol;
    Kind kind = Kind::custom;
    std::optional<double> brightness;
    std::optional<double> contrast;
    std::optional<double> volume;
    std::optional<RGB> rgb;
    std::optional<MonitorInput> input;

    bool operator==(const MonitorScene&) const = default;

    /// True when the scene sets none of the five values.
    bool isEmpty() const;

    static const MonitorScene& movie();
    static const MonitorScene& work();
    static const MonitorScene& reading();
    static const MonitorScene& night();
    /// Movie, Work, Reading, Night, with the same fixed ids in every run.
    static const QList<MonitorScene>& builtInDefaults();

    /// The stored JSON object; absent values are left out, never written as null.
    QJsonObject toJson() const;
    /// Null counts as absent and unknown keys are ignored; anything else that is wrong fails,
    /// with the reason in `error`. A number past 0…100 is clamped to the nearer end, and a NaN
    /// leaves its value (for a colour gain, the whole colour) unset, so that no decoded value lies
    /// outside 0…100.
    static std::optional<MonitorScene> fromJson(const QJsonValue& value, QString* error = nullptr);

    /// A JSON array of scenes, compact, in list order.
    static QByteArray encodeList(const QList<MonitorScene>& scenes);
    /// Why the list has no faithful JSON form (a value that is NaN or infinite, which JSON
    /// would turn into null), or nullopt when it encodes as it is.
    static std::optional<QString> encodingError(const QList<MonitorScene>& scenes);
    /// Fails as a whole when the data is not a JSON array or any element fails; `error` then gets
    /// the failing element's reason as fromJson words it.
    static std::optional<QList<MonitorScene>> decodeList(const QByteArray& data, QString* error = nullptr);
};

QString rawValue(MonitorScene::Kind kind);
std::optional<MonitorScene::Kind> sceneKindFromRawValue(const QString& raw);

/// The standard 36-character upper-case UUID text, as stored in scenes and preferences.
QString uuidText(const QUuid& id);
/// Parses a UUID text in either case; nullopt when it is not one.
std::optional<QUuid> uuidFromText(const QString& text);
