#pragma once

#include <QObject>

#include <memory>
#include <optional>

// The machine's ambient light sensor, if it has one.
class LightSensor : public QObject {
    Q_OBJECT
public:
    enum class Unit { lux, vendor };
    using QObject::QObject;
    virtual bool isPresent() const = 0;
    virtual std::optional<double> level() const = 0;
    virtual Unit unit() const = 0;
    virtual void claim() = 0;
    virtual void release() = 0;
signals:
    void presenceChanged();
    void levelChanged();
};

std::unique_ptr<LightSensor> makeSystemLightSensor();
