#pragma once

#include "Displays.h"

#include <filesystem>
#include <string_view>
#include <variant>
#include <vector>

namespace m1ddc {

/// The simulated monitors VELMAR_SIMULATED_MONITOR names: state files separated by ':', each one
/// monitor (see SimulatedMonitor), the first the default. A monitor's name and serial number come
/// from its file; without them the first is "Velmar Studio 27" with serial 1, the second
/// "Velmar Studio 27 (2)" with serial 2, and so on ("Other Brand 24" for a monitor of another make). Its id
/// is made from the two as a real monitor's is from its EDID: the name as the display-name text, the serial
/// as the serial number.
class SimulatedDisplays final : public Displays {
public:
    explicit SimulatedDisplays(std::string_view stateFiles);

    Listing list() override;
    ReadOutcome read(const DisplayTarget& target, Attribute attribute) override;
    WriteOutcome write(const DisplayTarget& target, Attribute attribute, int value) override;
    std::variant<std::string, Failure> capabilities(const DisplayTarget& target) override;

private:
    // The state file of the monitor `target` names, or why there is none.
    std::variant<std::filesystem::path, Failure> stateFileOf(const DisplayTarget& target);

    std::vector<std::filesystem::path> stateFiles_;
};

} // namespace m1ddc
