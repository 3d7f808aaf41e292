#include "I2cDevTransport.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

namespace m1ddc {

namespace {

Failure systemFailure(const std::string& what, const std::string& path) {
    return Failure{what + " " + path + ": " + std::strerror(errno)};
}

} // namespace

std::variant<I2cDevTransport, Failure> I2cDevTransport::open(int busNumber) {
    std::string path = "/dev/i2c-" + std::to_string(busNumber);
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return systemFailure("Cannot open", path);
    }
    I2cDevTransport transport(fd, std::move(path));
    if (::ioctl(fd, I2C_SLAVE, ddc::displaySlaveAddress) < 0) {
        return systemFailure("Cannot address the display on", transport.path_);
    }
    return transport;
}

I2cDevTransport::I2cDevTransport(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

I2cDevTransport::I2cDevTransport(I2cDevTransport&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

I2cDevTransport::~I2cDevTransport() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

WriteOutcome I2cDevTransport::send(std::span<const std::uint8_t> message) {
    const auto written = ::write(fd_, message.data(), message.size());
    if (written < 0) {
        return systemFailure("Cannot write to", path_);
    }
    if (static_cast<std::size_t>(written) != message.size()) {
        return Failure{"Incomplete write to " + path_};
    }
    return std::nullopt;
}

std::variant<std::size_t, Failure> I2cDevTransport::receive(std::span<std::uint8_t> buffer) {
    const auto count = ::read(fd_, buffer.data(), buffer.size());
    if (count < 0) {
        return systemFailure("Cannot read from", path_);
    }
    return static_cast<std::size_t>(count);
}

} // namespace m1ddc
