#pragma once

#include <QObject>

#include <cmath>
#include <memory>
#include <optional>

/// What a light level is measured in.
enum class LightLevelUnit {
    lux,    ///< illuminance in lux
    vendor, ///< the sensor's own relative scale, without a real-world unit
};

/// One valid reading: a finite level of zero or more, in the sensor's unit.
struct LightReading {
    double level = 0;
    LightLevelUnit unit = LightLevelUnit::lux;

    bool operator==(const LightReading&) const = default;
};

/// A level a sensor can have measured: finite and not negative.
inline bool isValidLightLevel(double level) {
    return std::isfinite(level) && level >= 0;
}

/// The ambient light sensor adaptive brightness can follow. A sensor may come and go while the
/// program runs (its service starts late or restarts), so presence has a signal of its own.
///
/// A sensor service may measure only while someone holds a claim on it: claim() while the
/// sensor is followed and release() when it no longer is. Both are idempotent; the claim is
/// kept across a restart of the service and given back when the sensor object is destroyed.
class LightSensor : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    /// A sensor is there now.
    virtual bool isPresent() const = 0;
    /// The newest valid reading; nullopt while no sensor is present or none has given a valid
    /// level yet. Before a claim it may be stale: the service measures for its claimants.
    virtual std::optional<LightReading> reading() const = 0;

    virtual void claim() = 0;
    virtual void release() = 0;

signals:
    void presenceChanged(bool present);
    /// A reading that differs from the one before (levels that are not valid never arrive).
    void readingChanged(const LightReading& reading);
};

/// The platform's sensor, or the simulated one that $VELMAR_SIMULATED_LIGHT_SENSOR names.
std::unique_ptr<LightSensor> makeSystemLightSensor();
