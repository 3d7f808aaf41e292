#pragma once

#include <ostream>
#include <span>
#include <string_view>

namespace m1ddc {

/// Exit statuses of the helper.
enum ExitStatus : int {
    exitSuccess = 0,
    exitUsage = 1,   ///< the command line was refused; the monitor was not touched
    exitFailure = 2, ///< no such display, or the display did not do what was asked
};

/// Runs one command line (the arguments after the program name) and returns the exit status.
/// `simulatedMonitors` is VELMAR_SIMULATED_MONITOR: when it names files, they are the monitors (see
/// SimulatedDisplays). The value read, or the list of displays, goes to `out`; any failure is one
/// line on `err`.
int run(std::span<const std::string_view> arguments, const char* simulatedMonitors, std::ostream& out,
        std::ostream& err);

} // namespace m1ddc
