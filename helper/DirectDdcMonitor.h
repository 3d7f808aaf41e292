#pragma once

#include "Clock.h"
#include "DisplayBus.h"
#include "DisplayDetector.h"
#include "DisplayMemory.h"
#include "Monitor.h"
#include "RawDdcChannel.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <variant>

namespace m1ddc {

/// A monitor reached with DDC/CI straight on its I2C bus. The bus is the remembered one while the
/// EDID on it still matches; otherwise a detection finds it again and is remembered. A stale
/// memory costs one detection within the same run, never a command sent to another display.
class DirectDdcMonitor final : public Monitor {
public:
    DirectDdcMonitor(DisplayDetector& detector, DisplayBuses& buses, const DisplayMemory& memory,
                     Clock& clock);

    ReadOutcome read(Attribute attribute) override;
    WriteOutcome write(Attribute attribute, int value) override;

    // A remembered bus that stops answering may be stale: keep time for a detection and a full
    // try on the bus it finds.
    static constexpr RawDdcChannel::Budget rememberedBusBudget = std::chrono::milliseconds(1000);

private:
    // One command on a display's channel: the value read (0 for a write), or why it failed.
    using Exchange = std::function<std::variant<int, ChannelFailure>(RawDdcChannel&)>;

    std::variant<int, Failure> onDisplay(std::uint8_t sourceAddress, const Exchange& exchange);

    DisplayDetector& detector_;
    DisplayBuses& buses_;
    const DisplayMemory& memory_;
    Clock& clock_;
};

} // namespace m1ddc
