// The Linux hardware backend: DDC/CI straight on each display's /dev/i2c-N, with libddcutil to find
// the displays when the ones remembered in the runtime folder do not hold.
#include "DirectDdcDisplays.h"
#include "HardwareDisplays.h"
#include "I2cDevBus.h"
#include "LibDdcutilDetector.h"

#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace m1ddc {

namespace {

class LinuxDisplays final : public Displays {
public:
    LinuxDisplays()
        : buses_("/dev", "/sys"), detector_("/sys"),
          memory_(std::getenv("XDG_RUNTIME_DIR"), "/tmp", ::geteuid()),
          displays_(detector_, buses_, memory_, clock_, "/sys") {}

    Listing list() override { return displays_.list(); }
    ReadOutcome read(const DisplayTarget& target, Attribute attribute) override {
        return displays_.read(target, attribute);
    }
    WriteOutcome write(const DisplayTarget& target, Attribute attribute, int value) override {
        return displays_.write(target, attribute, value);
    }
    std::variant<std::string, Failure> capabilities(const DisplayTarget& target) override {
        return displays_.capabilities(target);
    }

private:
    SteadyClock clock_;
    I2cDevBuses buses_;
    LibDdcutilDetector detector_;
    DisplayMemory memory_;
    DirectDdcDisplays displays_;
};

} // namespace

std::unique_ptr<Displays> makeHardwareDisplays() {
    return std::make_unique<LinuxDisplays>();
}

} // namespace m1ddc
