#include "Edid.h"

#include <cstddef>

namespace m1ddc {

namespace {

constexpr std::size_t firstDescriptor = 54;
constexpr std::size_t descriptorSize = 18;
constexpr std::size_t descriptorCount = 4;
constexpr std::uint8_t displayNameTag = 0xFC;
constexpr std::size_t textStart = 5; // after the tag and a reserved byte

} // namespace

std::string edidName(const EdidBlock& edid) {
    for (std::size_t i = 0; i < descriptorCount; ++i) {
        const auto descriptor = std::span(edid).subspan(firstDescriptor + i * descriptorSize, descriptorSize);
        // Three zero bytes where a detailed timing would have its pixel clock mark a descriptor.
        if (descriptor[0] != 0 || descriptor[1] != 0 || descriptor[2] != 0 ||
            descriptor[3] != displayNameTag) {
            continue;
        }
        std::string name;
        for (const auto byte : descriptor.subspan(textStart)) {
            if (byte == '\n') {
                break;
            }
            // The name ends a line of our output: nothing unprintable may get into it.
            if (byte >= 0x20 && byte < 0x7F) {
                name += static_cast<char>(byte);
            }
        }
        const auto first = name.find_first_not_of(' ');
        if (first != std::string::npos) {
            return name.substr(first, name.find_last_not_of(' ') + 1 - first);
        }
    }
    // Five bits a letter, 'A' being 1; the product code is little-endian.
    const unsigned maker = static_cast<unsigned>(edid[8]) << 8 | edid[9];
    std::string name;
    for (const int shift : {10, 5, 0}) {
        const unsigned letter = (maker >> shift) & 0x1F;
        name += letter >= 1 && letter <= 26 ? static_cast<char>('A' + letter - 1) : '?';
    }
    return name + " " + std::to_string(edid[10] | edid[11] << 8);
}

} // namespace m1ddc
