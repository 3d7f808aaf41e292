#include "LightSensorPolicy.h"

#include <algorithm>
#include <cmath>

LightSensorPolicy::LightSensorPolicy(double minimum, double maximum, Tuning tuning)
    : m_minimum(std::min(minimum, maximum)), m_maximum(std::max(minimum, maximum)), m_tuning(tuning) {}

double LightSensorPolicy::lightFraction(double level, Unit unit, const Tuning& tuning) {
    if (unit == Unit::vendor)
        return std::clamp(level / 100.0, 0.0, 1.0);
    const double dark = std::log10(tuning.darkLux);
    const double bright = std::log10(tuning.brightLux);
    if (level <= tuning.darkLux || bright <= dark)
        return 0;
    return std::clamp((std::log10(level) - dark) / (bright - dark), 0.0, 1.0);
}

void LightSensorPolicy::read(double level, Unit unit, std::chrono::milliseconds at) {
    if (!std::isfinite(level) || level < 0)
        return;
    if (level == 0 && m_wokeAt && at - *m_wokeAt < m_tuning.wakeBlindness)
        return;
    const double fraction = lightFraction(level, unit, m_tuning);
    // The first reading is taken as it is: following starts at once, not a few seconds late.
    m_from = m_from ? smoothedFraction(at) : fraction;
    m_to = fraction;
    m_since = at;
}

void LightSensorPolicy::woke(std::chrono::milliseconds at) {
    m_wokeAt = at;
}

void LightSensorPolicy::wrote(std::chrono::milliseconds at) {
    m_wroteAt = at;
}

double LightSensorPolicy::smoothedFraction(std::chrono::milliseconds at) const {
    const double elapsed = std::max(0.0, double((at - m_since).count()));
    const double tau = std::max(1.0, double(m_tuning.smoothing.count()));
    return m_to + (*m_from - m_to) * std::exp(-elapsed / tau);
}

std::optional<double> LightSensorPolicy::brightness(std::chrono::milliseconds at) const {
    if (!m_from)
        return std::nullopt;
    return m_minimum + smoothedFraction(at) * (m_maximum - m_minimum);
}

std::optional<int> LightSensorPolicy::proposal(std::chrono::milliseconds at,
                                               std::optional<double> lastWritten) const {
    const auto value = brightness(at);
    if (!value)
        return std::nullopt;
    const double whole = std::round(*value);
    if (lastWritten && std::isfinite(*lastWritten)) {
        const double settled = m_minimum + m_to * (m_maximum - m_minimum);
        const bool small =
            std::abs(whole - *lastWritten) < m_tuning.deadBand || std::abs(settled - *lastWritten) < m_tuning.deadBand;
        const bool moveEnds = m_wroteAt && *m_wroteAt >= m_since && !isSettling(at) && whole != *lastWritten;
        if (small && !moveEnds)
            return std::nullopt;
    }
    return static_cast<int>(whole);
}

bool LightSensorPolicy::isSettling(std::chrono::milliseconds at) const {
    if (!m_from)
        return false;
    return std::abs(smoothedFraction(at) - m_to) * (m_maximum - m_minimum) > 0.5;
}
