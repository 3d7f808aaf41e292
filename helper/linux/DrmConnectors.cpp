#include "DrmConnectors.h"

#include "MonitorCodes.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>

namespace m1ddc {

namespace {

std::optional<int> busNumberOf(std::string_view adapterName) {
    constexpr std::string_view prefix = "i2c-";
    if (!adapterName.starts_with(prefix)) {
        return std::nullopt;
    }
    adapterName.remove_prefix(prefix.size());
    int bus = 0;
    const auto* end = adapterName.data() + adapterName.size();
    const auto [stop, error] = std::from_chars(adapterName.data(), end, bus);
    if (adapterName.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return bus;
}

// "card0-DP-1", not "card0" or "renderD128", which sit beside the connectors.
bool isConnectorName(std::string_view name) {
    constexpr std::string_view card = "card";
    if (!name.starts_with(card)) {
        return false;
    }
    const auto dash = name.find('-');
    return dash != std::string_view::npos && dash > card.size() && dash + 1 < name.size() &&
           name.substr(card.size(), dash - card.size()).find_first_not_of("0123456789") ==
               std::string_view::npos;
}

bool reportedDisconnected(const std::filesystem::path& connector) {
    std::ifstream status(connector / "status");
    std::string state;
    return status >> state && state == "disconnected";
}

} // namespace

std::vector<DrmConnector> drmConnectors(const std::filesystem::path& sysRoot) {
    namespace fs = std::filesystem;
    std::vector<DrmConnector> connectors;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(sysRoot / "class" / "drm", error)) {
        const auto name = entry.path().filename().string();
        if (!isConnectorName(name)) {
            continue;
        }
        DrmConnector connector{.name = name,
                               .folder = entry.path(),
                               .buses = {},
                               .builtIn = MonitorCodes::isBuiltInPanelConnector(name),
                               .connected = !reportedDisconnected(entry.path())};
        std::error_code linkError;
        const auto adapter = fs::read_symlink(entry.path() / "ddc", linkError);
        if (!linkError) {
            if (auto bus = busNumberOf(adapter.filename().string())) {
                connector.buses.insert(*bus);
            }
        }
        std::error_code childError;
        for (const auto& child : fs::directory_iterator(entry.path(), childError)) {
            if (auto bus = busNumberOf(child.path().filename().string())) {
                connector.buses.insert(*bus);
            }
        }
        connectors.push_back(std::move(connector));
    }
    return connectors;
}

std::optional<DrmConnector> externalDisplayConnectorOn(const std::filesystem::path& sysRoot, int bus) {
    for (auto& connector : drmConnectors(sysRoot)) {
        if (!connector.builtIn && connector.connected && connector.buses.contains(bus)) {
            return std::move(connector);
        }
    }
    return std::nullopt;
}

bool isUnnamedGraphicsCardBus(const std::filesystem::path& sysRoot, int bus) {
    namespace fs = std::filesystem;
    for (const auto& connector : drmConnectors(sysRoot)) {
        if (connector.buses.contains(bus)) {
            return false;
        }
    }
    // The adapter sits below the device it belongs to; the first ancestor with a PCI class says
    // what that device is. 0x03xxxx is a display controller.
    std::error_code error;
    auto folder = fs::canonical(sysRoot / "bus" / "i2c" / "devices" / ("i2c-" + std::to_string(bus)), error);
    if (error) {
        return false;
    }
    const auto devices = fs::weakly_canonical(sysRoot / "devices", error);
    while (!error && folder.has_parent_path() && folder != folder.parent_path()) {
        folder = folder.parent_path();
        if (folder == devices || folder == folder.root_path()) {
            break;
        }
        std::ifstream classFile(folder / "class");
        std::string pciClass;
        if (classFile >> pciClass) {
            return pciClass.starts_with("0x03");
        }
    }
    return false;
}

std::optional<std::uint64_t> i2cAdapterIdentity(const std::filesystem::path& sysRoot, int bus) {
    namespace fs = std::filesystem;
    // The kernel keeps 48 bytes of an adapter's name; sysfs ends it with a line break.
    constexpr std::size_t maxNameSize = 64;
    std::error_code adapterError, devicesError;
    const auto adapter =
        fs::canonical(sysRoot / "bus" / "i2c" / "devices" / ("i2c-" + std::to_string(bus)), adapterError);
    const auto devices = fs::weakly_canonical(sysRoot / "devices", devicesError);
    if (adapterError || devicesError) {
        return std::nullopt;
    }
    // Where the adapter sits says which card, port or connector it belongs to, as its number
    // cannot.
    const auto device = adapter.parent_path().lexically_relative(devices).generic_string();
    if (device.empty() || device == "." || device.starts_with("..")) {
        return std::nullopt;
    }
    std::ifstream file(adapter / "name", std::ios::binary);
    std::string name(maxNameSize + 1, '\0');
    file.read(name.data(), static_cast<std::streamsize>(name.size()));
    name.resize(static_cast<std::size_t>(file.gcount()));
    if (name.size() < 2 || name.size() > maxNameSize || name.back() != '\n') {
        return std::nullopt;
    }
    name.pop_back();
    if (std::ranges::any_of(name, [](unsigned char c) { return c < 0x20 || c == 0x7F; })) {
        return std::nullopt;
    }
    const auto identity = name + '\n' + device;
    return fnv1a(std::span(reinterpret_cast<const std::uint8_t*>(identity.data()), identity.size()));
}

std::optional<EdidBlock> kernelEdid(const DrmConnector& connector) {
    // Extension blocks may follow; the base block alone names the monitor.
    std::ifstream file(connector.folder / "edid", std::ios::binary);
    EdidBlock edid{};
    file.read(reinterpret_cast<char*>(edid.data()), static_cast<std::streamsize>(edid.size()));
    if (file.gcount() != static_cast<std::streamsize>(edid.size())) {
        return std::nullopt;
    }
    return edid;
}

} // namespace m1ddc
