#pragma once

#include "Clock.h"
#include "DisplayBus.h"
#include "DisplayDetector.h"
#include "DisplayMemory.h"
#include "Displays.h"
#include "RawDdcChannel.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace m1ddc {

/// The monitors reached with DDC/CI straight on their I2C buses. A monitor's bus is the remembered
/// one while sysfs under `sysRoot` still shows it as an external display's, as the adapter it was,
/// and the EDID there still matches; otherwise a detection finds every monitor again, and they are
/// remembered. A stale memory costs one detection within the same run, never a command sent to
/// another display or to a bus that is no display's. A bus that another DDC program holds is busy,
/// not stale: the command on it fails, a listing names its monitor as remembered while sysfs still
/// shows it there, and the memory stays.
class DirectDdcDisplays final : public Displays {
public:
    DirectDdcDisplays(DisplayDetector& detector, DisplayBuses& buses, const DisplayMemory& memory,
                      Clock& clock, std::filesystem::path sysRoot);

    /// The remembered monitors as long as sysfs confirms them all and shows no connected display
    /// the memory does not know (one whose bus another program holds by the id and name
    /// remembered for it); otherwise what a detection finds.
    Listing list() override;
    ReadOutcome read(const DisplayTarget& target, Attribute attribute) override;
    WriteOutcome write(const DisplayTarget& target, Attribute attribute, int value) override;
    std::variant<std::string, Failure> capabilities(const DisplayTarget& target) override;

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

    // A remembered display on its bus, the EDID checked and the bus, when asked for, ours to talk on.
    struct Confirmed {
        EdidBlock edid{};
        std::unique_ptr<DisplayBus> bus{};
    };
    // The memory no longer holds for the display: another display or adapter, or none.
    struct Stale {};
    // Another program holds the display's bus past our patience; the memory may well hold.
    struct Busy {
        std::string device;
    };
    Outcome onDisplay(const DisplayTarget& target, std::uint8_t sourceAddress, const Exchange& exchange);
    // Whether a remembered display is still on its bus, as far as a look at sysfs and, when it
    // does not tell, at the bus shows; `toTalk` takes the bus even then. `refusedDevice` is set when
    // we may not open the bus. Busy only while sysfs, looked at again after the wait, agrees.
    std::variant<Confirmed, Stale, Busy> confirm(const DisplayRecord& record, bool toTalk,
                                                 std::optional<std::string>& refusedDevice);
    // The exchange on a remembered display; nothing when the memory did not hold and a detection
    // must find the display. `refusedDevice` is set when we may not open the remembered bus.
    std::optional<Outcome> onRememberedDisplay(const DisplayRecord& record, std::uint8_t sourceAddress,
                                               const Exchange& exchange,
                                               std::optional<std::string>& refusedDevice);
    // The remembered displays that are still on their buses, one whose bus another program holds
    // by its remembered name; nothing when one is not. Puts in the names a record lacks.
    std::optional<std::vector<ListedDisplay>> listRemembered(const RememberedDisplays& remembered);
    // Whether sysfs shows a connected external display that `remembered` does not know.
    bool unknownDisplayConnected(const RememberedDisplays& remembered) const;
    // Finds every display and remembers them, the default first: the one remembered as the
    // default while it is still there, else the first found.
    std::variant<std::vector<FoundDisplay>, Failure> detect(const std::optional<RememberedDisplays>& before);

    DisplayDetector& detector_;
    DisplayBuses& buses_;
    const DisplayMemory& memory_;
    Clock& clock_;
    std::filesystem::path sysRoot_;
};

} // namespace m1ddc
