#pragma once

#include "Edid.h"
#include "Monitor.h"

#include <variant>

namespace m1ddc {

/// The external display a detection chose.
struct FoundDisplay {
    int bus = -1;
    EdidBlock edid{};
};

/// A detection that worked and found no external display answering DDC/CI.
struct NoDisplay {};

using Detection = std::variant<FoundDisplay, NoDisplay, Failure>;

/// Finds the one external display the helper acts on: slow (it probes every bus), so the helper
/// only asks when the display it remembers does not answer.
class DisplayDetector {
public:
    virtual ~DisplayDetector() = default;

    virtual Detection detect() = 0;
};

} // namespace m1ddc
