#include "SimulatedDisplays.h"

#include "Edid.h"
#include "SimulatedMonitor.h"

#include <algorithm>
#include <string>

namespace m1ddc {

SimulatedDisplays::SimulatedDisplays(std::string_view stateFiles) {
    while (!stateFiles.empty()) {
        const auto end = std::min(stateFiles.find(':'), stateFiles.size());
        if (end > 0) {
            stateFiles_.emplace_back(stateFiles.substr(0, end));
        }
        stateFiles.remove_prefix(std::min(end + 1, stateFiles.size()));
    }
}

Listing SimulatedDisplays::list() {
    std::vector<ListedDisplay> listed;
    std::vector<DisplayIdentity> identities;
    std::vector<DisplayIdentity> formerIdentities;
    for (std::size_t i = 0; i < stateFiles_.size(); ++i) {
        auto state = SimulatedMonitor(stateFiles_[i]).state();
        if (auto* failure = std::get_if<Failure>(&state)) {
            return std::move(*failure);
        }
        const auto& monitor = std::get<SimulatedState>(state);
        const int place = static_cast<int>(i) + 1;
        const auto name = monitor.name.value_or(std::string(simulatedModelName(monitor.make)) +
                                                (place == 1 ? "" : " (" + std::to_string(place) + ")"));
        const int serial = monitor.serial.value_or(place);
        // As an EDID names a real monitor: what it is called and its serial number.
        identities.push_back(
            {.hash = monitorHash(
                 {.serialNumber = static_cast<std::uint32_t>(serial), .name = name, .serialText = {}}),
             .place = place});
        // Earlier helpers hashed the two as one text.
        const auto former = name + '\n' + std::to_string(serial);
        formerIdentities.push_back(
            {.hash = fnv1a(std::span(reinterpret_cast<const std::uint8_t*>(former.data()), former.size())),
             .place = place});
        listed.push_back({.name = name});
    }
    const auto ids = displayIds(identities);
    const auto formerIds = displayIds(formerIdentities);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        listed[i].id = ids[i];
        listed[i].formerId = formerIds[i];
    }
    return listed;
}

std::variant<std::filesystem::path, Failure> SimulatedDisplays::stateFileOf(const DisplayTarget& target) {
    // The default monitor is reached as it always was, without reading the others.
    if (target.empty()) {
        return stateFiles_.empty()
                   ? std::variant<std::filesystem::path, Failure>(Failure{"No external display found"})
                   : stateFiles_.front();
    }
    auto listing = list();
    if (auto* failure = std::get_if<Failure>(&listing)) {
        return std::move(*failure);
    }
    std::vector<std::uint64_t> ids;
    for (const auto& display : std::get<std::vector<ListedDisplay>>(listing)) {
        ids.push_back(display.id);
    }
    if (const auto i = findDisplay(target, ids)) {
        return stateFiles_[*i];
    }
    return noDisplayWithId(target);
}

ReadOutcome SimulatedDisplays::read(const DisplayTarget& target, Attribute attribute) {
    auto file = stateFileOf(target);
    if (auto* failure = std::get_if<Failure>(&file)) {
        return std::move(*failure);
    }
    return SimulatedMonitor(std::get<std::filesystem::path>(file)).read(attribute);
}

WriteOutcome SimulatedDisplays::write(const DisplayTarget& target, Attribute attribute, int value) {
    auto file = stateFileOf(target);
    if (auto* failure = std::get_if<Failure>(&file)) {
        return std::move(*failure);
    }
    return SimulatedMonitor(std::get<std::filesystem::path>(file)).write(attribute, value);
}

std::variant<std::string, Failure> SimulatedDisplays::capabilities(const DisplayTarget& target) {
    auto file = stateFileOf(target);
    if (auto* failure = std::get_if<Failure>(&file)) {
        return std::move(*failure);
    }
    return SimulatedMonitor(std::get<std::filesystem::path>(file)).capabilities();
}

} // namespace m1ddc
