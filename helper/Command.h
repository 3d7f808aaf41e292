#pragma once

#include "Attribute.h"
#include "Displays.h"

#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace m1ddc {

/// One helper invocation: `get <attribute>`, `set <attribute> <value>` or `get inputs`, for the
/// default display or after `display <id-or-n>` for another; or `display list`.
struct Command {
    enum class Action { get, set, list, inputs };

    Action action = Action::get;
    Attribute attribute = Attribute::luminance;
    int value = 0;           ///< only meaningful for `set`
    DisplayTarget display{}; ///< empty: the default display
};

/// Why the command line was refused, as one line of text.
struct UsageError {
    std::string reason;
};

/// Parses the arguments after the program name. Values are checked for range here so that a bad
/// command line never reaches the monitor.
std::variant<Command, UsageError> parseCommand(std::span<const std::string_view> arguments);

} // namespace m1ddc
