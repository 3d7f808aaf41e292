#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace m1ddc {

/// The input-source codes (VCP 0x60) a display's capabilities string lists in its `vcp(...)`
/// section, in its order without repeats, such as 15, 17 and 27 from "vcp(10 12 60(0F 11 1B))".
/// Nothing when the string has no such list or cannot be read as one.
std::optional<std::vector<int>> inputSourceCodes(std::string_view capabilities);

} // namespace m1ddc
