#pragma once

#include "monitor/MonitorFeature.h"

#include <QByteArray>

#include <array>
#include <optional>
#include <utility>

// The monitor values from just before Night Mode was turned on; written back when it ends.
// The same four values, in the same order, are the night values Night Mode writes.
struct NightModeSnapshot {
    double brightness = 0;
    double red = 0;
    double green = 0;
    double blue = 0;

    /// The values Night Mode reads and writes, in the order it reads and writes them.
    static constexpr std::array<MonitorFeature, 4> features = {
        MonitorFeature::brightness, MonitorFeature::red, MonitorFeature::green, MonitorFeature::blue};

    bool operator==(const NightModeSnapshot&) const = default;

    /// Each feature with its value, in the order of `features`.
    std::array<std::pair<MonitorFeature, double>, 4> values() const {
        return {{{MonitorFeature::brightness, brightness},
                 {MonitorFeature::red, red},
                 {MonitorFeature::green, green},
                 {MonitorFeature::blue, blue}}};
    }
    /// Stores a value read for one of `features`; other features are ignored.
    void set(MonitorFeature feature, double value);

    /// A JSON object with exactly the keys "brightness", "red", "green" and "blue".
    QByteArray toJson() const;
    /// All four keys must be present and numbers; anything else gives nullopt. Values outside
    /// 0...100 are brought within it.
    static std::optional<NightModeSnapshot> fromJson(const QByteArray& data);
};
