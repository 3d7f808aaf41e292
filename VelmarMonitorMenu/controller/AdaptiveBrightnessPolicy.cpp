#include "AdaptiveBrightnessPolicy.h"

#include <algorithm>
#include <cmath>

std::optional<int> AdaptiveBrightnessPolicy::proposedMonitorBrightness(double reading,
                                                                       std::optional<double> last) const {
    double x = std::isfinite(reading) ? reading : 0;
    if (x <= 0)
        x = 0;
    else if (x > 1)
        x = 1;
    // std::round rounds halves away from zero.
    const double target = std::round(minimumMonitorBrightness + std::pow(x, responseExponent) *
                                                                    (maximumMonitorBrightness - minimumMonitorBrightness));
    if (last && std::isfinite(*last) && (target == *last || std::abs(target - *last) < hysteresis))
        return std::nullopt;
    return static_cast<int>(target);
}

AdaptiveBrightnessPolicy AdaptiveBrightnessPolicy::forRange(double minimum, double maximum) {
    const double lo = std::isfinite(minimum) ? std::clamp(minimum, 0.0, 100.0) : 0.0;
    const double hi = std::isfinite(maximum) ? std::clamp(maximum, 0.0, 100.0) : 100.0;
    AdaptiveBrightnessPolicy policy;
    policy.minimumMonitorBrightness = std::min(lo, hi);
    policy.maximumMonitorBrightness = std::max(lo, hi);
    return policy;
}
