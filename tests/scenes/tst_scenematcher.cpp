#include "scenes/MonitorSceneMatcher.h"
#include "scenes/SceneTesting.h"

#include <QTest>

#include <utility>

namespace {

constexpr double tolerance = 1.0; // what the app matches with

// The movie scene's values, brightness and blue slightly off, on HDMI 1.
MonitorSceneState nearMovie(double brightness = 35.8, double blue = 43.4) {
    return {brightness, 75, 12, 50, 47, blue, MonitorInput::hdmi1};
}

QString matchedName(const MonitorSceneState& state, const QList<MonitorScene>& scenes) {
    const auto match = MonitorSceneMatcher::matchingScene(state, scenes, tolerance);
    return match ? match->name : QStringLiteral("(none)");
}

} // namespace

class TestSceneMatcher : public QObject {
    Q_OBJECT

private slots:
    void tolerance_data() {
        QTest::addColumn<MonitorSceneState>("state");
        QTest::addColumn<bool>("matches");

        QTest::newRow("exactly the tolerance off") << nearMovie(34) << true;
        // Every value the scene sets is compared.
        const std::pair<const char*, double MonitorSceneState::*> values[] = {
            {"brightness", &MonitorSceneState::brightness},
            {"contrast", &MonitorSceneState::contrast},
            {"red", &MonitorSceneState::red},
            {"green", &MonitorSceneState::green},
            {"blue", &MonitorSceneState::blue}};
        for (const auto& [name, value] : values) {
            MonitorSceneState state = nearMovie(35, 43);
            state.*value += 1.5;
            QTest::addRow("%s beyond", name) << state << false;
        }
    }

    void tolerance() {
        QFETCH(MonitorSceneState, state);
        QFETCH(bool, matches);
        QCOMPARE(matchedName(state, {MonitorScene::movie()}), matches ? "Movie" : "(none)");
    }

    void inputComparedExactly() {
        MonitorScene movieOnUsbC = MonitorScene::movie();
        movieOnUsbC.input = MonitorInput::usbC;
        MonitorSceneState state = nearMovie();
        state.input = MonitorInput::usbC;
        QCOMPARE(matchedName(state, {movieOnUsbC}), "Movie");

        // Values within the tolerance do not help when the input differs or is unknown.
        state.input = MonitorInput::hdmi2;
        QCOMPARE(matchedName(state, {movieOnUsbC}), "(none)");
        state.input.reset();
        QCOMPARE(matchedName(state, {movieOnUsbC}), "(none)");
    }

    // What a scene leaves out is not compared, but a scene that sets nothing never matches.
    void onlyTheValuesASceneSetsAreCompared() {
        MonitorScene contrastOnly = makeScene("Contrast only");
        contrastOnly.contrast = 75;
        QCOMPARE(matchedName(nearMovie(90, 10), {contrastOnly}), "Contrast only");

        // The movie scene leaves volume out; this one sets only volume (12 in the state).
        MonitorScene volumeOnly = makeScene("Volume only");
        volumeOnly.volume = 13;
        QCOMPARE(matchedName(nearMovie(), {volumeOnly}), "Volume only");
        volumeOnly.volume = 13.5;
        QCOMPARE(matchedName(nearMovie(), {volumeOnly}), "(none)");

        QCOMPARE(matchedName(nearMovie(), {makeScene("Nothing set"), MonitorScene::movie()}), "Movie");
    }

    // The first match in list order wins, however much closer a later scene is.
    void earliestMatchWins() {
        const MonitorScene loose = makeScene("Loose", 35.5);
        QCOMPARE(matchedName(nearMovie(35, 43), {MonitorScene::work(), loose, MonitorScene::movie()}),
                 "Loose");
        QCOMPARE(matchedName(nearMovie(35, 43), {MonitorScene::movie(), loose}), "Movie");
    }
};

QTEST_GUILESS_MAIN(TestSceneMatcher)
#include "tst_scenematcher.moc"
