#pragma once

#include "RawDdcChannel.h"

#include <string>
#include <variant>

namespace m1ddc {

/// The DDC/CI channel of the display on /dev/i2c-N, through the Linux i2c-dev interface.
class I2cDevTransport final : public DdcTransport {
public:
    /// Opens the bus and addresses the display on it.
    static std::variant<I2cDevTransport, Failure> open(int busNumber);

    I2cDevTransport(I2cDevTransport&& other) noexcept;
    I2cDevTransport& operator=(I2cDevTransport&&) = delete;
    ~I2cDevTransport() override;

    WriteOutcome send(std::span<const std::uint8_t> message) override;
    std::variant<std::size_t, Failure> receive(std::span<std::uint8_t> buffer) override;

private:
    I2cDevTransport(int fd, std::string path);

    int fd_ = -1;
    std::string path_;
};

} // namespace m1ddc
