#pragma once

#include "DisplayDetector.h"

#include <filesystem>

namespace m1ddc {

/// Detection through libddcutil, loaded on the first detection and not before: every display that
/// answered DDC/CI over I2C, in libddcutil's order, leaving out built-in panels (found in sysfs
/// under `sysRoot`).
class LibDdcutilDetector final : public DisplayDetector {
public:
    explicit LibDdcutilDetector(std::filesystem::path sysRoot);

    Detection detect() override;

private:
    std::filesystem::path sysRoot_;
};

} // namespace m1ddc
