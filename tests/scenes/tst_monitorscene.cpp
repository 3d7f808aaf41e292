#include "scenes/SceneTesting.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

QJsonObject parseObject(const char* json) {
    return QJsonDocument::fromJson(json).object();
}

QStringList sortedKeys(const QJsonObject& object) {
    QStringList keys = object.keys();
    keys.sort();
    return keys;
}

// A scene that sets every field, so a round trip exercises all nine.
MonitorScene fullScene() {
    MonitorScene scene;
    scene.id = QUuid::fromString(QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e"));
    scene.name = QStringLiteral("Gaming – 夜");
    scene.symbol = QStringLiteral("gamecontroller.fill");
    scene.kind = MonitorScene::Kind::custom;
    scene.brightness = 62.5;
    scene.contrast = 0;
    scene.volume = 100;
    scene.rgb = MonitorScene::RGB{48.25, 0.5, 100};
    scene.input = MonitorInput::hdmi2;
    return scene;
}

} // namespace

class TestMonitorScene : public QObject {
    Q_OBJECT

private slots:
    void builtInScenes_data();
    void builtInScenes();
    void builtInDefaultsOrder();

    void encodeLeavesOutAbsentValues();
    void encodeBuiltInWork();
    void encodeListIsCompactArrayInOrder();
    void roundTripKeepsEveryField();

    void decodeAccepts_data();
    void decodeAccepts();
    void decodeRejects_data();
    void decodeRejects();
    void decodeListFailsAsWhole_data();
    void decodeListFailsAsWhole();

    void equalityComparesEveryField();
    void kindRawValues();
    void uuidText_data();
    void uuidText();
    void nonFiniteValuesHaveNoJsonForm();
};

void TestMonitorScene::builtInScenes_data() {
    QTest::addColumn<MonitorScene>("scene");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QList<double>>("values"); // brightness, contrast, red, green, blue

    QTest::newRow("movie") << MonitorScene::movie() << "77B56D67-531C-457C-91DA-4C0B72EA46A1"
                           << "Movie"
                           << "film.fill" << QList<double>{35, 75, 50, 47, 43};
    QTest::newRow("work") << MonitorScene::work() << "3CCEB51F-AAB9-44F6-A9D0-2C808503C987"
                          << "Work"
                          << "briefcase.fill" << QList<double>{70, 70, 50, 50, 50};
    QTest::newRow("reading") << MonitorScene::reading() << "6F62CC9C-638D-401A-88A9-A255786BBD62"
                             << "Reading"
                             << "book.fill" << QList<double>{45, 65, 50, 47, 42};
    QTest::newRow("night") << MonitorScene::night() << "C01C87F8-D096-4338-9DB0-087C08816FA4"
                           << "Night"
                           << "moon.stars.fill" << QList<double>{20, 60, 50, 44, 36};
}

// Input preferences store these ids, so they must be the same in every installation and run.
void TestMonitorScene::builtInScenes() {
    QFETCH(MonitorScene, scene);
    QFETCH(QString, id);
    QFETCH(QString, name);
    QFETCH(QString, symbol);
    QFETCH(QList<double>, values);

    QCOMPARE(::uuidText(scene.id), id);
    QCOMPARE(scene.name, name);
    QCOMPARE(scene.symbol, symbol);
    QCOMPARE(scene.kind, MonitorScene::Kind::builtIn);
    QCOMPARE(scene.brightness, std::optional<double>(values[0]));
    QCOMPARE(scene.contrast, std::optional<double>(values[1]));
    QVERIFY(scene.rgb.has_value());
    QCOMPARE(*scene.rgb, (MonitorScene::RGB{values[2], values[3], values[4]}));
    QVERIFY(!scene.volume.has_value());
    QVERIFY(!scene.input.has_value());
    QVERIFY(!scene.isEmpty());
}

void TestMonitorScene::builtInDefaultsOrder() {
    const auto& defaults = MonitorScene::builtInDefaults();
    QCOMPARE(defaults.size(), 4);
    QStringList names;
    for (const auto& scene : defaults)
        names << scene.name;
    QCOMPARE(names, (QStringList{"Movie", "Work", "Reading", "Night"}));
    QCOMPARE(defaults[0], MonitorScene::movie());
    QCOMPARE(defaults[3], MonitorScene::night());
}

void TestMonitorScene::encodeLeavesOutAbsentValues() {
    MonitorScene scene;
    scene.id = QUuid::createUuid();
    scene.name = QStringLiteral("Dim");
    scene.symbol = QStringLiteral("sun.min");
    scene.brightness = 12;

    const QJsonObject object = scene.toJson();
    QCOMPARE(sortedKeys(object), (QStringList{"brightness", "id", "kind", "name", "symbol"}));
    QCOMPARE(object["brightness"].toDouble(), 12.0);
    QCOMPARE(object["kind"].toString(), "custom");
    // Upper-case, hyphenated, no braces.
    QCOMPARE(object["id"].toString(), scene.id.toString(QUuid::WithoutBraces).toUpper());
    QCOMPARE(object["id"].toString().size(), 36);
}

void TestMonitorScene::encodeBuiltInWork() {
    const QJsonObject object = MonitorScene::work().toJson();
    QCOMPARE(object["kind"].toString(), "builtIn");
    QCOMPARE(object["id"].toString(), "3CCEB51F-AAB9-44F6-A9D0-2C808503C987");
    const QJsonObject rgb = object["rgb"].toObject();
    QCOMPARE(sortedKeys(rgb), (QStringList{"blue", "green", "red"}));
    QCOMPARE(rgb["red"].toDouble(), 50.0);
    QCOMPARE(rgb["green"].toDouble(), 50.0);
    QCOMPARE(rgb["blue"].toDouble(), 50.0);
    QVERIFY(!object.contains("volume"));
    QVERIFY(!object.contains("input"));
}

void TestMonitorScene::encodeListIsCompactArrayInOrder() {
    const QByteArray data = MonitorScene::encodeList({MonitorScene::night(), fullScene()});
    QVERIFY(!data.contains('\n'));
    QVERIFY(!data.contains(": "));
    QVERIFY(!data.contains("null"));
    const QJsonArray array = QJsonDocument::fromJson(data).array();
    QCOMPARE(array.size(), 2);
    QCOMPARE(array[0].toObject()["name"].toString(), "Night");
    QCOMPARE(array[1].toObject()["input"].toString(), "hdmi2");
    QCOMPARE(MonitorScene::encodeList({}), QByteArray("[]"));
}

void TestMonitorScene::roundTripKeepsEveryField() {
    const QList<MonitorScene> scenes = {fullScene(), MonitorScene::movie()};
    QString error;
    const auto decoded = MonitorScene::decodeList(MonitorScene::encodeList(scenes), &error);
    QVERIFY2(decoded.has_value(), qPrintable(error));
    QCOMPARE(*decoded, scenes);
}

void TestMonitorScene::decodeAccepts_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<MonitorScene>("expected");

    MonitorScene base;
    base.id = QUuid::fromString(QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"));
    base.name = QStringLiteral("Quiet");
    base.symbol = QStringLiteral("speaker");
    base.kind = MonitorScene::Kind::custom;

    MonitorScene withContrast = base;
    withContrast.contrast = 40;
    QTest::newRow("null optionals read as absent")
        << QByteArray(R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"Quiet","symbol":"speaker",
                         "kind":"custom","volume":null,"brightness":null,"rgb":null,"input":null,"contrast":40})")
        << withContrast;
    QTest::newRow("unknown keys are ignored")
        << QByteArray(R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"Quiet","symbol":"speaker",
                         "kind":"custom","contrast":40,"version":7,"extra":{"nested":[1,2]}})")
        << withContrast;
    QTest::newRow("lower-case id")
        << QByteArray(R"({"id":"0f8fad5b-d9cb-469f-a165-70867728950e","name":"Quiet","symbol":"speaker",
                         "kind":"custom","contrast":40})")
        << withContrast;

    MonitorScene builtInKind = base;
    builtInKind.kind = MonitorScene::Kind::builtIn;
    builtInKind.input = MonitorInput::displayPort;
    builtInKind.rgb = MonitorScene::RGB{1, 2, 3};
    QTest::newRow("builtIn kind, rgb with an extra key, input")
        << QByteArray(R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"Quiet","symbol":"speaker",
                         "kind":"builtIn","rgb":{"red":1,"green":2,"blue":3,"alpha":4},"input":"displayPort"})")
        << builtInKind;
}

void TestMonitorScene::decodeAccepts() {
    QFETCH(QByteArray, json);
    QFETCH(MonitorScene, expected);
    const QJsonDocument document = QJsonDocument::fromJson(json);
    QVERIFY(document.isObject());
    QString error;
    const auto scene = MonitorScene::fromJson(document.object(), &error);
    QVERIFY2(scene.has_value(), qPrintable(error));
    QCOMPARE(*scene, expected);
}

void TestMonitorScene::decodeRejects_data() {
    QTest::addColumn<QJsonValue>("json");
    QTest::addColumn<QString>("message"); // exact, when given

    const auto valid = parseObject(R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"Quiet",
                                       "symbol":"speaker","kind":"custom"})");
    const auto with = [&](const QString& key, const QJsonValue& value) {
        QJsonObject object = valid;
        object.insert(key, value);
        return object;
    };
    const auto without = [&](const QString& key) {
        QJsonObject object = valid;
        object.remove(key);
        return object;
    };

    QTest::newRow("not an object") << QJsonValue(QJsonArray{1}) << QString();
    QTest::newRow("kind missing") << QJsonValue(without("kind")) << QString();
    QTest::newRow("kind unknown") << QJsonValue(with("kind", "Custom")) << QString();
    QTest::newRow("kind null") << QJsonValue(with("kind", QJsonValue::Null)) << QString();
    QTest::newRow("id missing") << QJsonValue(without("id")) << QString();
    QTest::newRow("id not a UUID") << QJsonValue(with("id", "movie")) << QString();
    QTest::newRow("id in braces") << QJsonValue(with("id", "{0F8FAD5B-D9CB-469F-A165-70867728950E}"))
                                  << QString();
    QTest::newRow("id with trailing text")
        << QJsonValue(with("id", "0F8FAD5B-D9CB-469F-A165-70867728950EFF")) << QString();
    QTest::newRow("id a number") << QJsonValue(with("id", 7)) << QString();
    QTest::newRow("name missing") << QJsonValue(without("name")) << QString();
    QTest::newRow("name a number") << QJsonValue(with("name", 3)) << QString();
    QTest::newRow("symbol missing") << QJsonValue(without("symbol")) << QString();
    QTest::newRow("brightness a string") << QJsonValue(with("brightness", "35")) << QString();
    QTest::newRow("volume a bool") << QJsonValue(with("volume", true)) << QString();
    QTest::newRow("rgb lacks blue") << QJsonValue(with("rgb", QJsonObject{{"red", 1}, {"green", 2}}))
                                    << QString();
    QTest::newRow("rgb blue null") << QJsonValue(
                                          with("rgb", QJsonObject{{"red", 1}, {"green", 2}, {"blue", {}}}))
                                   << QString();
    QTest::newRow("rgb red a string")
        << QJsonValue(with("rgb", QJsonObject{{"red", "1"}, {"green", 2}, {"blue", 3}})) << QString();
    QTest::newRow("rgb an array") << QJsonValue(with("rgb", QJsonArray{1, 2, 3})) << QString();
    QTest::newRow("input in capitals")
        << QJsonValue(with("input", "HDMI1")) << "Unknown monitor input: HDMI1";
    QTest::newRow("input unknown") << QJsonValue(with("input", "vga")) << "Unknown monitor input: vga";
    QTest::newRow("input empty") << QJsonValue(with("input", "")) << "Unknown monitor input: ";
    QTest::newRow("input a number") << QJsonValue(with("input", 17)) << QString();
}

void TestMonitorScene::decodeRejects() {
    QFETCH(QJsonValue, json);
    QFETCH(QString, message);
    QString error;
    QVERIFY(!MonitorScene::fromJson(json, &error).has_value());
    if (message.isNull())
        QVERIFY(!error.isEmpty());
    else
        QCOMPARE(error, message);
}

void TestMonitorScene::decodeListFailsAsWhole_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("errorMentions");

    const QByteArray good = MonitorScene::encodeList({MonitorScene::movie()});
    QTest::newRow("not JSON") << QByteArray("{[not json") << "not valid JSON";
    QTest::newRow("empty data") << QByteArray() << "not valid JSON";
    QTest::newRow("an object, not an array")
        << QJsonDocument(MonitorScene::movie().toJson()).toJson() << "not a JSON array";
    QTest::newRow("second of two fails")
        << QByteArray(good.chopped(1) + R"(,{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"A",)"
                                        R"("symbol":"b","kind":"custom","input":"hdmi3"}])")
        << "Scene 2 of 2: Unknown monitor input: hdmi3";
    QTest::newRow("element not an object") << QByteArray(good.chopped(1) + ",42]") << "Scene 2 of 2";
}

void TestMonitorScene::decodeListFailsAsWhole() {
    QFETCH(QByteArray, data);
    QFETCH(QString, errorMentions);
    QString error;
    QVERIFY(!MonitorScene::decodeList(data, &error).has_value());
    QVERIFY2(error.contains(errorMentions), qPrintable(error));
}

void TestMonitorScene::equalityComparesEveryField() {
    const MonitorScene scene = fullScene();
    QCOMPARE(scene, fullScene());

    auto differs = [&](auto change) {
        MonitorScene other = scene;
        change(other);
        return other != scene;
    };
    QVERIFY(differs([](MonitorScene& s) { s.symbol = QStringLiteral("film"); }));
    QVERIFY(differs([](MonitorScene& s) { s.id = QUuid::createUuid(); }));
    QVERIFY(differs([](MonitorScene& s) { s.name += u' '; }));
    QVERIFY(differs([](MonitorScene& s) { s.kind = MonitorScene::Kind::builtIn; }));
    QVERIFY(differs([](MonitorScene& s) { s.brightness.reset(); }));
    QVERIFY(differs([](MonitorScene& s) { s.contrast = 0.0001; }));
    QVERIFY(differs([](MonitorScene& s) { s.volume.reset(); }));
    QVERIFY(differs([](MonitorScene& s) { s.rgb->blue = 99; }));
    QVERIFY(differs([](MonitorScene& s) { s.rgb.reset(); }));
    QVERIFY(differs([](MonitorScene& s) { s.input = MonitorInput::hdmi1; }));
    QVERIFY(differs([](MonitorScene& s) { s.input.reset(); }));
}

void TestMonitorScene::kindRawValues() {
    QCOMPARE(rawValue(MonitorScene::Kind::builtIn), "builtIn");
    QCOMPARE(rawValue(MonitorScene::Kind::custom), "custom");
    QCOMPARE(sceneKindFromRawValue("builtIn"), MonitorScene::Kind::builtIn);
    QCOMPARE(sceneKindFromRawValue("custom"), MonitorScene::Kind::custom);
    QVERIFY(!sceneKindFromRawValue("BuiltIn").has_value());
    QVERIFY(!sceneKindFromRawValue("").has_value());
}

void TestMonitorScene::uuidText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");

    QTest::newRow("upper case") << "77B56D67-531C-457C-91DA-4C0B72EA46A1" << true;
    QTest::newRow("lower case") << "77b56d67-531c-457c-91da-4c0b72ea46a1" << true;
    QTest::newRow("nil") << "00000000-0000-0000-0000-000000000000" << true;
    QTest::newRow("braces") << "{77B56D67-531C-457C-91DA-4C0B72EA46A1}" << false;
    QTest::newRow("no hyphens") << "77B56D67531C457C91DA4C0B72EA46A1" << false;
    QTest::newRow("hyphen moved") << "77B56D6-7531C-457C-91DA-4C0B72EA46A1" << false;
    QTest::newRow("not hex") << "77B56D67-531C-457C-91DA-4C0B72EA46AG" << false;
    QTest::newRow("trailing text") << "77B56D67-531C-457C-91DA-4C0B72EA46A1 " << false;
    QTest::newRow("empty") << "" << false;
}

void TestMonitorScene::uuidText() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    const auto id = uuidFromText(text);
    QCOMPARE(id.has_value(), valid);
    if (valid)
        QCOMPARE(::uuidText(*id), text.toUpper());
}

// JSON has no NaN or infinity; Qt would write null, which reads back as "not set".
void TestMonitorScene::nonFiniteValuesHaveNoJsonForm() {
    QVERIFY(!MonitorScene::encodingError({fullScene(), MonitorScene::movie()}).has_value());

    MonitorScene nanBrightness = fullScene();
    nanBrightness.brightness = std::nan("");
    MonitorScene infiniteBlue = fullScene();
    infiniteBlue.rgb->blue = std::numeric_limits<double>::infinity();
    for (const auto& scene : {nanBrightness, infiniteBlue}) {
        const auto error = MonitorScene::encodingError({MonitorScene::work(), scene});
        QVERIFY(error.has_value());
        QVERIFY2(error->contains(scene.name), qPrintable(*error));
    }
}

QTEST_GUILESS_MAIN(TestMonitorScene)
#include "tst_monitorscene.moc"
