#include "DirectDdcDisplays.h"

#include "DrmConnectors.h"

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
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

// Waits for any other DDC program to let go of the bus, within busLockPatience: true once the bus
// is ours, false while the other program still holds it.
std::variant<bool, Failure> takeBus(DisplayBus& bus, Clock& clock) {
    const auto deadline = clock.now() + DirectDdcDisplays::busLockPatience;
    while (true) {
        auto taken = bus.tryLock();
        if (std::holds_alternative<Failure>(taken) || std::get<bool>(taken)) {
            return taken;
        }
        if (clock.now() + DirectDdcDisplays::busLockPoll > deadline) {
            return false;
        }
        clock.sleep(DirectDdcDisplays::busLockPoll);
    }
}

Failure busyFailure(const std::string& device) {
    return Failure{"The display's bus is busy: another program is using " + device};
}

// The vendor input register only obeys messages from 0x50.
std::uint8_t sourceAddressFor(Attribute attribute) {
    return attribute == Attribute::inputAlt ? ddc::vendorHostAddress : ddc::hostAddress;
}

// What sysfs shows of a remembered display's bus, without opening it.
struct BusInSysfs {
    bool external = false;                 ///< still an external display's bus, or may be
    bool namedByConnector = false;         ///< a connector says so; else only the adapter's card does
    std::optional<EdidBlock> kernelEdid{}; ///< the EDID of the display on it, when the driver keeps one
};

BusInSysfs lookInSysfs(const std::filesystem::path& sysRoot, int bus) {
    // Bus numbers move when a dock or a hub comes or goes: not even the device is opened unless
    // the bus is still an external display's.
    const auto connector = externalDisplayConnectorOn(sysRoot, bus);
    if (!connector) {
        return {.external = isUnnamedGraphicsCardBus(sysRoot, bus)};
    }
    // The kernel's copy of the EDID costs nothing to check, where reading it on the bus takes
    // 12 ms at 100 kHz; another monitor's bus is then not even opened.
    return {.external = true, .namedByConnector = true, .kernelEdid = kernelEdid(*connector)};
}

// What sysfs shows of a remembered display's bus while it still agrees with the record: an external
// display's bus, the adapter it was, and the kernel's copy of the EDID, if it keeps one, the
// display's. Nothing when it does not.
std::optional<BusInSysfs> stillInSysfs(const std::filesystem::path& sysRoot, const DisplayRecord& record) {
    auto seen = lookInSysfs(sysRoot, record.bus);
    // An adapter that no connector names is the display's only while it is the adapter the
    // display was found on.
    if (!seen.external || (!seen.namedByConnector && !record.adapter) ||
        (seen.kernelEdid && edidHash(*seen.kernelEdid) != record.edidHash) ||
        i2cAdapterIdentity(sysRoot, record.bus) != record.adapter) {
        return std::nullopt;
    }
    return seen;
}

// The EDID hashes of the connected external displays on none of `buses`. Only a display whose
// driver keeps its EDID is seen: one without it is found when a remembered display stops holding.
std::vector<std::uint64_t> displaysElsewhere(const std::filesystem::path& sysRoot,
                                             const std::set<int>& buses) {
    std::vector<std::uint64_t> hashes;
    for (const auto& connector : drmConnectors(sysRoot)) {
        const bool elsewhere =
            std::ranges::none_of(connector.buses, [&](int bus) { return buses.contains(bus); });
        const auto edid =
            connector.builtIn || !connector.connected || !elsewhere ? std::nullopt : kernelEdid(connector);
        if (edid) {
            hashes.push_back(edidHash(*edid));
        }
    }
    return hashes;
}

// Whether every record names its monitor: a file from an earlier helper only tells the default.
bool namesMonitors(const RememberedDisplays& remembered) {
    return std::ranges::all_of(remembered.displays,
                               [](const DisplayRecord& display) { return display.monitorHash.has_value(); });
}

std::uint64_t idHash(const DisplayRecord& display) {
    return display.monitorHash.value_or(0);
}

std::uint64_t idHash(const FoundDisplay& display) {
    return monitorHash(monitorIdentity(display.edid));
}

// Earlier helpers named a display by its whole EDID.
template <typename Display> std::uint64_t formerIdHash(const Display& display) {
    if constexpr (std::is_same_v<Display, FoundDisplay>) {
        return edidHash(display.edid);
    } else {
        return display.edidHash;
    }
}

// The displays' ids by the rule of today's helper, or with `former` by the rule of earlier ones.
template <typename Display>
std::vector<std::uint64_t> idsOf(const std::vector<Display>& displays, bool former = false) {
    std::vector<DisplayIdentity> identities;
    for (const auto& display : displays) {
        identities.push_back(
            {.hash = former ? formerIdHash(display) : idHash(display), .place = display.bus});
    }
    return displayIds(identities);
}

} // namespace

DirectDdcDisplays::DirectDdcDisplays(DisplayDetector& detector, DisplayBuses& buses,
                                     const DisplayMemory& memory, Clock& clock, std::filesystem::path sysRoot)
    : detector_(detector), buses_(buses), memory_(memory), clock_(clock), sysRoot_(std::move(sysRoot)) {}

std::variant<DirectDdcDisplays::Confirmed, DirectDdcDisplays::Stale, DirectDdcDisplays::Busy>
DirectDdcDisplays::confirm(const DisplayRecord& record, bool toTalk,
                           std::optional<std::string>& refusedDevice) {
    const auto found = stillInSysfs(sysRoot_, record);
    if (!found) {
        return Stale{};
    }
    const auto& seen = *found;
    if (seen.kernelEdid && !toTalk) {
        return Confirmed{.edid = *seen.kernelEdid};
    }
    auto opened = buses_.open(record.bus);
    if (const auto* refusal = std::get_if<BusRefusal>(&opened)) {
        if (refusal->permissionDenied) {
            refusedDevice = refusal->device;
        }
        return Stale{};
    }
    auto bus = std::get<std::unique_ptr<DisplayBus>>(std::move(opened));
    const auto taken = takeBus(*bus, clock_);
    if (std::holds_alternative<Failure>(taken)) {
        return Stale{};
    }
    // Another DDC program using the bus does not make it another display's, as long as sysfs,
    // looked at again after the wait, still says the display is there.
    if (!std::get<bool>(taken)) {
        if (!stillInSysfs(sysRoot_, record)) {
            return Stale{};
        }
        return Busy{bus->device()};
    }
    // The device was opened by its number after the look above, and the lock may have taken a
    // while: the number must still be the adapter's the display was found on before a byte goes out.
    if (i2cAdapterIdentity(sysRoot_, record.bus) != record.adapter) {
        return Stale{};
    }
    Confirmed confirmed{.edid = seen.kernelEdid.value_or(EdidBlock{})};
    if (!seen.kernelEdid) {
        const auto edid = bus->readEdid();
        const auto* block = std::get_if<EdidBlock>(&edid);
        if (block == nullptr || edidHash(*block) != record.edidHash) {
            return Stale{};
        }
        confirmed.edid = *block;
    }
    if (toTalk) {
        confirmed.bus = std::move(bus);
    }
    return confirmed;
}

std::optional<DirectDdcDisplays::Outcome>
DirectDdcDisplays::onRememberedDisplay(const DisplayRecord& record, std::uint8_t sourceAddress,
                                       const Exchange& exchange, std::optional<std::string>& refusedDevice) {
    auto confirmed = confirm(record, true, refusedDevice);
    // A bus another program keeps is still this display's: detecting would only find the same bus,
    // and forgetting it would cost the next run a detection.
    if (const auto* busy = std::get_if<Busy>(&confirmed)) {
        return busyFailure(busy->device);
    }
    auto* display = std::get_if<Confirmed>(&confirmed);
    if (display == nullptr) {
        return std::nullopt;
    }
    RawDdcChannel channel(*display->bus, clock_, sourceAddress, rememberedBusBudget);
    auto outcome = exchange(channel);
    if (const auto* value = std::get_if<int>(&outcome)) {
        return *value;
    }
    if (auto& failure = std::get<ChannelFailure>(outcome); failure.definite) {
        return Failure{std::move(failure.reason)};
    }
    return std::nullopt;
}

std::optional<std::vector<ListedDisplay>>
DirectDdcDisplays::listRemembered(const RememberedDisplays& remembered) {
    const auto ids = idsOf(remembered.displays);
    const auto formerIds = idsOf(remembered.displays, true);
    std::vector<ListedDisplay> listed;
    auto named = remembered;
    std::optional<std::string> refusedDevice;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const auto& record = remembered.displays[i];
        const auto confirmed = confirm(record, false, refusedDevice);
        if (std::holds_alternative<Stale>(confirmed)) {
            return std::nullopt;
        }
        std::optional<std::string> name;
        if (const auto* display = std::get_if<Confirmed>(&confirmed)) {
            name = named.displays[i].name = edidName(display->edid);
        } else {
            // The app drops a monitor that a listing leaves out, and any work under way on it: one
            // that sysfs still shows on its bus while another program holds it keeps its place
            // under the name it had. A file from before names were kept has none to give.
            name = record.name;
        }
        if (name) {
            listed.push_back({.id = ids[i], .name = std::move(*name), .formerId = formerIds[i]});
        }
    }
    // Only when a name was missing (or not the EDID's), so that a listing seldom writes.
    if (named != remembered) {
        memory_.remember(named);
    }
    return listed;
}

bool DirectDdcDisplays::unknownDisplayConnected(const RememberedDisplays& remembered) const {
    std::set<int> buses;
    for (const auto& display : remembered.displays) {
        buses.insert(display.bus);
    }
    return std::ranges::any_of(displaysElsewhere(sysRoot_, buses), [&](std::uint64_t hash) {
        return std::ranges::find(remembered.silent, hash) == remembered.silent.end();
    });
}

std::variant<std::vector<FoundDisplay>, Failure>
DirectDdcDisplays::detect(const std::optional<RememberedDisplays>& before) {
    auto detection = detector_.detect();
    if (auto* failure = std::get_if<Failure>(&detection)) {
        memory_.forget();
        return std::move(*failure);
    }
    auto found = std::get<std::vector<FoundDisplay>>(std::move(detection));
    if (found.empty()) {
        memory_.forget();
        return found;
    }
    if (before) {
        // An earlier helper's file names the default by the id it printed then.
        const bool former = !namesMonitors(*before);
        const auto ids = idsOf(found, former);
        const auto it = std::ranges::find(ids, idsOf(before->displays, former).front());
        if (it != ids.end()) {
            const auto defaultOne = found.begin() + (it - ids.begin());
            std::rotate(found.begin(), defaultOne, defaultOne + 1);
        }
    }
    RememberedDisplays remembered;
    std::set<int> buses;
    for (const auto& display : found) {
        remembered.displays.push_back({.bus = display.bus,
                                       .edidHash = edidHash(display.edid),
                                       .monitorHash = idHash(display),
                                       .adapter = i2cAdapterIdentity(sysRoot_, display.bus),
                                       .name = edidName(display.edid)});
        buses.insert(display.bus);
    }
    // Connected displays that did not answer (DDC/CI turned off, a TV) must not look new next time.
    remembered.silent = displaysElsewhere(sysRoot_, buses);
    memory_.remember(remembered);
    return found;
}

Listing DirectDdcDisplays::list() {
    const auto remembered = memory_.recall();
    if (remembered && namesMonitors(*remembered) && !unknownDisplayConnected(*remembered)) {
        if (auto listed = listRemembered(*remembered)) {
            return std::move(*listed);
        }
    }

    auto detected = detect(remembered);
    if (auto* failure = std::get_if<Failure>(&detected)) {
        return std::move(*failure);
    }
    const auto& found = std::get<std::vector<FoundDisplay>>(detected);
    // No display because we may not see it is not the same as none connected.
    if (found.empty()) {
        if (const auto device = buses_.forbiddenDisplayDevice()) {
            return permissionFailure(*device);
        }
    }
    const auto ids = idsOf(found);
    const auto formerIds = idsOf(found, true);
    std::vector<ListedDisplay> listed;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        listed.push_back({.id = ids[i], .name = edidName(found[i].edid), .formerId = formerIds[i]});
    }
    return listed;
}

DirectDdcDisplays::Outcome DirectDdcDisplays::onDisplay(const DisplayTarget& target,
                                                        std::uint8_t sourceAddress,
                                                        const Exchange& exchange) {
    std::optional<std::string> refusedDevice;
    const auto remembered = memory_.recall();
    if (remembered && namesMonitors(*remembered)) {
        if (const auto i = findDisplay(target, idsOf(remembered->displays))) {
            if (auto outcome =
                    onRememberedDisplay(remembered->displays[*i], sourceAddress, exchange, refusedDevice)) {
                return std::move(*outcome);
            }
        }
    }

    // Nothing remembered, or the memory did not hold: a detection costs this run its time, where
    // trusting the memory further could send the command to another display.
    auto detected = detect(remembered);
    if (auto* failure = std::get_if<Failure>(&detected)) {
        return std::move(*failure);
    }
    const auto& found = std::get<std::vector<FoundDisplay>>(detected);
    if (found.empty()) {
        if (!refusedDevice) {
            refusedDevice = buses_.forbiddenDisplayDevice();
        }
        return refusedDevice ? permissionFailure(*refusedDevice) : Failure{noDisplayText};
    }
    const auto i = findDisplay(target, idsOf(found));
    if (!i) {
        return noDisplayWithId(target);
    }

    auto opened = buses_.open(found[*i].bus);
    if (const auto* refusal = std::get_if<BusRefusal>(&opened)) {
        return refusal->permissionDenied ? permissionFailure(refusal->device) : Failure{refusal->reason};
    }
    auto& bus = *std::get<std::unique_ptr<DisplayBus>>(opened);
    auto taken = takeBus(bus, clock_);
    if (auto* failure = std::get_if<Failure>(&taken)) {
        return std::move(*failure);
    }
    if (!std::get<bool>(taken)) {
        return busyFailure(bus.device());
    }
    RawDdcChannel channel(bus, clock_, sourceAddress);
    auto outcome = exchange(channel);
    if (const auto* value = std::get_if<int>(&outcome)) {
        return *value;
    }
    return Failure{std::move(std::get<ChannelFailure>(outcome).reason)};
}

ReadOutcome DirectDdcDisplays::read(const DisplayTarget& target, Attribute attribute) {
    return onDisplay(target, sourceAddressFor(attribute),
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

WriteOutcome DirectDdcDisplays::write(const DisplayTarget& target, Attribute attribute, int value) {
    auto outcome = onDisplay(
        target, sourceAddressFor(attribute),
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

std::variant<std::string, Failure> DirectDdcDisplays::capabilities(const DisplayTarget& target) {
    std::string text;
    auto outcome = onDisplay(target, ddc::hostAddress,
                             [&text](RawDdcChannel& channel) -> std::variant<int, ChannelFailure> {
                                 auto reply = channel.capabilities();
                                 if (auto* failure = std::get_if<ChannelFailure>(&reply)) {
                                     failure->reason = "Cannot read the capabilities: " + failure->reason;
                                     return std::move(*failure);
                                 }
                                 text = std::get<std::string>(std::move(reply));
                                 return 0;
                             });
    if (auto* failure = std::get_if<Failure>(&outcome)) {
        return std::move(*failure);
    }
    return text;
}

} // namespace m1ddc
