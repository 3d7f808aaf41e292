#pragma once

#include "Attribute.h"
#include "Clock.h"
#include "Failure.h"

#include <array>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace m1ddc {

/// Who made a simulated monitor, which decides how it switches inputs.
enum class SimulatedMake {
    velmar, ///< the vendor input register and every input of the shared table
    other,  ///< no vendor input register: the standard feature, among inputs of its own
};

/// Everything a simulated monitor remembers: the six percentages and its input codes, what it is
/// called when the file says, and for a monitor of another make the inputs it has.
struct SimulatedState {
    /// A plausible Velmar monitor: luminance and contrast 70, volume 30, gains 50, on HDMI 1.
    static SimulatedState defaults();

    int value(Attribute attribute) const { return values[static_cast<std::size_t>(attribute)]; }
    void setValue(Attribute attribute, int value) { values[static_cast<std::size_t>(attribute)] = value; }

    /// By attribute; `input-alt` is 0 on a monitor of another make, which has no such register.
    std::array<int, static_cast<std::size_t>(Attribute::inputAlt) + 1> values{};
    std::optional<std::string> name; ///< as `display list` shows it
    std::optional<int> serial;       ///< tells it from another monitor of the same name
    SimulatedMake make = SimulatedMake::velmar;
    /// Another make's input-source codes, in the order its capabilities list them; empty for a
    /// Velmar monitor, which has the shared table's.
    std::vector<int> inputs{};

    bool operator==(const SimulatedState&) const = default;
};

/// What `display list` and the capabilities call a monitor of this make whose file gives no name.
std::string_view simulatedModelName(SimulatedMake make);

/// Reads a state file's text (format described in SimulatedMonitor.cpp). Blank text gives the
/// defaults; missing keys take their default, keeping the input codes coherent.
std::variant<SimulatedState, Failure> parseSimulatedState(std::string_view text);

/// The state as a state file's text.
std::string formatSimulatedState(const SimulatedState& state);

/// The capabilities string of a monitor in this state: its inputs (a Velmar monitor's every input
/// of the shared table), and the features the helper knows that it has.
std::string simulatedCapabilities(const SimulatedState& state);

/// Reads a value the way the monitor would: another make's has no vendor input register.
ReadOutcome applyRead(const SimulatedState& state, Attribute attribute);

/// Applies a write the way the monitor would: percentages stay within 0 to 100, and on a Velmar
/// monitor switching through either input attribute changes what the other reports; another
/// make's switches through the standard feature alone, to an input it has.
WriteOutcome applyWrite(SimulatedState& state, Attribute attribute, int value);

/// A monitor that lives in a state file, for running the app and its tests without hardware.
/// Safe to use from many processes at once.
class SimulatedMonitor {
public:
    explicit SimulatedMonitor(std::filesystem::path stateFile);
    /// Waits for the state's lock on `clock`.
    SimulatedMonitor(std::filesystem::path stateFile, Clock& clock);

    /// The whole state; a missing or blank file is filled in with the defaults.
    std::variant<SimulatedState, Failure> state();
    ReadOutcome read(Attribute attribute);
    WriteOutcome write(Attribute attribute, int value);
    /// A capabilities string like a real monitor's, listing the inputs this one has.
    std::variant<std::string, Failure> capabilities();

    // A run holds the lock for a millisecond, many runs at once on a slow machine a while longer;
    // longer than this the holder is stuck (stopped in a debugger, say), and the app had better
    // hear so than wait out its 10 s.
    static constexpr auto lockPatience = std::chrono::milliseconds(3000);
    // Soon enough after the holder lets go, without spinning.
    static constexpr auto lockPoll = std::chrono::milliseconds(5);

private:
    std::filesystem::path stateFile_;
    SteadyClock steadyClock_;
    Clock& clock_;
};

} // namespace m1ddc
