#pragma once

#include <QString>

#include <array>

// One adjustable monitor value. The declaration order is the order a refresh reads
// the values and a scene writes them.
enum class MonitorFeature { brightness, contrast, volume, red, green, blue };

namespace MonitorFeatures {
inline constexpr std::array<MonitorFeature, 6> allCases = {
    MonitorFeature::brightness, MonitorFeature::contrast, MonitorFeature::volume,
    MonitorFeature::red,        MonitorFeature::green,    MonitorFeature::blue,
};
} // namespace MonitorFeatures

/// The helper tool's attribute word for the feature ("luminance" for brightness).
QString rawValue(MonitorFeature feature);
