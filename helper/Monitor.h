#pragma once

#include "Attribute.h"

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

/// One external monitor, reached by whichever backend the helper runs with.
class Monitor {
public:
    virtual ~Monitor() = default;

    /// The attribute's current value: the percentage for the six adjustable values, the input code
    /// for `input` and `inputAlt`.
    virtual ReadOutcome read(Attribute attribute) = 0;

    /// Sets a percentage attribute, or switches input through `input` (a standard input code) or
    /// `inputAlt` (a vendor input code).
    virtual WriteOutcome write(Attribute attribute, int value) = 0;
};

} // namespace m1ddc
