#pragma once

// What the app and its helper must agree on about the monitor and the machine: the codes of the
// monitor's inputs, and which connectors belong to a laptop's own panel. Header-only and without
// Qt, because the helper stays plain C++ to start fast.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace MonitorCodes {

/// The monitor's video inputs, in the order of the app's MonitorInput.
enum class Input { usbC, displayPort, hdmi1, hdmi2 };

struct InputCodes {
    Input input;
    /// Value of the vendor input register (VCP 0xF4): the code that switches a Velmar monitor.
    int vendorCode;
    /// Input-source codes (VCP 0x60) the monitor reports while it shows this input; the first is
    /// what it reports right after a switch. Other brands' monitors switch by these. 0, which no
    /// input has, fills an unused place.
    std::array<int, 2> standardCodes;
};

// clang-format off
inline constexpr std::array<InputCodes, 4> inputs{{
    {Input::usbC,        0xD2, {0x1B, 0}},
    // The vendor command has one DisplayPort; the monitor reports either of its two ports.
    {Input::displayPort, 0xD0, {0x0F, 0x10}},
    {Input::hdmi1,       0x90, {0x11, 0}},
    {Input::hdmi2,       0x91, {0x12, 0}},
}};
// clang-format on

// codesOf finds an input's row by its position.
static_assert([] {
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        if (static_cast<std::size_t>(inputs[i].input) != i)
            return false;
    }
    return true;
}());

constexpr const InputCodes& codesOf(Input input) {
    return inputs[static_cast<std::size_t>(input)];
}

constexpr std::optional<Input> inputFromVendorCode(int code) {
    for (const auto& row : inputs) {
        if (row.vendorCode == code)
            return row.input;
    }
    return std::nullopt;
}

constexpr std::optional<Input> inputFromStandardCode(int code) {
    for (const auto& row : inputs) {
        for (const int standard : row.standardCodes) {
            if (standard != 0 && standard == code)
                return row.input;
        }
    }
    return std::nullopt;
}

namespace detail {

constexpr char lowered(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (lowered(text[i]) != lowered(prefix[i]))
            return false;
    }
    return true;
}

constexpr bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// "", "1", "-1", "1-1", "-1-1": numbers, each with or without a dash before it.
constexpr bool isConnectorNumbering(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '-' ? i + 1 == text.size() || !isDigit(text[i + 1]) : !isDigit(text[i]))
            return false;
    }
    return true;
}

// Drops the "cardN-" that sysfs puts before a DRM connector's name ("card0-eDP-1").
constexpr std::string_view withoutCard(std::string_view name) {
    constexpr std::string_view card = "card";
    if (!name.starts_with(card))
        return name;
    std::size_t end = card.size();
    while (end < name.size() && isDigit(name[end]))
        ++end;
    if (end == card.size() || end == name.size() || name[end] != '-')
        return name;
    return name.substr(end + 1);
}

} // namespace detail

/// True when the connector is one that only a laptop's or tablet's own panel is wired to. Takes
/// the names DRM gives (eDP-1, LVDS-1, DSI-1), those X drivers give (eDP1 without the dash, eDP
/// without a number, eDP-1-1 behind a second GPU) in any capitals, and the sysfs form with the
/// card in front (card0-eDP-1).
constexpr bool isBuiltInPanelConnector(std::string_view connector) {
    const std::string_view name = detail::withoutCard(connector);
    for (const std::string_view kind : {"edp", "lvds", "dsi"}) {
        if (detail::startsWithIgnoringCase(name, kind))
            return detail::isConnectorNumbering(name.substr(kind.size()));
    }
    return false;
}

} // namespace MonitorCodes
