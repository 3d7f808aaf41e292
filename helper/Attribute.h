#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace m1ddc {

/// A monitor value the helper can read or write, named on the command line by its attribute word.
enum class Attribute {
    luminance,
    contrast,
    volume,
    red,
    green,
    blue,
    input,    ///< the standard input source, which other brands' monitors switch through
    inputAlt, ///< the vendor input attribute, the one a Velmar monitor switches through
};

/// The attribute named by `word` ("luminance", "input-alt", ...); exact and case-sensitive.
std::optional<Attribute> attributeFromWord(std::string_view word);
std::string_view wordOf(Attribute attribute);

/// The MCCS VCP feature code behind an attribute.
std::uint8_t vcpCode(Attribute attribute);

/// True for the six attributes whose values are percentages 0 to 100.
bool isPercentage(Attribute attribute);

/// The standard input-source code (VCP 0x60) that a vendor input code selects, if it is one we know.
std::optional<int> standardInputForVendorCode(int vendorCode);

/// The vendor input code that selects the input reported by a standard input-source code.
std::optional<int> vendorCodeForStandardInput(int standardCode);

/// Whether `code` is an input-source code (VCP 0x60) a monitor may have: 1 (VGA-1) to 27 (USB-C),
/// the inputs the app has a name for and those it has not (DVI, component and the like).
bool isInputSourceCode(int code);

} // namespace m1ddc
