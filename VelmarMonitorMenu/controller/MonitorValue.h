#pragma once

#include <QtGlobal>

#include <cmath>

// Monitor values are doubles everywhere but on the helper's command line: rounded to the
// nearest whole number, halves away from zero (std::round), only when written. A value that
// is not finite is written as 0 rather than converted with undefined behaviour.
inline qint64 wholeMonitorValue(double value) {
    if (!std::isfinite(value))
        return 0;
    constexpr double limit = 1e15; // far beyond 0..100, well inside qint64
    return static_cast<qint64>(std::round(std::fmax(-limit, std::fmin(limit, value))));
}
