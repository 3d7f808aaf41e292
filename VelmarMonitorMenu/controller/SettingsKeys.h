#pragma once

// The controller's keys in the settings.
namespace SettingsKeys {
inline constexpr auto adaptiveBrightnessEnabled = "adaptiveBrightnessEnabled";
inline constexpr auto adaptiveMinimumBrightness = "adaptiveMinimumBrightness";
inline constexpr auto adaptiveMaximumBrightness = "adaptiveMaximumBrightness";
inline constexpr auto perInputScenesEnabled = "perInputScenesEnabled";
inline constexpr auto nightModeEnabled = "nightModeEnabled";
inline constexpr auto nightModeSnapshot = "nightModeSnapshot";
inline constexpr auto onScreenIndicatorEnabled = "onScreenIndicatorEnabled";
} // namespace SettingsKeys
