#pragma once

#include "Edid.h"
#include "Failure.h"
#include "RawDdcChannel.h"

#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace m1ddc {

/// One display's I2C bus: its DDC/CI channel, and the EDID that says which monitor is on it.
class DisplayBus : public DdcTransport {
public:
    /// What the user would look for, such as /dev/i2c-7.
    virtual const std::string& device() const = 0;
    /// Takes the bus for this program without waiting: false while another program holds it. The
    /// bus stays ours until it is closed. Other DDC programs (ddcutil 2.x) take the same lock, so
    /// two programs' messages never interleave on one bus.
    virtual std::variant<bool, Failure> tryLock() = 0;
    /// Reads the EDID base block from address 0x50: for when the kernel keeps no copy of it.
    virtual std::variant<EdidBlock, Failure> readEdid() = 0;
};

/// Why a bus could not be opened.
struct BusRefusal {
    std::string device; ///< what the user would look for, such as /dev/i2c-7
    std::string reason; ///< one line naming the device
    bool permissionDenied = false;
};

/// The machine's display buses, by number. The real ones are /dev/i2c-N; tests fake them.
class DisplayBuses {
public:
    virtual ~DisplayBuses() = default;

    virtual std::variant<std::unique_ptr<DisplayBus>, BusRefusal> open(int bus) = 0;

    /// The device of a connected external display that we may not open, if there is one: why a
    /// detection found nothing.
    virtual std::optional<std::string> forbiddenDisplayDevice() = 0;
};

} // namespace m1ddc
