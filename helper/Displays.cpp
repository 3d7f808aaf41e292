#include "Displays.h"

#include "Edid.h"

#include <array>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <system_error>

namespace m1ddc {

namespace {

constexpr std::size_t idLength = 16;

bool isId(std::string_view text) {
    return text.size() == idLength && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// A plain decimal from 1, without a sign or leading zeros.
std::optional<std::size_t> positionIn(std::string_view text) {
    std::size_t position = 0;
    const auto* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, position);
    if (text.empty() || text[0] == '0' || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return position;
}

} // namespace

std::vector<std::uint64_t> displayIds(std::span<const DisplayIdentity> displays) {
    std::vector<std::uint64_t> ids;
    for (std::size_t i = 0; i < displays.size(); ++i) {
        std::uint32_t ordinal = 0;
        for (std::size_t j = 0; j < displays.size(); ++j) {
            const bool before =
                displays[j].place < displays[i].place || (displays[j].place == displays[i].place && j < i);
            ordinal += displays[j].hash == displays[i].hash && before ? 1 : 0;
        }
        const std::array<std::uint8_t, 4> bytes{std::uint8_t(ordinal), std::uint8_t(ordinal >> 8),
                                                std::uint8_t(ordinal >> 16), std::uint8_t(ordinal >> 24)};
        ids.push_back(ordinal == 0 ? displays[i].hash : fnv1a(bytes, displays[i].hash));
    }
    return ids;
}

std::string formatDisplayId(std::uint64_t id) {
    char text[idLength + 1] = {};
    std::snprintf(text, sizeof text, "%016" PRIx64, id);
    return text;
}

bool isDisplayTarget(std::string_view text) {
    return isId(text) || positionIn(text).has_value();
}

std::optional<std::size_t> findDisplay(const DisplayTarget& target, std::span<const std::uint64_t> ids) {
    if (ids.empty()) {
        return std::nullopt;
    }
    if (target.empty()) {
        return 0;
    }
    // Sixteen digits are an id even when they are all decimal: no list is that long.
    if (isId(target)) {
        for (std::size_t i = 0; i < ids.size(); ++i) {
            if (formatDisplayId(ids[i]) == target) {
                return i;
            }
        }
        return std::nullopt;
    }
    const auto position = positionIn(target);
    if (!position || *position > ids.size()) {
        return std::nullopt;
    }
    return *position - 1;
}

Failure noDisplayWithId(std::string_view target) {
    return Failure{"No display with id " + std::string(target)};
}

} // namespace m1ddc
