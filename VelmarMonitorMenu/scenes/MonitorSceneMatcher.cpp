#include "MonitorSceneMatcher.h"

#include <cmath>

namespace MonitorSceneMatcher {

namespace {

// A NaN difference compares false and so counts as outside.
bool within(double sceneValue, double current, double tolerance) {
    return std::abs(sceneValue - current) <= tolerance;
}

bool within(const std::optional<double>& sceneValue, double current, double tolerance) {
    return !sceneValue || within(*sceneValue, current, tolerance);
}

bool matches(const MonitorScene& scene, const MonitorSceneState& state, double tolerance) {
    if (scene.isEmpty())
        return false;
    if (!within(scene.brightness, state.brightness, tolerance) ||
        !within(scene.contrast, state.contrast, tolerance) || !within(scene.volume, state.volume, tolerance))
        return false;
    if (scene.rgb &&
        !(within(scene.rgb->red, state.red, tolerance) && within(scene.rgb->green, state.green, tolerance) &&
          within(scene.rgb->blue, state.blue, tolerance)))
        return false;
    return !scene.input || scene.input == state.input;
}

} // namespace

std::optional<MonitorScene> matchingScene(const MonitorSceneState& state, const QList<MonitorScene>& scenes,
                                          double tolerance) {
    // Written so that NaN, which fails every comparison, also ends up as 0.
    const double effectiveTolerance = tolerance >= 0 ? tolerance : 0;
    for (const auto& scene : scenes) {
        if (matches(scene, state, effectiveTolerance))
            return scene;
    }
    return std::nullopt;
}

} // namespace MonitorSceneMatcher
