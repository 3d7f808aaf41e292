#pragma once

#include <chrono>
#include <optional>

// Maps the built-in panel's brightness (0...1) onto the user's monitor range through a
// gentle response curve, and decides whether the change is worth a monitor write.
struct AdaptiveBrightnessPolicy {
    double minimumMonitorBrightness = 8;
    double maximumMonitorBrightness = 82;
    double hysteresis = 2;       // smaller moves are not worth a DDC write
    double samplingInterval = 1; // seconds
    double responseExponent = 1.15;

    /// The brightness to write, or nullopt to leave the monitor alone. A non-finite reading
    /// counts as 0; without a last applied value any proposal is written.
    std::optional<int> proposedMonitorBrightness(double reading,
                                                 std::optional<double> lastAppliedMonitorBrightness) const;

    /// The policy the sampling loop uses for a stored range: each end clamped to 0...100 (a
    /// non-finite minimum gives 0, maximum 100), then ordered.
    static AdaptiveBrightnessPolicy forRange(double minimum, double maximum);
};
