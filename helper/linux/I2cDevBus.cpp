#include "I2cDevBus.h"

#include "DrmConnectors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace m1ddc {

namespace {

constexpr std::uint8_t edidAddress = 0x50;

Failure systemFailure(const std::string& what, const std::string& device) {
    return Failure{what + " " + device + ": " + std::strerror(errno)};
}

} // namespace

I2cDevBus::I2cDevBus(int fd, std::string device) : fd_(fd), device_(std::move(device)) {}

I2cDevBus::~I2cDevBus() {
    ::close(fd_);
}

WriteOutcome I2cDevBus::address(std::uint8_t slaveAddress) {
    if (addressed_ == slaveAddress) {
        return std::nullopt;
    }
    // An address a kernel driver holds (EBUSY) is not ours to take: the bus is not what we think,
    // and the caller finds the display again instead.
    if (::ioctl(fd_, I2C_SLAVE, static_cast<unsigned long>(slaveAddress)) < 0) {
        addressed_.reset();
        return systemFailure("Cannot address the display on", device_);
    }
    addressed_ = slaveAddress;
    return std::nullopt;
}

std::variant<bool, Failure> I2cDevBus::tryLock() {
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            return false;
        }
        if (errno != EINTR) {
            return systemFailure("Cannot lock", device_);
        }
    }
    return true;
}

WriteOutcome I2cDevBus::send(std::span<const std::uint8_t> message) {
    if (auto failure = address(ddc::displaySlaveAddress)) {
        return failure;
    }
    const auto written = ::write(fd_, message.data(), message.size());
    if (written < 0) {
        return systemFailure("Cannot write to", device_);
    }
    if (static_cast<std::size_t>(written) != message.size()) {
        return Failure{"Incomplete write to " + device_};
    }
    return std::nullopt;
}

std::variant<std::size_t, Failure> I2cDevBus::receive(std::span<std::uint8_t> buffer) {
    if (auto failure = address(ddc::displaySlaveAddress)) {
        return std::move(*failure);
    }
    const auto count = ::read(fd_, buffer.data(), buffer.size());
    if (count < 0) {
        return systemFailure("Cannot read from", device_);
    }
    return static_cast<std::size_t>(count);
}

std::variant<EdidBlock, Failure> I2cDevBus::readEdid() {
    if (auto failure = address(edidAddress)) {
        return std::move(*failure);
    }
    // Set the EEPROM's offset to the start of the base block, then read it whole.
    const std::uint8_t offset = 0;
    if (::write(fd_, &offset, 1) != 1) {
        return systemFailure("Cannot read the EDID on", device_);
    }
    EdidBlock edid{};
    const auto count = ::read(fd_, edid.data(), edid.size());
    if (count < 0) {
        return systemFailure("Cannot read the EDID on", device_);
    }
    if (static_cast<std::size_t>(count) != edid.size()) {
        return Failure{"Incomplete EDID on " + device_};
    }
    return edid;
}

I2cDevBuses::I2cDevBuses(std::filesystem::path devRoot, std::filesystem::path sysRoot)
    : devRoot_(std::move(devRoot)), sysRoot_(std::move(sysRoot)) {}

std::variant<std::unique_ptr<DisplayBus>, BusRefusal> I2cDevBuses::open(int bus) {
    std::string device = (devRoot_ / ("i2c-" + std::to_string(bus))).string();
    const int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const bool denied = errno == EACCES || errno == EPERM;
        auto reason = systemFailure("Cannot open", device).reason;
        return BusRefusal{
            .device = std::move(device), .reason = std::move(reason), .permissionDenied = denied};
    }
    unsigned long functions = 0;
    if (::ioctl(fd, I2C_FUNCS, &functions) < 0) {
        auto reason = systemFailure("Not an I2C bus:", device).reason;
        ::close(fd);
        return BusRefusal{.device = std::move(device), .reason = std::move(reason)};
    }
    return std::make_unique<I2cDevBus>(fd, std::move(device));
}

std::optional<std::string> I2cDevBuses::forbiddenDisplayDevice() {
    for (const auto& connector : drmConnectors(sysRoot_)) {
        if (connector.builtIn || !connector.connected) {
            continue;
        }
        for (const int bus : connector.buses) {
            const auto device = devRoot_ / ("i2c-" + std::to_string(bus));
            const int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
            if (fd >= 0) {
                ::close(fd);
            } else if (errno == EACCES || errno == EPERM) {
                return device.string();
            }
        }
    }
    return std::nullopt;
}

} // namespace m1ddc
