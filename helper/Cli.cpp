#include "Cli.h"

#include "Capabilities.h"
#include "Command.h"
#include "HardwareDisplays.h"
#include "SimulatedDisplays.h"

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

std::unique_ptr<Displays> chooseDisplays(const char* simulatedMonitors) {
    if (simulatedMonitors != nullptr && *simulatedMonitors != '\0') {
        return std::make_unique<SimulatedDisplays>(simulatedMonitors);
    }
    return makeHardwareDisplays();
}

} // namespace

int run(std::span<const std::string_view> arguments, const char* simulatedMonitors, std::ostream& out,
        std::ostream& err) {
    const auto parsed = parseCommand(arguments);
    if (const auto* usage = std::get_if<UsageError>(&parsed)) {
        printReason(err, usage->reason);
        return exitUsage;
    }
    const auto& command = std::get<Command>(parsed);
    const auto displays = chooseDisplays(simulatedMonitors);

    if (command.action == Command::Action::list) {
        auto listing = displays->list();
        if (auto* failure = std::get_if<Failure>(&listing)) {
            printReason(err, std::move(failure->reason));
            return exitFailure;
        }
        int position = 0;
        for (const auto& display : std::get<std::vector<ListedDisplay>>(listing)) {
            out << ++position << ' ' << formatDisplayId(display.id) << ' ' << display.name << '\n';
            // For the app to move what it stored under the earlier id; a reader that knows nothing
            // of it skips the line, whose second word is no id.
            if (display.formerId != display.id) {
                out << position << " formerly " << formatDisplayId(display.formerId) << '\n';
            }
        }
        return exitSuccess;
    }

    if (command.action == Command::Action::inputs) {
        auto capabilities = displays->capabilities(command.display);
        if (auto* failure = std::get_if<Failure>(&capabilities)) {
            printReason(err, std::move(failure->reason));
            return exitFailure;
        }
        const auto codes = inputSourceCodes(std::get<std::string>(capabilities));
        if (!codes) {
            printReason(err, "The display's capabilities list no input sources");
            return exitFailure;
        }
        for (std::size_t i = 0; i < codes->size(); ++i) {
            out << (i == 0 ? "" : " ") << (*codes)[i];
        }
        out << '\n';
        return exitSuccess;
    }

    if (command.action == Command::Action::get) {
        auto value = displays->read(command.display, command.attribute);
        if (auto* failure = std::get_if<Failure>(&value)) {
            printReason(err, std::move(failure->reason));
            return exitFailure;
        }
        out << std::get<int>(value) << '\n';
        return exitSuccess;
    }

    if (auto failure = displays->write(command.display, command.attribute, command.value)) {
        printReason(err, std::move(failure->reason));
        return exitFailure;
    }
    return exitSuccess;
}

} // namespace m1ddc
