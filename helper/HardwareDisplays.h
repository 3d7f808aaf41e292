#pragma once

#include "Displays.h"

#include <memory>

namespace m1ddc {

/// The external displays that answer DDC/CI, through this platform's backend.
std::unique_ptr<Displays> makeHardwareDisplays();

} // namespace m1ddc
