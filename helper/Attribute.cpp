#include "Attribute.h"

#include "MonitorCodes.h"

#include <array>
#include <cstddef>

namespace m1ddc {

namespace {

struct AttributeInfo {
    Attribute attribute;
    std::string_view word;
    std::uint8_t vcp;
};

constexpr std::array attributes{
    AttributeInfo{Attribute::luminance, "luminance", 0x10},
    AttributeInfo{Attribute::contrast, "contrast", 0x12},
    AttributeInfo{Attribute::volume, "volume", 0x62},
    AttributeInfo{Attribute::red, "red", 0x16},
    AttributeInfo{Attribute::green, "green", 0x18},
    AttributeInfo{Attribute::blue, "blue", 0x1A},
    AttributeInfo{Attribute::input, "input", 0x60},
    // Vendor register; the monitor only obeys it when addressed from 0x50 (see RawDdcChannel).
    AttributeInfo{Attribute::inputAlt, "input-alt", 0xF4},
};

// The table is in enumeration order, so an attribute indexes its own row.
const AttributeInfo& infoOf(Attribute attribute) {
    return attributes[static_cast<std::size_t>(attribute)];
}

constexpr bool rowsInEnumerationOrder() {
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        if (static_cast<std::size_t>(attributes[i].attribute) != i) {
            return false;
        }
    }
    return attributes.size() == static_cast<std::size_t>(Attribute::inputAlt) + 1;
}
static_assert(rowsInEnumerationOrder());

} // namespace

std::optional<Attribute> attributeFromWord(std::string_view word) {
    for (const auto& info : attributes) {
        if (info.word == word) {
            return info.attribute;
        }
    }
    return std::nullopt;
}

std::string_view wordOf(Attribute attribute) {
    return infoOf(attribute).word;
}

std::uint8_t vcpCode(Attribute attribute) {
    return infoOf(attribute).vcp;
}

bool isPercentage(Attribute attribute) {
    return attribute != Attribute::input && attribute != Attribute::inputAlt;
}

std::optional<int> standardInputForVendorCode(int vendorCode) {
    const auto input = MonitorCodes::inputFromVendorCode(vendorCode);
    if (!input) {
        return std::nullopt;
    }
    return MonitorCodes::codesOf(*input).standardCodes.front();
}

bool isInputSourceCode(int code) {
    return code >= 0x01 && code <= 0x1B;
}

std::optional<int> vendorCodeForStandardInput(int standardCode) {
    const auto input = MonitorCodes::inputFromStandardCode(standardCode);
    if (!input) {
        return std::nullopt;
    }
    return MonitorCodes::codesOf(*input).vendorCode;
}

} // namespace m1ddc
