#pragma once

#include "monitor/MonitorInput.h"

#include <optional>

// A snapshot of the monitor as the controller sees it, for matching against scenes.
struct MonitorSceneState {
    double brightness = 50;
    double contrast = 70;
    double volume = 30;
    double red = 50;
    double green = 50;
    double blue = 50;
    std::optional<MonitorInput> input;
};
