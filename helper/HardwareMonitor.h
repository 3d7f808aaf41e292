#pragma once

#include "Monitor.h"

#include <memory>

namespace m1ddc {

/// The first external display that answers DDC/CI, through this platform's backend. Finding it
/// (or checking the one remembered from an earlier run) happens on each use, so a failure to find
/// one is reported by `read` or `write`.
std::unique_ptr<Monitor> makeHardwareMonitor();

} // namespace m1ddc
