#pragma once

#include "system/LightSensor.h"

#include <QDBusConnection>

#include <optional>

class BusNameOwner;
class QDBusMessage;

/// The ambient light sensor of iio-sensor-proxy (net.hadess.SensorProxy on the system bus).
///
/// Its properties are read when the service appears and followed through PropertiesChanged,
/// believed only from the current owner of the service's name. A level that is negative or not
/// finite is ignored, and a unit other than "lux" or "vendor" counts as no sensor. A claim is
/// made again when the service restarts. No call waits for the service.
class SensorProxyLightSensor final : public LightSensor {
    Q_OBJECT
public:
    /// `bus` is the system bus; tests hand in a private one.
    explicit SensorProxyLightSensor(QDBusConnection bus, QObject* parent = nullptr);
    ~SensorProxyLightSensor() override;

    bool isPresent() const override;
    std::optional<LightReading> reading() const override;
    void claim() override;
    void release() override;

private Q_SLOTS:
    void onPropertiesChanged(const QDBusMessage& message);

private:
    // What the current owner has said; every owner starts from nothing.
    struct ServiceState {
        bool hasAmbientLight = false;
        std::optional<LightLevelUnit> unit;
        std::optional<double> level;
    };

    void onOwnerChanged(const QString& owner);
    void readProperties();
    void apply(const QVariantMap& properties);
    void publish();
    void callOwner(const QString& method);

    QDBusConnection m_bus;
    BusNameOwner* m_owner;
    ServiceState m_state;
    bool m_claimed = false;
    // What was last announced, so only changes are.
    bool m_present = false;
    std::optional<LightReading> m_reading;
};
