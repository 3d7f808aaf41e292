#include "Command.h"

#include "MonitorCodes.h"

#include <charconv>
#include <optional>
#include <system_error>

namespace m1ddc {

namespace {

constexpr int maxPercentage = 100;

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

std::string vendorInputCodes() {
    std::string codes;
    for (const auto& row : MonitorCodes::inputs) {
        codes += (codes.empty() ? "" : ", ") + std::to_string(row.vendorCode);
    }
    return codes;
}

// Plain decimal only: no sign other than '-', no spaces, no hex, nothing after the digits.
std::variant<int, UsageError> parseValue(std::string_view text, Attribute attribute) {
    int value = 0;
    const auto* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || stop != end || error == std::errc::invalid_argument) {
        return UsageError{"Not a decimal integer: " + quoted(text)};
    }
    const bool outOfRange = error == std::errc::result_out_of_range;
    // What another code in the vendor register does is the monitor's secret: only our inputs'.
    if (attribute == Attribute::inputAlt) {
        if (outOfRange || !MonitorCodes::inputFromVendorCode(value)) {
            return UsageError{"Input code " + std::string(text) +
                              " is none of the monitor's inputs: " + vendorInputCodes()};
        }
        return value;
    }
    // Other brands' monitors switch through the standard feature, among inputs the app may have no
    // name for (DVI, say); which of them a monitor has, its capabilities say, and it refuses others.
    if (attribute == Attribute::input) {
        if (outOfRange || !isInputSourceCode(value)) {
            return UsageError{"Input code " + std::string(text) + " is not a standard input code, 1 to 27"};
        }
        return value;
    }
    if (outOfRange || value < 0 || value > maxPercentage) {
        return UsageError{"Value " + std::string(text) + " for " + std::string(wordOf(attribute)) +
                          " is out of range 0 to " + std::to_string(maxPercentage)};
    }
    return value;
}

// `get <attribute>` or `set <attribute> <value>`.
std::variant<Command, UsageError> parseAction(std::span<const std::string_view> arguments) {
    if (arguments.empty()) {
        return UsageError{"Usage: m1ddc get <attribute> | m1ddc set <attribute> <value>"};
    }
    Command command;
    if (arguments[0] == "get") {
        command.action = Command::Action::get;
    } else if (arguments[0] == "set") {
        command.action = Command::Action::set;
    } else {
        return UsageError{"Unknown command " + quoted(arguments[0]) + " (expected get or set)"};
    }

    if (arguments.size() < 2) {
        return UsageError{"Missing attribute after " + quoted(arguments[0])};
    }
    // Not an attribute: the list of inputs comes from the monitor's capabilities, and is not set.
    if (command.action == Command::Action::get && arguments[1] == "inputs") {
        if (arguments.size() > 2) {
            return UsageError{"Unexpected argument " + quoted(arguments[2])};
        }
        command.action = Command::Action::inputs;
        return command;
    }
    const auto attribute = attributeFromWord(arguments[1]);
    if (!attribute) {
        return UsageError{"Unknown attribute " + quoted(arguments[1])};
    }
    command.attribute = *attribute;

    const std::size_t expectedCount = command.action == Command::Action::get ? 2 : 3;
    if (arguments.size() > expectedCount) {
        return UsageError{"Unexpected argument " + quoted(arguments[expectedCount])};
    }
    if (command.action == Command::Action::get) {
        return command;
    }

    if (arguments.size() < 3) {
        return UsageError{"Missing value after " + quoted("set " + std::string(arguments[1]))};
    }
    auto value = parseValue(arguments[2], command.attribute);
    if (auto* error = std::get_if<UsageError>(&value)) {
        return std::move(*error);
    }
    command.value = std::get<int>(value);
    return command;
}

} // namespace

std::variant<Command, UsageError> parseCommand(std::span<const std::string_view> arguments) {
    if (arguments.empty() || arguments[0] != "display") {
        return parseAction(arguments);
    }
    if (arguments.size() < 2) {
        return UsageError{"Missing list, or a display's id or number, after \"display\""};
    }
    if (arguments[1] == "list") {
        if (arguments.size() > 2) {
            return UsageError{"Unexpected argument " + quoted(arguments[2])};
        }
        return Command{.action = Command::Action::list};
    }
    // No display could have it: no need to look.
    if (!isDisplayTarget(arguments[1])) {
        return UsageError{noDisplayWithId(arguments[1]).reason};
    }
    if (arguments.size() < 3) {
        return UsageError{"Missing command after " + quoted("display " + std::string(arguments[1]))};
    }
    auto parsed = parseAction(arguments.subspan(2));
    if (auto* command = std::get_if<Command>(&parsed)) {
        command->display = arguments[1];
    }
    return parsed;
}

} // namespace m1ddc
