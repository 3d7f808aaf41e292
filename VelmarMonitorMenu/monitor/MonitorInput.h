#pragma once

#include <QString>

#include <array>
#include <optional>

// A video input of the monitor. The raw value is also the stored form in scenes and
// input preferences.
enum class MonitorInput { usbC, displayPort, hdmi1, hdmi2 };

namespace MonitorInputs {
inline constexpr std::array<MonitorInput, 4> allCases = {MonitorInput::usbC, MonitorInput::displayPort,
                                                         MonitorInput::hdmi1, MonitorInput::hdmi2};

/// Value of the helper's "input-alt" attribute: the only code ever sent to switch inputs.
int vendorCode(MonitorInput input);
std::optional<MonitorInput> fromVendorCode(int code);
/// Input-source codes of VCP 0x60 as the helper's "input" attribute reports them.
std::optional<MonitorInput> fromStandardCode(int code);
/// The input-source code that selects the input on a monitor without the vendor register.
int standardCode(MonitorInput input);
QString title(MonitorInput input);
QString symbol(MonitorInput input);
} // namespace MonitorInputs

QString rawValue(MonitorInput input);
std::optional<MonitorInput> monitorInputFromRawValue(const QString& raw);
