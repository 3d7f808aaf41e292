#pragma once

#include <chrono>
#include <optional>

// Turns an ambient light sensor's readings into a monitor brightness within the user's range.
//
// Light is felt on a logarithmic scale: each tenfold more light moves the brightness by the same
// step, from a dark room (darkLux and below: the range's minimum) to daylight through a window
// (brightLux and above: its maximum). A sensor that reports in a unit of its own ("vendor") is
// read as a share of its scale, 0 to 100. Readings are smoothed over a few seconds, and a move
// smaller than the dead band is not worth a write: a passing shadow or a flickering lamp writes
// nothing, a light switched on or off does. Right after the machine wakes, sensors report a false
// darkness for a moment: a reading of 0 then is ignored.
//
// Times are on a monotonic clock, in milliseconds from any origin; the policy keeps no clock.
class LightSensorPolicy {
public:
    enum class Unit { lux, vendor };

    struct Tuning {
        double darkLux = 1;
        double brightLux = 10000;
        /// How fast the smoothed value follows a new reading: it covers about two thirds of the
        /// way in this long, a fifth in a quarter of it (a shadow passing by).
        std::chrono::milliseconds smoothing{8000};
        /// The smallest move worth a monitor write, in brightness points.
        double deadBand = 6;
        /// How long after a wake a reading of 0 is taken for the sensor's own.
        std::chrono::milliseconds wakeBlindness{5000};
    };

    LightSensorPolicy(double minimum, double maximum, Tuning tuning);

    /// A reading taken `at`. Negative, NaN and infinite levels are ignored.
    void read(double level, Unit unit, std::chrono::milliseconds at);
    /// The machine woke `at`.
    void woke(std::chrono::milliseconds at);
    /// A proposal was written `at`: a move it began goes on to where the light settles, not to a
    /// dead band short of it.
    void wrote(std::chrono::milliseconds at);

    /// The smoothed brightness `at`, or nullopt before the first reading.
    std::optional<double> brightness(std::chrono::milliseconds at) const;
    /// The whole brightness to write `at`, or nullopt to leave the monitor alone: no reading yet,
    /// or the smoothed value, or the light the last reading says, no further than the dead band
    /// from `lastWritten` (a light that is back where it was writes nothing on its way back) -
    /// unless a move written since the last reading has settled short of it.
    std::optional<int> proposal(std::chrono::milliseconds at, std::optional<double> lastWritten) const;
    /// The smoothed value is still on its way to the last reading: look again a little later.
    bool isSettling(std::chrono::milliseconds at) const;

    /// Where `level` falls between darkness (0) and daylight (1).
    static double lightFraction(double level, Unit unit, const Tuning& tuning);

private:
    double smoothedFraction(std::chrono::milliseconds at) const;

    double m_minimum;
    double m_maximum;
    Tuning m_tuning;
    std::optional<double> m_from; // the smoothed fraction when the last reading came
    double m_to = 0;              // the last reading's fraction
    std::chrono::milliseconds m_since{0};
    std::optional<std::chrono::milliseconds> m_wokeAt;
    std::optional<std::chrono::milliseconds> m_wroteAt;
};
