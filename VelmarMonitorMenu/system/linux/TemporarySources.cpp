// Stand-ins until the real services land.
#include "system/LightSensor.h"
#include "system/WallClock.h"

namespace {
class PlainClock : public WallClock {
public:
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }
    QTimeZone timeZone() const override { return QTimeZone::systemTimeZone(); }
    QByteArray timeZoneId() const override { return QTimeZone::systemTimeZoneId(); }
};
class NoSensor : public LightSensor {
public:
    bool isPresent() const override { return false; }
    std::optional<double> level() const override { return std::nullopt; }
    Unit unit() const override { return Unit::lux; }
    void claim() override {}
    void release() override {}
};
} // namespace

std::unique_ptr<WallClock> makeSystemWallClock() {
    return std::make_unique<PlainClock>();
}
std::unique_ptr<LightSensor> makeSystemLightSensor() {
    return std::make_unique<NoSensor>();
}
