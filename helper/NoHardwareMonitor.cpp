// Used where libddcutil is not available: only the simulated monitor works there.
#include "HardwareMonitor.h"

namespace m1ddc {

namespace {

class NoHardwareMonitor final : public Monitor {
public:
    ReadOutcome read(Attribute) override { return Failure{noDisplayText}; }
    WriteOutcome write(Attribute, int) override { return Failure{noDisplayText}; }

private:
    static constexpr const char* noDisplayText = "No external display found";
};

} // namespace

std::unique_ptr<Monitor> makeHardwareMonitor() {
    return std::make_unique<NoHardwareMonitor>();
}

} // namespace m1ddc
