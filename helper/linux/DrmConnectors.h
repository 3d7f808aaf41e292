#pragma once

#include "Edid.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace m1ddc {

/// A graphics card's connector as sysfs shows it (/sys/class/drm/card0-DP-1).
struct DrmConnector {
    std::string name;
    std::filesystem::path folder; ///< its folder in sysfs
    std::set<int> buses;          ///< the I2C buses its display is reached on
    bool builtIn = false;         ///< a laptop's own panel
    bool connected = false;       ///< anything but reported disconnected
};

/// The connectors under `sysRoot` (normally /sys). A connector's bus is the adapter its "ddc"
/// link names or, on DisplayPort-style connectors, an i2c-N folder of its own.
std::vector<DrmConnector> drmConnectors(const std::filesystem::path& sysRoot);

/// The connector under `sysRoot` whose external display is reached on `bus`, if there is one: a bus
/// number remembered from an earlier run may have gone to a dock's or a memory module's bus since.
std::optional<DrmConnector> externalDisplayConnectorOn(const std::filesystem::path& sysRoot, int bus);

/// Whether `bus` is an I2C adapter of a graphics card that no connector names: drivers that give
/// their connectors no "ddc" link (NVIDIA's own) reach their displays on such buses. A bus a
/// connector does name is judged by that connector alone, and a chipset's SMBus never passes.
bool isUnnamedGraphicsCardBus(const std::filesystem::path& sysRoot, int bus);

/// What names the I2C adapter `bus` under `sysRoot` beyond its number, which a re-plug or a driver
/// reload may give to another adapter: a hash of its name and of the device it sits below. Nothing
/// when sysfs shows no such adapter, or a name that is not one short line of text.
std::optional<std::uint64_t> i2cAdapterIdentity(const std::filesystem::path& sysRoot, int bus);

/// The base block of the EDID the kernel read from the connector's display when it was plugged in;
/// nothing when the driver keeps none.
std::optional<EdidBlock> kernelEdid(const DrmConnector& connector);

} // namespace m1ddc
