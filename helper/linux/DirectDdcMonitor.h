#pragma once

#include "Clock.h"
#include "DisplayBus.h"
#include "DisplayDetector.h"
#include "DisplayMemory.h"
#include "Monitor.h"
#include "RawDdcChannel.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <variant>

namespace m1ddc {

/// A monitor reached with DDC/CI straight on its I2C bus. The bus is the remembered one while sysfs
/// under `sysRoot` still shows it as an external display's and the EDID there still matches;
/// otherwise a detection finds it again and is remembered. A stale memory costs one detection
/// within the same run, never a command sent to another display or to a bus that is no display's.
class DirectDdcMonitor final : public Monitor {
public:
    DirectDdcMonitor(DisplayDetector& detector, DisplayBuses& buses, const DisplayMemory& memory,
                     Clock& clock, std::filesystem::path sysRoot);

    ReadOutcome read(Attribute attribute) override;
    WriteOutcome write(Attribute attribute, int value) override;

    // A remembered bus that stops answering may be stale: keep time for a detection and a full
    // try on the bus it finds.
    static constexpr RawDdcChannel::Budget rememberedBusBudget = std::chrono::milliseconds(1000);
    // Another DDC program holds a bus for one command, tens of milliseconds; holding it longer, it
    // is stuck, and the app had better hear so than wait out its 10 s.
    static constexpr auto busLockPatience = std::chrono::milliseconds(500);
    // Soon enough after the other program lets go, without spinning.
    static constexpr auto busLockPoll = std::chrono::milliseconds(10);

private:
    // One command on a display's channel: the value read (0 for a write), or why it failed.
    using Exchange = std::function<std::variant<int, ChannelFailure>(RawDdcChannel&)>;

    using Outcome = std::variant<int, Failure>;

    Outcome onDisplay(std::uint8_t sourceAddress, const Exchange& exchange);
    // The exchange on the remembered display; nothing when the memory did not hold and a detection
    // must find the display. `refusedDevice` is set when we may not open the remembered bus.
    std::optional<Outcome> onRememberedDisplay(const DisplayRecord& record, std::uint8_t sourceAddress,
                                               const Exchange& exchange,
                                               std::optional<std::string>& refusedDevice);

    DisplayDetector& detector_;
    DisplayBuses& buses_;
    const DisplayMemory& memory_;
    Clock& clock_;
    std::filesystem::path sysRoot_;
};

} // namespace m1ddc
