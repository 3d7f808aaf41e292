#pragma once

#include "DisplayBus.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace m1ddc {

/// A display's bus through the Linux i2c-dev interface (/dev/i2c-N).
class I2cDevBus final : public DisplayBus {
public:
    /// Takes over `fd`, an open i2c-dev device.
    I2cDevBus(int fd, std::string device);
    I2cDevBus(const I2cDevBus&) = delete;
    I2cDevBus& operator=(const I2cDevBus&) = delete;
    ~I2cDevBus() override;

    const std::string& device() const override { return device_; }
    std::variant<bool, Failure> tryLock() override;
    WriteOutcome send(std::span<const std::uint8_t> message) override;
    std::variant<std::size_t, Failure> receive(std::span<std::uint8_t> buffer) override;
    std::variant<EdidBlock, Failure> readEdid() override;

private:
    WriteOutcome address(std::uint8_t slaveAddress);

    int fd_ = -1;
    std::string device_;
    std::optional<std::uint8_t> addressed_;
};

/// The i2c-dev devices under `devRoot` (normally /dev); sysfs under `sysRoot` (normally /sys)
/// tells which of them belong to connected displays.
class I2cDevBuses final : public DisplayBuses {
public:
    I2cDevBuses(std::filesystem::path devRoot, std::filesystem::path sysRoot);

    std::variant<std::unique_ptr<DisplayBus>, BusRefusal> open(int bus) override;
    std::optional<std::string> forbiddenDisplayDevice() override;

private:
    std::filesystem::path devRoot_;
    std::filesystem::path sysRoot_;
};

} // namespace m1ddc
