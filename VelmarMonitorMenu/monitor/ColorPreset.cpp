#include "ColorPreset.h"

#include "RawValue.h"

#include <QCoreApplication>

namespace ColorPresets {

QString title(ColorPreset preset) {
    switch (preset) {
    case ColorPreset::warm:
        return QCoreApplication::translate("ColorPreset", "Warm");
    case ColorPreset::neutral:
        return QCoreApplication::translate("ColorPreset", "Neutral");
    case ColorPreset::cool:
        return QCoreApplication::translate("ColorPreset", "Cool");
    }
    return {};
}

QString symbol(ColorPreset preset) {
    switch (preset) {
    case ColorPreset::warm:
        return QStringLiteral("sun.horizon.fill");
    case ColorPreset::neutral:
        return QStringLiteral("circle.grid.cross.fill");
    case ColorPreset::cool:
        return QStringLiteral("snowflake");
    }
    return {};
}

ColorGains gains(ColorPreset preset) {
    switch (preset) {
    case ColorPreset::warm:
        return {50, 46, 40};
    case ColorPreset::neutral:
        return {50, 50, 50};
    case ColorPreset::cool:
        return {42, 46, 50};
    }
    return {50, 50, 50};
}

std::optional<ColorPreset> matching(double red, double green, double blue) {
    for (auto preset : allCases) {
        const auto g = gains(preset);
        if (g.red == red && g.green == green && g.blue == blue)
            return preset;
    }
    return std::nullopt;
}

} // namespace ColorPresets

QString rawValue(ColorPreset preset) {
    switch (preset) {
    case ColorPreset::warm:
        return QStringLiteral("warm");
    case ColorPreset::neutral:
        return QStringLiteral("neutral");
    case ColorPreset::cool:
        return QStringLiteral("cool");
    }
    return {};
}

std::optional<ColorPreset> colorPresetFromRawValue(const QString& raw) {
    return caseFromRawValue(ColorPresets::allCases, raw);
}
