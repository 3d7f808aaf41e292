#pragma once

#include <QString>

#include <array>
#include <optional>

// A starting point for the red/green/blue gains. Presets are never stored; only the
// gains they produce reach the monitor.
enum class ColorPreset { warm, neutral, cool };

struct ColorGains {
    double red;
    double green;
    double blue;
};

namespace ColorPresets {
inline constexpr std::array<ColorPreset, 3> allCases = {ColorPreset::warm, ColorPreset::neutral,
                                                        ColorPreset::cool};
QString title(ColorPreset preset);
QString symbol(ColorPreset preset);
ColorGains gains(ColorPreset preset);
/// The first preset whose gains equal the given ones exactly; there is no tolerance.
std::optional<ColorPreset> matching(double red, double green, double blue);
} // namespace ColorPresets

QString rawValue(ColorPreset preset);
std::optional<ColorPreset> colorPresetFromRawValue(const QString& raw);
