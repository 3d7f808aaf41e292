#pragma once

#include "Monitor.h"

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>

namespace m1ddc {

/// Everything a simulated monitor remembers: the six percentages and both input codes.
struct SimulatedState {
    /// A plausible monitor: luminance and contrast 70, volume 30, gains 50, on HDMI 1.
    static SimulatedState defaults();

    int value(Attribute attribute) const { return values[static_cast<std::size_t>(attribute)]; }
    void setValue(Attribute attribute, int value) { values[static_cast<std::size_t>(attribute)] = value; }

    std::array<int, static_cast<std::size_t>(Attribute::inputAlt) + 1> values{};

    bool operator==(const SimulatedState&) const = default;
};

/// Reads a state file's text (format described in SimulatedMonitor.cpp). Blank text gives the
/// defaults; missing keys take their default, keeping the two input codes coherent.
std::variant<SimulatedState, Failure> parseSimulatedState(std::string_view text);

/// The state as a state file's text.
std::string formatSimulatedState(const SimulatedState& state);

/// Applies a write the way the monitor would: percentages stay within 0 to 100, and switching
/// through input-alt also changes what input reports.
WriteOutcome applyWrite(SimulatedState& state, Attribute attribute, int value);

/// A monitor that lives in a state file, for running the app and its tests without hardware.
/// Safe to use from many processes at once.
class SimulatedMonitor final : public Monitor {
public:
    explicit SimulatedMonitor(std::filesystem::path stateFile);

    ReadOutcome read(Attribute attribute) override;
    WriteOutcome write(Attribute attribute, int value) override;

private:
    std::filesystem::path stateFile_;
};

} // namespace m1ddc
