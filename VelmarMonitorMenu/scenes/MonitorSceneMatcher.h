#pragma once

#include "MonitorScene.h"
#include "MonitorSceneState.h"

#include <optional>

namespace MonitorSceneMatcher {
/// The first scene whose set values are all within `tolerance` of the state (the input
/// compared exactly). A negative or NaN tolerance counts as 0; an empty scene never matches.
std::optional<MonitorScene> matchingScene(const MonitorSceneState& state, const QList<MonitorScene>& scenes,
                                          double tolerance);
} // namespace MonitorSceneMatcher
