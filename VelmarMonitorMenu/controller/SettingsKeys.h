#pragma once

// The controller's keys in the settings.
namespace SettingsKeys {
inline constexpr auto adaptiveBrightnessEnabled = "adaptiveBrightnessEnabled";
inline constexpr auto adaptiveMinimumBrightness = "adaptiveMinimumBrightness";
inline constexpr auto adaptiveMaximumBrightness = "adaptiveMaximumBrightness";
inline constexpr auto adaptiveSource = "adaptiveBrightnessSource";     // laptop, light-sensor or schedule
inline constexpr auto adaptiveSchedule = "adaptiveSchedule";           // its text form
inline constexpr auto adaptiveTransition = "adaptiveScheduleTransition"; // minutes
inline constexpr auto adaptivePlace = "adaptiveSchedulePlace";         // "latitude,longitude", typed by the user
inline constexpr auto perInputScenesEnabled = "perInputScenesEnabled";
inline constexpr auto nightModeEnabled = "nightModeEnabled";
inline constexpr auto nightModeSnapshot = "nightModeSnapshot";
inline constexpr auto onScreenIndicatorEnabled = "onScreenIndicatorEnabled";

// The monitors (ConnectedMonitors).
inline constexpr auto mainMonitor = "monitors/main";         // the user's choice, by id
inline constexpr auto knownMonitors = "monitors/known";      // the ids the last listing gave, in its order
inline constexpr auto originalMonitor = "monitors/original"; // the monitor whose keys are the top-level ones
inline constexpr auto seenMonitors = "monitors/seen";        // every id with settings, the latest seen first
inline constexpr auto monitorGroups = "monitors/";           // every other monitor's keys: monitors/<id>/
inline constexpr auto linkedBrightnessEnabled = "monitors/linkedBrightness";
inline constexpr auto linkedLevel =
    "monitors/linkedLevel"; // while linked: the level the differences are from
inline constexpr auto linkedOffsets =
    "monitors/linkedOffsets"; // while linked: each monitor's difference, by id
} // namespace SettingsKeys
