#include "Cli.h"

#include "Command.h"
#include "HardwareMonitor.h"
#include "SimulatedMonitor.h"

#include <memory>
#include <string>

namespace m1ddc {

namespace {

// The app shows our standard error to the user as it is, so it must stay one line.
void printReason(std::ostream& err, std::string reason) {
    for (auto& c : reason) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    err << reason << '\n';
}

std::unique_ptr<Monitor> chooseMonitor(const char* simulatedMonitor) {
    if (simulatedMonitor != nullptr && *simulatedMonitor != '\0') {
        return std::make_unique<SimulatedMonitor>(simulatedMonitor);
    }
    return makeHardwareMonitor();
}

} // namespace

int run(std::span<const std::string_view> arguments, const char* simulatedMonitor, std::ostream& out,
        std::ostream& err) {
    const auto parsed = parseCommand(arguments);
    if (const auto* usage = std::get_if<UsageError>(&parsed)) {
        printReason(err, usage->reason);
        return exitUsage;
    }
    const auto& command = std::get<Command>(parsed);
    const auto monitor = chooseMonitor(simulatedMonitor);

    if (command.action == Command::Action::get) {
        auto value = monitor->read(command.attribute);
        if (auto* failure = std::get_if<Failure>(&value)) {
            printReason(err, std::move(failure->reason));
            return exitFailure;
        }
        out << std::get<int>(value) << '\n';
        return exitSuccess;
    }

    if (auto failure = monitor->write(command.attribute, command.value)) {
        printReason(err, std::move(failure->reason));
        return exitFailure;
    }
    return exitSuccess;
}

} // namespace m1ddc
