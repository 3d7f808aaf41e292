#pragma once

#include <optional>
#include <string>
#include <variant>

namespace m1ddc {

/// Why an operation failed, as one line of text for the user.
struct Failure {
    std::string reason;
};

/// The value read, or why it could not be read.
using ReadOutcome = std::variant<int, Failure>;
/// Empty when the value was written.
using WriteOutcome = std::optional<Failure>;

} // namespace m1ddc
