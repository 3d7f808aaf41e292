#pragma once

#include <cmath>

/// A place on Earth in degrees, north and east positive.
struct GeoPlace {
    double latitude = 0;  ///< -90...90
    double longitude = 0; ///< -180...180

    /// Both coordinates are finite and within their ranges.
    bool isValid() const {
        return std::isfinite(latitude) && std::isfinite(longitude) && std::abs(latitude) <= 90 &&
               std::abs(longitude) <= 180;
    }

    bool operator==(const GeoPlace&) const = default;
};
