#include "DirectDdcMonitor.h"

#include "DrmConnectors.h"

#include <optional>
#include <string>
#include <utility>

namespace m1ddc {

namespace {

constexpr const char* noDisplayText = "No external display found";

// The ddcutil package's rule opens the graphics cards' buses alone to the user at the machine; the
// i2c group opens every bus, the memory modules' included, so it comes second.
Failure permissionFailure(const std::string& device) {
    return Failure{"No permission to use " + device +
                   ": install Debian's ddcutil package, whose udev rule opens the displays' buses to "
                   "you, or else join the i2c group (sudo usermod -aG i2c $USER, then log in again), "
                   "which opens every I2C bus, memory modules' included"};
}

// Waits for any other DDC program to let go of the bus, within busLockPatience.
std::optional<Failure> takeBus(DisplayBus& bus, Clock& clock) {
    const auto deadline = clock.now() + DirectDdcMonitor::busLockPatience;
    while (true) {
        auto taken = bus.tryLock();
        if (auto* failure = std::get_if<Failure>(&taken)) {
            return std::move(*failure);
        }
        if (std::get<bool>(taken)) {
            return std::nullopt;
        }
        if (clock.now() + DirectDdcMonitor::busLockPoll > deadline) {
            return Failure{bus.device() + " is in use by another program"};
        }
        clock.sleep(DirectDdcMonitor::busLockPoll);
    }
}

// The vendor input register only obeys messages from 0x50.
std::uint8_t sourceAddressFor(Attribute attribute) {
    return attribute == Attribute::inputAlt ? ddc::vendorHostAddress : ddc::hostAddress;
}

} // namespace

DirectDdcMonitor::DirectDdcMonitor(DisplayDetector& detector, DisplayBuses& buses,
                                   const DisplayMemory& memory, Clock& clock, std::filesystem::path sysRoot)
    : detector_(detector), buses_(buses), memory_(memory), clock_(clock), sysRoot_(std::move(sysRoot)) {}

std::optional<DirectDdcMonitor::Outcome>
DirectDdcMonitor::onRememberedDisplay(const DisplayRecord& record, std::uint8_t sourceAddress,
                                      const Exchange& exchange, std::optional<std::string>& refusedDevice) {
    // Bus numbers move when a dock or a hub comes or goes: not even the device is opened unless
    // the bus is still an external display's.
    const auto connector = externalDisplayConnectorOn(sysRoot_, record.bus);
    if (!connector && !isUnnamedGraphicsCardBus(sysRoot_, record.bus)) {
        return std::nullopt;
    }
    // The kernel's copy of the EDID costs nothing to check, where reading it on the bus takes
    // 12 ms at 100 kHz; another monitor's bus is then not even opened.
    const auto kernelCopy = connector ? kernelEdid(*connector) : std::nullopt;
    if (kernelCopy && edidHash(*kernelCopy) != record.edidHash) {
        return std::nullopt;
    }
    auto opened = buses_.open(record.bus);
    if (const auto* refusal = std::get_if<BusRefusal>(&opened)) {
        if (refusal->permissionDenied) {
            refusedDevice = refusal->device;
        }
        return std::nullopt;
    }
    auto& bus = *std::get<std::unique_ptr<DisplayBus>>(opened);
    // A display's bus that another program keeps: detecting would only find the same bus.
    if (auto failure = takeBus(bus, clock_)) {
        return std::move(*failure);
    }
    if (!kernelCopy) {
        const auto edid = bus.readEdid();
        const auto* block = std::get_if<EdidBlock>(&edid);
        if (block == nullptr || edidHash(*block) != record.edidHash) {
            return std::nullopt;
        }
    }
    RawDdcChannel channel(bus, clock_, sourceAddress, rememberedBusBudget);
    auto outcome = exchange(channel);
    if (const auto* value = std::get_if<int>(&outcome)) {
        return *value;
    }
    if (auto& failure = std::get<ChannelFailure>(outcome); failure.definite) {
        return Failure{std::move(failure.reason)};
    }
    return std::nullopt;
}

DirectDdcMonitor::Outcome DirectDdcMonitor::onDisplay(std::uint8_t sourceAddress, const Exchange& exchange) {
    std::optional<std::string> refusedDevice;
    if (const auto remembered = memory_.recall()) {
        if (auto outcome =
                onRememberedDisplay(remembered->displays.front(), sourceAddress, exchange, refusedDevice)) {
            return std::move(*outcome);
        }
    }

    // Nothing remembered, or the memory did not hold: a detection costs this run its time, where
    // trusting the memory further could send the command to another display.
    auto detection = detector_.detect();
    const auto* found = std::get_if<FoundDisplay>(&detection);
    if (found == nullptr) {
        memory_.forget();
        if (auto* failure = std::get_if<Failure>(&detection)) {
            return std::move(*failure);
        }
        if (!refusedDevice) {
            refusedDevice = buses_.forbiddenDisplayDevice();
        }
        return refusedDevice ? permissionFailure(*refusedDevice) : Failure{noDisplayText};
    }
    memory_.remember({.displays = {{.bus = found->bus, .edidHash = edidHash(found->edid)}}});

    auto opened = buses_.open(found->bus);
    if (const auto* refusal = std::get_if<BusRefusal>(&opened)) {
        return refusal->permissionDenied ? permissionFailure(refusal->device) : Failure{refusal->reason};
    }
    auto& bus = *std::get<std::unique_ptr<DisplayBus>>(opened);
    if (auto failure = takeBus(bus, clock_)) {
        return std::move(*failure);
    }
    RawDdcChannel channel(bus, clock_, sourceAddress);
    auto outcome = exchange(channel);
    if (const auto* value = std::get_if<int>(&outcome)) {
        return *value;
    }
    return Failure{std::move(std::get<ChannelFailure>(outcome).reason)};
}

ReadOutcome DirectDdcMonitor::read(Attribute attribute) {
    return onDisplay(sourceAddressFor(attribute),
                     [attribute](RawDdcChannel& channel) -> std::variant<int, ChannelFailure> {
                         auto reply = channel.getVcp(vcpCode(attribute));
                         if (auto* failure = std::get_if<ChannelFailure>(&reply)) {
                             failure->reason =
                                 "Cannot read " + std::string(wordOf(attribute)) + ": " + failure->reason;
                             return std::move(*failure);
                         }
                         const int current = std::get<ddc::VcpValue>(reply).current;
                         // Input codes are one byte; some displays put flags in the high byte.
                         return isPercentage(attribute) ? current : current & 0xFF;
                     });
}

WriteOutcome DirectDdcMonitor::write(Attribute attribute, int value) {
    auto outcome = onDisplay(
        sourceAddressFor(attribute),
        [attribute, value](RawDdcChannel& channel) -> std::variant<int, ChannelFailure> {
            if (auto failure = channel.setVcp(vcpCode(attribute), static_cast<std::uint16_t>(value))) {
                failure->reason = "Cannot set " + std::string(wordOf(attribute)) + ": " + failure->reason;
                return std::move(*failure);
            }
            return 0;
        });
    if (auto* failure = std::get_if<Failure>(&outcome)) {
        return std::move(*failure);
    }
    return std::nullopt;
}

} // namespace m1ddc
