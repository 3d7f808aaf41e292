// The Linux hardware backend: DDC/CI straight on the display's /dev/i2c-N, with libddcutil to find
// the display when the one remembered in the runtime folder does not answer.
#include "DirectDdcMonitor.h"
#include "HardwareMonitor.h"
#include "I2cDevBus.h"
#include "LibDdcutilDetector.h"

#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace m1ddc {

namespace {

class LinuxMonitor final : public Monitor {
public:
    LinuxMonitor()
        : buses_("/dev", "/sys"), detector_("/sys"),
          memory_(std::getenv("XDG_RUNTIME_DIR"), "/tmp", ::geteuid()),
          monitor_(detector_, buses_, memory_, clock_, "/sys") {}

    ReadOutcome read(Attribute attribute) override { return monitor_.read(attribute); }
    WriteOutcome write(Attribute attribute, int value) override { return monitor_.write(attribute, value); }

private:
    SteadyClock clock_;
    I2cDevBuses buses_;
    LibDdcutilDetector detector_;
    DisplayMemory memory_;
    DirectDdcMonitor monitor_;
};

} // namespace

std::unique_ptr<Monitor> makeHardwareMonitor() {
    return std::make_unique<LinuxMonitor>();
}

} // namespace m1ddc
