#include "scenes/MonitorSceneMatcher.h"
#include "scenes/SceneTesting.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

// The movie scene's values, slightly off, on HDMI 1.
MonitorSceneState nearMovie(double brightness = 35.8) {
    MonitorSceneState state;
    state.brightness = brightness;
    state.contrast = 75;
    state.volume = 12;
    state.red = 50;
    state.green = 47;
    state.blue = 43.4;
    state.input = MonitorInput::hdmi1;
    return state;
}

QString matchedName(const MonitorSceneState& state, const QList<MonitorScene>& scenes, double tolerance) {
    const auto match = MonitorSceneMatcher::matchingScene(state, scenes, tolerance);
    return match ? match->name : QStringLiteral("(none)");
}

} // namespace

class TestSceneMatcher : public QObject {
    Q_OBJECT

private slots:
    void tolerance_data();
    void tolerance();
    void inputComparedExactly();
    void emptySceneNeverMatches();
    void unsetValuesAreIgnored();
    void earliestMatchWins();
};

void TestSceneMatcher::tolerance_data() {
    QTest::addColumn<MonitorSceneState>("state");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<bool>("matches");

    QTest::newRow("within 1") << nearMovie(35.8) << 1.0 << true;
    QTest::newRow("beyond 1") << nearMovie(36.2) << 1.0 << false;
    QTest::newRow("exactly 1 above") << nearMovie(36) << 1.0 << true;
    QTest::newRow("exactly 1 below") << nearMovie(34) << 1.0 << true;
    QTest::newRow("1.1 below") << nearMovie(33.9) << 1.0 << false;

    MonitorSceneState blueOff = nearMovie(35);
    blueOff.blue = 44.5;
    QTest::newRow("one gain beyond") << blueOff << 1.0 << false;

    MonitorSceneState exact = nearMovie(35);
    exact.blue = 43;
    QTest::newRow("exact, tolerance 0") << exact << 0.0 << true;
    QTest::newRow("near, tolerance 0") << nearMovie(35) << 0.0 << false;
    // A negative or NaN tolerance is 0: only exact values match.
    QTest::newRow("exact, negative tolerance") << exact << -5.0 << true;
    QTest::newRow("near, negative tolerance") << nearMovie(35) << -5.0 << false;
    QTest::newRow("exact, NaN tolerance") << exact << notANumber << true;
    QTest::newRow("near, NaN tolerance") << nearMovie(35) << notANumber << false;
    QTest::newRow("far, infinite tolerance") << nearMovie(100) << infinity << true;

    // A difference that is not a number is outside whatever the tolerance.
    QTest::newRow("NaN brightness") << nearMovie(notANumber) << 1000.0 << false;
    QTest::newRow("NaN brightness, infinite tolerance") << nearMovie(notANumber) << infinity << false;
    MonitorSceneState nanGreen = exact;
    nanGreen.green = notANumber;
    QTest::newRow("NaN green") << nanGreen << 1000.0 << false;
}

void TestSceneMatcher::tolerance() {
    QFETCH(MonitorSceneState, state);
    QFETCH(double, tolerance);
    QFETCH(bool, matches);
    const auto match = MonitorSceneMatcher::matchingScene(state, {MonitorScene::movie()}, tolerance);
    QCOMPARE(match.has_value(), matches);
    if (matches)
        QCOMPARE(*match, MonitorScene::movie());
}

void TestSceneMatcher::inputComparedExactly() {
    const QList<MonitorScene> scenes = {makeScene("On HDMI 1", std::nullopt, MonitorInput::hdmi1)};

    MonitorSceneState state;
    state.brightness = 3;
    state.volume = 99;
    state.input = MonitorInput::hdmi1;
    QCOMPARE(matchedName(state, scenes, 0), "On HDMI 1");

    state.input = MonitorInput::hdmi2;
    QCOMPARE(matchedName(state, scenes, 1000), "(none)");

    state.input.reset();
    QCOMPARE(matchedName(state, scenes, infinity), "(none)");

    // Values within tolerance do not help when the input differs.
    MonitorScene movieOnUsbC = MonitorScene::movie();
    movieOnUsbC.input = MonitorInput::usbC;
    QCOMPARE(MonitorSceneMatcher::matchingScene(nearMovie(35), {movieOnUsbC}, 1.0).has_value(), false);
    MonitorSceneState onUsbC = nearMovie(35);
    onUsbC.input = MonitorInput::usbC;
    QCOMPARE(MonitorSceneMatcher::matchingScene(onUsbC, {movieOnUsbC}, 1.0).has_value(), true);
}

void TestSceneMatcher::emptySceneNeverMatches() {
    const MonitorScene empty = makeScene("Nothing set");
    QVERIFY(empty.isEmpty());
    for (double tolerance : {0.0, 1.0, 1e300, infinity})
        QVERIFY(!MonitorSceneMatcher::matchingScene(nearMovie(), {empty}, tolerance).has_value());
    // It does not stop a later scene from matching.
    QCOMPARE(matchedName(nearMovie(), {empty, MonitorScene::movie()}, 1.0), "Movie");
    QVERIFY(!MonitorSceneMatcher::matchingScene(nearMovie(), {}, 1.0).has_value());
}

void TestSceneMatcher::unsetValuesAreIgnored() {
    MonitorScene contrastOnly = makeScene("Contrast only");
    contrastOnly.contrast = 75;
    for (double brightness : {0.0, 50.0, 100.0, notANumber}) {
        MonitorSceneState state = nearMovie(brightness);
        state.input.reset();
        QCOMPARE(matchedName(state, {contrastOnly}, 0), "Contrast only");
    }

    MonitorScene volumeOnly = makeScene("Volume only");
    volumeOnly.volume = 20;
    QCOMPARE(matchedName(nearMovie(), {volumeOnly}, 8), "Volume only");
    QCOMPARE(matchedName(nearMovie(), {volumeOnly}, 7.9), "(none)");
}

void TestSceneMatcher::earliestMatchWins() {
    MonitorScene olderCopy = MonitorScene::movie();
    olderCopy.id = QUuid::createUuid();
    olderCopy.name = QStringLiteral("Older copy");
    olderCopy.kind = MonitorScene::Kind::custom;
    MonitorScene newerCopy = olderCopy;
    newerCopy.id = QUuid::createUuid();
    newerCopy.name = QStringLiteral("Newer copy");

    const QList<MonitorScene> all =
        MonitorScene::builtInDefaults() + QList<MonitorScene>{olderCopy, newerCopy};
    QCOMPARE(matchedName(nearMovie(), all, 1.0), "Movie");
    QCOMPARE(matchedName(nearMovie(), {newerCopy, olderCopy}, 1.0), "Newer copy");
    QCOMPARE(matchedName(nearMovie(), {olderCopy, newerCopy}, 1.0), "Older copy");

    // A loose scene earlier in the list wins over an exact one later.
    MonitorScene loose = makeScene("Loose");
    loose.contrast = 75;
    QCOMPARE(matchedName(nearMovie(), {MonitorScene::work(), loose, olderCopy}, 1.0), "Loose");
}

QTEST_GUILESS_MAIN(TestSceneMatcher)
#include "tst_scenematcher.moc"
