#include "scenes/MonitorSceneMatcher.h"
#include "scenes/SceneTesting.h"

#include <QTest>

#include <limits>
#include <utility>

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

// The movie scene's values, brightness and blue slightly off, on HDMI 1.
MonitorSceneState nearMovie(double brightness = 35.8, double blue = 43.4) {
    MonitorSceneState state;
    state.brightness = brightness;
    state.contrast = 75;
    state.volume = 12;
    state.red = 50;
    state.green = 47;
    state.blue = blue;
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
    void unsetValuesAreIgnored();
    void emptySceneNeverMatches();
    void earliestMatchWins();
};

void TestSceneMatcher::tolerance_data() {
    QTest::addColumn<MonitorSceneState>("state");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<bool>("matches");

    const MonitorSceneState exact = nearMovie(35, 43);
    // clang-format off
    QTest::newRow("within 1") << nearMovie(35.8) << 1.0 << true;
    QTest::newRow("beyond 1") << nearMovie(36.2) << 1.0 << false;
    QTest::newRow("exactly 1 off") << nearMovie(34) << 1.0 << true;
    QTest::newRow("one gain beyond") << nearMovie(35, 44.5) << 1.0 << false;
    QTest::newRow("exact, tolerance 0") << exact << 0.0 << true;
    // A negative or NaN tolerance is 0: only exact values match.
    QTest::newRow("exact, negative tolerance") << exact << -5.0 << true;
    QTest::newRow("near, negative tolerance") << nearMovie(35) << -5.0 << false;
    QTest::newRow("exact, NaN tolerance") << exact << notANumber << true;
    QTest::newRow("near, NaN tolerance") << nearMovie(35) << notANumber << false;
    QTest::newRow("far, infinite tolerance") << nearMovie(100) << infinity << true;
    // A difference that is not a number is outside whatever the tolerance, so this shows that
    // each value the scene sets is compared.
    const std::pair<const char*, double MonitorSceneState::*> values[] = {
        {"brightness", &MonitorSceneState::brightness}, {"contrast", &MonitorSceneState::contrast},
        {"red", &MonitorSceneState::red}, {"green", &MonitorSceneState::green}, {"blue", &MonitorSceneState::blue}};
    // clang-format on
    for (const auto& [name, value] : values) {
        MonitorSceneState state = exact;
        state.*value = notANumber;
        QTest::addRow("NaN %s", name) << state << infinity << false;
    }
}

void TestSceneMatcher::tolerance() {
    QFETCH(MonitorSceneState, state);
    QFETCH(double, tolerance);
    QFETCH(bool, matches);
    QCOMPARE(matchedName(state, {MonitorScene::movie()}, tolerance), matches ? "Movie" : "(none)");
}

void TestSceneMatcher::inputComparedExactly() {
    MonitorScene movieOnUsbC = MonitorScene::movie();
    movieOnUsbC.input = MonitorInput::usbC;
    MonitorSceneState state = nearMovie();
    state.input = MonitorInput::usbC;
    QCOMPARE(matchedName(state, {movieOnUsbC}, 1), "Movie");

    // Values within any tolerance do not help when the input differs or is unknown.
    state.input = MonitorInput::hdmi2;
    QCOMPARE(matchedName(state, {movieOnUsbC}, infinity), "(none)");
    state.input.reset();
    QCOMPARE(matchedName(state, {movieOnUsbC}, infinity), "(none)");
}

void TestSceneMatcher::unsetValuesAreIgnored() {
    MonitorScene contrastOnly = makeScene("Contrast only");
    contrastOnly.contrast = 75;
    QCOMPARE(matchedName(nearMovie(notANumber), {contrastOnly}, 0), "Contrast only");

    MonitorScene volumeOnly = makeScene("Volume only");
    volumeOnly.volume = 20;
    QCOMPARE(matchedName(nearMovie(), {volumeOnly}, 8), "Volume only");
    QCOMPARE(matchedName(nearMovie(), {volumeOnly}, 7.9), "(none)");
}

void TestSceneMatcher::emptySceneNeverMatches() {
    QCOMPARE(matchedName(nearMovie(), {makeScene("Nothing set")}, infinity), "(none)");
    QCOMPARE(matchedName(nearMovie(), {makeScene("Nothing set"), MonitorScene::movie()}, 1.0), "Movie");
}

// The first match in list order wins, however much closer a later scene is.
void TestSceneMatcher::earliestMatchWins() {
    const MonitorScene loose = makeScene("Loose", 35.5);
    QCOMPARE(matchedName(nearMovie(35, 43), {MonitorScene::work(), loose, MonitorScene::movie()}, 1),
             "Loose");
    QCOMPARE(matchedName(nearMovie(35, 43), {MonitorScene::movie(), loose}, 1), "Movie");
}

QTEST_GUILESS_MAIN(TestSceneMatcher)
#include "tst_scenematcher.moc"
