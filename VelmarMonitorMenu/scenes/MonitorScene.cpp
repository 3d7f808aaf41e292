#include "MonitorScene.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <algorithm>
#include <cmath>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("MonitorScene", text);
}

MonitorScene builtIn(const char* id, const char* name, const char* symbol, double brightness, double contrast,
                     MonitorScene::RGB rgb) {
    MonitorScene scene;
    scene.id = QUuid::fromString(QLatin1StringView(id));
    scene.name = QString::fromLatin1(name);
    scene.symbol = QString::fromLatin1(symbol);
    scene.kind = MonitorScene::Kind::builtIn;
    scene.brightness = brightness;
    scene.contrast = contrast;
    scene.rgb = rgb;
    return scene;
}

const QString idKey = QStringLiteral("id");
const QString nameKey = QStringLiteral("name");
const QString symbolKey = QStringLiteral("symbol");
const QString kindKey = QStringLiteral("kind");
const QString brightnessKey = QStringLiteral("brightness");
const QString contrastKey = QStringLiteral("contrast");
const QString volumeKey = QStringLiteral("volume");
const QString rgbKey = QStringLiteral("rgb");
const QString inputKey = QStringLiteral("input");
const QString redKey = QStringLiteral("red");
const QString greenKey = QStringLiteral("green");
const QString blueKey = QStringLiteral("blue");

// The monitor, the sliders and matching know only 0…100, and a stored value may have been edited
// by hand. A number past either end is taken as that end: the scene stays usable and most likely
// means what was intended (1e300 is "full"). NaN has no place on the scale, so the value is left
// unset, as if the scene did not set it.
std::optional<double> onScale(double value) {
    if (std::isnan(value))
        return std::nullopt;
    return std::clamp(value, 0.0, 100.0);
}

// Reads the values of one scene object and keeps the first reason it cannot be read.
class Reader {
public:
    explicit Reader(const QJsonObject& object) : m_object(object) {}

    std::optional<QString> requiredString(const QString& key) {
        const QJsonValue value = m_object.value(key);
        if (value.isUndefined()) {
            fail(tr("The key \"%1\" is missing.").arg(key));
            return std::nullopt;
        }
        if (!value.isString()) {
            fail(tr("\"%1\" must be a string.").arg(key));
            return std::nullopt;
        }
        return value.toString();
    }

    // Null reads like a missing key: both leave the value unset.
    std::optional<double> optionalNumber(const QString& key) {
        const QJsonValue value = m_object.value(key);
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        if (!value.isDouble()) {
            fail(tr("\"%1\" must be a number.").arg(key));
            return std::nullopt;
        }
        return onScale(value.toDouble());
    }

    std::optional<MonitorScene::RGB> optionalRGB() {
        const QJsonValue value = m_object.value(rgbKey);
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        if (!value.isObject()) {
            fail(tr("\"rgb\" must be an object."));
            return std::nullopt;
        }
        const QJsonObject channels = value.toObject();
        const auto gain = [&](const QString& key) -> double {
            const QJsonValue channel = channels.value(key);
            if (channel.isUndefined())
                fail(tr("\"rgb\" lacks \"%1\".").arg(key));
            else if (!channel.isDouble())
                fail(tr("\"rgb\" has a \"%1\" that is not a number.").arg(key));
            return channel.toDouble();
        };
        const auto red = onScale(gain(redKey)), green = onScale(gain(greenKey)),
                   blue = onScale(gain(blueKey));
        // The three gains are set together or not at all.
        if (failed() || !red || !green || !blue)
            return std::nullopt;
        return MonitorScene::RGB{*red, *green, *blue};
    }

    std::optional<MonitorInput> optionalInput() {
        const QJsonValue value = m_object.value(inputKey);
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        if (!value.isString()) {
            fail(tr("\"input\" must be a string."));
            return std::nullopt;
        }
        const QString raw = value.toString();
        const auto input = monitorInputFromRawValue(raw);
        if (!input)
            fail(tr("Unknown monitor input: %1").arg(raw));
        return input;
    }

    void fail(QString reason) {
        if (!m_error)
            m_error = std::move(reason);
    }
    bool failed() const { return m_error.has_value(); }
    const std::optional<QString>& error() const { return m_error; }

private:
    QJsonObject m_object;
    std::optional<QString> m_error;
};

std::optional<QString> nonFiniteValue(const MonitorScene& scene) {
    const auto check = [](const std::optional<double>& value) { return !value || std::isfinite(*value); };
    if (!check(scene.brightness))
        return QStringLiteral("brightness");
    if (!check(scene.contrast))
        return QStringLiteral("contrast");
    if (!check(scene.volume))
        return QStringLiteral("volume");
    if (scene.rgb &&
        !(std::isfinite(scene.rgb->red) && std::isfinite(scene.rgb->green) && std::isfinite(scene.rgb->blue)))
        return QStringLiteral("rgb");
    return std::nullopt;
}

} // namespace

bool MonitorScene::isEmpty() const {
    return !brightness && !contrast && !volume && !rgb && !input;
}

const MonitorScene& MonitorScene::movie() {
    static const MonitorScene scene =
        builtIn("77B56D67-531C-457C-91DA-4C0B72EA46A1", "Movie", "film.fill", 35, 75, {50, 47, 43});
    return scene;
}

const MonitorScene& MonitorScene::work() {
    static const MonitorScene scene =
        builtIn("3CCEB51F-AAB9-44F6-A9D0-2C808503C987", "Work", "briefcase.fill", 70, 70, {50, 50, 50});
    return scene;
}

const MonitorScene& MonitorScene::reading() {
    static const MonitorScene scene =
        builtIn("6F62CC9C-638D-401A-88A9-A255786BBD62", "Reading", "book.fill", 45, 65, {50, 47, 42});
    return scene;
}

const MonitorScene& MonitorScene::night() {
    static const MonitorScene scene =
        builtIn("C01C87F8-D096-4338-9DB0-087C08816FA4", "Night", "moon.stars.fill", 20, 60, {50, 44, 36});
    return scene;
}

const QList<MonitorScene>& MonitorScene::builtInDefaults() {
    static const QList<MonitorScene> scenes = {movie(), work(), reading(), night()};
    return scenes;
}

QJsonObject MonitorScene::toJson() const {
    QJsonObject object;
    object.insert(idKey, uuidText(id));
    object.insert(nameKey, name);
    object.insert(symbolKey, symbol);
    object.insert(kindKey, rawValue(kind));
    if (brightness)
        object.insert(brightnessKey, *brightness);
    if (contrast)
        object.insert(contrastKey, *contrast);
    if (volume)
        object.insert(volumeKey, *volume);
    if (rgb)
        object.insert(rgbKey, QJsonObject{{redKey, rgb->red}, {greenKey, rgb->green}, {blueKey, rgb->blue}});
    if (input)
        object.insert(inputKey, rawValue(*input));
    return object;
}

std::optional<MonitorScene> MonitorScene::fromJson(const QJsonValue& value, QString* error) {
    const auto failWith = [error](const QString& reason) -> std::optional<MonitorScene> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    if (!value.isObject())
        return failWith(tr("A scene must be a JSON object."));

    Reader reader(value.toObject());
    MonitorScene scene;
    const auto idText = reader.requiredString(idKey);
    const auto name = reader.requiredString(nameKey);
    const auto symbol = reader.requiredString(symbolKey);
    const auto kindText = reader.requiredString(kindKey);
    if (idText) {
        if (auto id = uuidFromText(*idText))
            scene.id = *id;
        else
            reader.fail(tr("The id \"%1\" is not a UUID.").arg(*idText));
    }
    if (kindText) {
        if (auto kind = sceneKindFromRawValue(*kindText))
            scene.kind = *kind;
        else
            reader.fail(tr("The kind \"%1\" is neither \"builtIn\" nor \"custom\".").arg(*kindText));
    }
    scene.name = name.value_or(QString());
    scene.symbol = symbol.value_or(QString());
    scene.brightness = reader.optionalNumber(brightnessKey);
    scene.contrast = reader.optionalNumber(contrastKey);
    scene.volume = reader.optionalNumber(volumeKey);
    scene.rgb = reader.optionalRGB();
    scene.input = reader.optionalInput();

    if (reader.failed())
        return failWith(*reader.error());
    return scene;
}

QByteArray MonitorScene::encodeList(const QList<MonitorScene>& scenes) {
    QJsonArray array;
    for (const auto& scene : scenes)
        array.append(scene.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QString> MonitorScene::encodingError(const QList<MonitorScene>& scenes) {
    for (const auto& scene : scenes) {
        if (auto key = nonFiniteValue(scene))
            return tr("The scene \"%1\" has a %2 value that is not a finite number.").arg(scene.name, *key);
    }
    return std::nullopt;
}

std::optional<QList<MonitorScene>> MonitorScene::decodeList(const QByteArray& data, QString* error) {
    const auto failWith = [error](const QString& reason) -> std::optional<QList<MonitorScene>> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return failWith(tr("The data is not valid JSON (%1 at byte %2).")
                            .arg(parseError.errorString())
                            .arg(parseError.offset));
    if (!document.isArray())
        return failWith(tr("The data is not a JSON array."));

    const QJsonArray array = document.array();
    QList<MonitorScene> scenes;
    scenes.reserve(array.size());
    for (const QJsonValue& element : array) {
        QString reason;
        auto scene = fromJson(element, &reason);
        if (!scene)
            return failWith(reason);
        scenes.append(std::move(*scene));
    }
    return scenes;
}

QString rawValue(MonitorScene::Kind kind) {
    switch (kind) {
    case MonitorScene::Kind::builtIn:
        return QStringLiteral("builtIn");
    case MonitorScene::Kind::custom:
        return QStringLiteral("custom");
    }
    return {};
}

std::optional<MonitorScene::Kind> sceneKindFromRawValue(const QString& raw) {
    for (auto kind : {MonitorScene::Kind::builtIn, MonitorScene::Kind::custom}) {
        if (rawValue(kind) == raw)
            return kind;
    }
    return std::nullopt;
}

QString uuidText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> uuidFromText(const QString& text) {
    // QUuid::fromString also takes braces and ignores trailing text; only the plain
    // 8-4-4-4-12 form is a stored id.
    if (text.size() != 36)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool hyphenPlace = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (hyphenPlace ? c != u'-' : !hex)
            return std::nullopt;
    }
    return QUuid::fromString(text);
}
