#pragma once

#include <QByteArray>

#include <optional>

// The monitor values from just before Night Mode was turned on; written back when it ends.
struct NightModeSnapshot {
    double brightness = 0;
    double red = 0;
    double green = 0;
    double blue = 0;

    bool operator==(const NightModeSnapshot&) const = default;

    /// A JSON object with exactly the keys "brightness", "red", "green" and "blue".
    QByteArray toJson() const;
    /// All four keys must be present and numbers; anything else gives nullopt.
    static std::optional<NightModeSnapshot> fromJson(const QByteArray& data);
};
