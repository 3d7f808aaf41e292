#include "scenes/SceneTesting.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

const QUuid someId = QUuid::fromString(QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"));

// A scene that sets every field, so a round trip exercises all nine.
MonitorScene fullScene() {
    MonitorScene scene = makeScene(QStringLiteral("Gaming – 夜"), 62.5, MonitorInput::hdmi2);
    scene.contrast = 0;
    scene.volume = 100;
    scene.rgb = MonitorScene::RGB{48.25, 0.5, 100};
    return scene;
}

} // namespace

class TestMonitorScene : public QObject {
    Q_OBJECT

private slots:
    // Input preferences store these ids, so they must be the same in every installation and run.
    void builtInScenesHaveFixedIdsInOrder() {
        QStringList ids;
        for (const auto& scene : MonitorScene::builtInDefaults()) {
            ids << ::uuidText(scene.id);
            QCOMPARE(scene.kind, MonitorScene::Kind::builtIn);
        }
        QCOMPARE(ids, (QStringList{
                          "77B56D67-531C-457C-91DA-4C0B72EA46A1", "3CCEB51F-AAB9-44F6-A9D0-2C808503C987",
                          "6F62CC9C-638D-401A-88A9-A255786BBD62", "C01C87F8-D096-4338-9DB0-087C08816FA4"}));
    }

    // The stored bytes: compact, upper-case id, absent values left out rather than null.
    void encodedForm() {
        MonitorScene bare = makeScene(QStringLiteral("Bare"));
        bare.id = someId;
        MonitorScene dim = makeScene(QStringLiteral("Dim"), 12, MonitorInput::displayPort);
        dim.id = someId;
        dim.rgb = MonitorScene::RGB{50, 47.5, 43};
        QCOMPARE(
            MonitorScene::encodeList({dim, bare}),
            QByteArray(
                R"([{"brightness":12,"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","input":"displayPort",)"
                R"("kind":"custom","name":"Dim","rgb":{"blue":43,"green":47.5,"red":50},"symbol":"star"},)"
                R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","kind":"custom","name":"Bare","symbol":"star"}])"));
    }

    void decodeAccepts_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<MonitorScene>("expected");

        MonitorScene expected = makeScene(QStringLiteral("Quiet"));
        expected.id = someId;
        expected.contrast = 40;
        QTest::newRow("null optionals read as absent")
            << QByteArray(R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"Quiet","symbol":"star",
                             "kind":"custom","volume":null,"brightness":null,"rgb":null,"input":null,"contrast":40})")
            << expected;

        expected.kind = MonitorScene::Kind::builtIn;
        expected.input = MonitorInput::displayPort;
        expected.rgb = MonitorScene::RGB{1, 2, 3};
        QTest::newRow("unknown keys ignored, lower-case id")
            << QByteArray(R"({"id":"0f8fad5b-d9cb-469f-a165-70867728950e","name":"Quiet","symbol":"star",
                             "kind":"builtIn","contrast":40,"version":7,"extra":{"nested":[1,2]},
                             "rgb":{"red":1,"green":2,"blue":3,"alpha":4},"input":"displayPort"})")
            << expected;
    }

    void decodeAccepts() {
        QFETCH(QByteArray, json);
        QFETCH(MonitorScene, expected);
        QString error;
        const auto scene = MonitorScene::fromJson(QJsonDocument::fromJson(json).object(), &error);
        QVERIFY2(scene.has_value(), qPrintable(error));
        QCOMPARE(*scene, expected);
    }

    void decodeRejects_data() {
        QTest::addColumn<QJsonValue>("json");
        QTest::addColumn<QString>("message"); // exact, when given

        const QJsonObject valid = QJsonDocument::fromJson(R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E",
                                                              "name":"Quiet","symbol":"star","kind":"custom"})")
                                      .object();
        const auto with = [&](const QString& key, const QJsonValue& value) {
            QJsonObject object = valid;
            object.insert(key, value);
            return QJsonValue(object);
        };

        // clang-format off
        QTest::newRow("not an object") << QJsonValue(QJsonArray{1}) << QString();
        // Inserting Undefined removes the key.
        for (const char* key : {"id", "name", "symbol", "kind"})
            QTest::addRow("%s missing", key) << with(key, QJsonValue::Undefined) << QString();
        QTest::newRow("kind unknown") << with("kind", "Custom") << QString();
        QTest::newRow("id not a UUID") << with("id", "movie") << QString();
        QTest::newRow("name a number") << with("name", 3) << QString();
        QTest::newRow("brightness a string") << with("brightness", "35") << QString();
        QTest::newRow("rgb lacks blue") << with("rgb", QJsonObject{{"red", 1}, {"green", 2}}) << QString();
        QTest::newRow("rgb blue null") << with("rgb", QJsonObject{{"red", 1}, {"green", 2}, {"blue", {}}}) << QString();
        QTest::newRow("rgb an array") << with("rgb", QJsonArray{1, 2, 3}) << QString();
        QTest::newRow("input a number") << with("input", 17) << QString();
        QTest::newRow("input in capitals") << with("input", "HDMI1") << "Unknown monitor input: HDMI1";
        // clang-format on
    }

    void decodeRejects() {
        QFETCH(QJsonValue, json);
        QFETCH(QString, message);
        QString error;
        QVERIFY(!MonitorScene::fromJson(json, &error).has_value() && !error.isEmpty());
        if (!message.isNull())
            QCOMPARE(error, message);
    }

    void decodeListFailsAsWhole_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("errorStart");

        const QByteArray good = MonitorScene::encodeList({MonitorScene::movie()});
        QTest::newRow("not JSON") << QByteArray("{[not json") << "The data is not valid JSON";
        QTest::newRow("an object") << QByteArray("{}") << "The data is not a JSON array.";
        // The element's own reason, word for word.
        QTest::newRow("second of two fails")
            << QByteArray(good.chopped(1) + R"(,{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"A",)"
                                            R"("symbol":"b","kind":"custom","input":"hdmi3"}])")
            << "Unknown monitor input: hdmi3";
    }

    void decodeListFailsAsWhole() {
        QFETCH(QByteArray, data);
        QFETCH(QString, errorStart);
        QString error;
        QVERIFY(!MonitorScene::decodeList(data, &error).has_value());
        QVERIFY2(error.startsWith(errorStart), qPrintable(error));
    }

    // A hand-edited value must not reach the monitor or the sliders as it is: a number past either end
    // is taken as that end, and NaN (possible only in a JSON value built in memory) sets nothing.
    void decodedValuesStayOnTheScale() {
        const QByteArray stored =
            R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"Hand edited","symbol":"star",
            "kind":"custom","brightness":1e300,"contrast":-5,"volume":100.5,
            "rgb":{"red":-1.7976931348623157e308,"green":250,"blue":47.5}}])";
        QString error;
        const auto scenes = MonitorScene::decodeList(stored, &error);
        QVERIFY2(scenes.has_value(), qPrintable(error));
        MonitorScene expected = makeScene(QStringLiteral("Hand edited"), 100);
        expected.id = someId;
        expected.contrast = 0;
        expected.volume = 100;
        expected.rgb = MonitorScene::RGB{0, 100, 47.5};
        QCOMPARE(*scenes, QList<MonitorScene>{expected});

        QJsonObject withNaN = expected.toJson();
        withNaN.insert(QStringLiteral("brightness"), std::nan(""));
        withNaN.insert(QStringLiteral("rgb"), QJsonObject{{"red", 1}, {"green", std::nan("")}, {"blue", 3}});
        expected.brightness.reset();
        expected.rgb.reset();
        QCOMPARE(MonitorScene::fromJson(withNaN).value_or(MonitorScene{}), expected);
    }

    void uuidText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");

        // clang-format off
        QTest::newRow("lower case") << "77b56d67-531c-457c-91da-4c0b72ea46a1" << true;
        QTest::newRow("trailing hex") << "77B56D67-531C-457C-91DA-4C0B72EA46A1FF" << false;
        QTest::newRow("hyphen moved") << "77B56D6-7531C-457C-91DA-4C0B72EA46A1" << false;
        QTest::newRow("not hex") << "77B56D67-531C-457C-91DA-4C0B72EA46AG" << false;
        // clang-format on
    }

    void uuidText() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const auto id = uuidFromText(text);
        QCOMPARE(id.has_value(), valid);
        if (valid)
            QCOMPARE(::uuidText(*id), text.toUpper());
    }

    // Finite values keep every field through a round trip. JSON has no NaN or infinity; Qt would write
    // null, which reads back as "not set". A NaN brightness is the store's test (tst_scenestore).
    void roundTripKeepsEveryFieldAndNonFiniteValuesHaveNoJsonForm() {
        const QList<MonitorScene> scenes = {fullScene(), MonitorScene::movie()};
        QVERIFY(!MonitorScene::encodingError(scenes).has_value());
        QString error;
        const auto decoded = MonitorScene::decodeList(MonitorScene::encodeList(scenes), &error);
        QVERIFY2(decoded.has_value(), qPrintable(error));
        QCOMPARE(*decoded, scenes);

        MonitorScene infiniteBlue = fullScene();
        infiniteBlue.rgb->blue = std::numeric_limits<double>::infinity();
        const auto refused = MonitorScene::encodingError({MonitorScene::work(), infiniteBlue});
        QVERIFY2(refused && refused->contains(infiniteBlue.name), qPrintable(refused.value_or(QString())));
    }
};

QTEST_GUILESS_MAIN(TestMonitorScene)
#include "tst_monitorscene.moc"
