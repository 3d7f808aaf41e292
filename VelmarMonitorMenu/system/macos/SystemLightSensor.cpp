#include "system/LightSensor.h"
#include "system/SimulatedLightSensor.h"

namespace {

// Macs have a light sensor, but no public interface reads it; until one does, there is none.
class AbsentLightSensor final : public LightSensor {
public:
    bool isPresent() const override { return false; }
    std::optional<LightReading> reading() const override { return std::nullopt; }
    void claim() override {}
    void release() override {}
};

} // namespace

std::unique_ptr<LightSensor> makeSystemLightSensor() {
    const QString simulated = qEnvironmentVariable("VELMAR_SIMULATED_LIGHT_SENSOR");
    if (!simulated.isEmpty())
        return std::make_unique<SimulatedLightSensor>(simulated);
    return std::make_unique<AbsentLightSensor>();
}
