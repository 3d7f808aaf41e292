#include "Attribute.h"

#include <array>
#include <cstddef>
#include <utility>

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

// Vendor code -> the standard code the monitor reports for the same port. DisplayPort also
// reports 16 (its second port), which maps back to the same vendor code.
constexpr std::array<std::pair<int, int>, 4> inputCodes{{{0xD2, 27}, {0xD0, 15}, {0x90, 17}, {0x91, 18}}};

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
    for (const auto& [vendor, standard] : inputCodes) {
        if (vendor == vendorCode) {
            return standard;
        }
    }
    return std::nullopt;
}

std::optional<int> vendorCodeForStandardInput(int standardCode) {
    if (standardCode == 16) {
        return 0xD0;
    }
    for (const auto& [vendor, standard] : inputCodes) {
        if (standard == standardCode) {
            return vendor;
        }
    }
    return std::nullopt;
}

} // namespace m1ddc
