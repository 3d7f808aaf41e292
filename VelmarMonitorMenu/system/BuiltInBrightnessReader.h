#pragma once

#include "system/BuiltInBrightnessPlatform.h"
#include "system/BuiltInDisplayBrightnessReadingSource.h"

#include <optional>

/// Reads the built-in panel's brightness on macOS from three sources, taking the first that
/// answers: the private DisplayServices framework, then the "AppleARMBacklight" service's
/// display parameters, then the "IODisplayConnect" service that belongs to the built-in
/// display. Nothing is kept between calls: each one finds the display and opens the framework
/// again, and releases every handle it obtained before it returns, on every path.
class BuiltInBrightnessReader : public BuiltInDisplayBrightnessReadingSource {
public:
    explicit BuiltInBrightnessReader(BuiltInBrightnessPlatform& platform) : m_platform(platform) {}

    BuiltInDisplayBrightnessReading readBrightness() override;

    /// Where `value` lies between `minimum` and `maximum`, as 0…1; nullopt when any of them is
    /// not finite or the range is empty.
    static std::optional<double> normalizedBrightness(double value, double minimum, double maximum);

private:
    std::optional<BuiltInBrightnessPlatform::DisplayId> builtInDisplay();
    std::optional<double> liveBrightness(BuiltInBrightnessPlatform::DisplayId display);
    std::optional<double> appleSiliconBrightness();
    std::optional<double> backlightParameters(BuiltInBrightnessPlatform::Value parameters);
    BuiltInBrightnessPlatform::RegistryObject displayService(BuiltInBrightnessPlatform::DisplayId display);

    BuiltInBrightnessPlatform& m_platform;
};
