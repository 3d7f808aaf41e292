#pragma once

#include "Edid.h"
#include "Failure.h"

#include <variant>
#include <vector>

namespace m1ddc {

/// An external display a detection found answering DDC/CI.
struct FoundDisplay {
    int bus = -1;
    EdidBlock edid{};
};

/// Every external display that answered, in the detector's order (by bus); none is an empty list.
using Detection = std::variant<std::vector<FoundDisplay>, Failure>;

/// Finds the external displays the helper may act on: slow (it probes every bus), so the helper
/// only asks when the displays it remembers do not hold.
class DisplayDetector {
public:
    virtual ~DisplayDetector() = default;

    virtual Detection detect() = 0;
};

} // namespace m1ddc
