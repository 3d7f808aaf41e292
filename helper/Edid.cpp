#include "Edid.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

namespace m1ddc {

namespace {

constexpr std::size_t firstDescriptor = 54;
constexpr std::size_t descriptorSize = 18;
constexpr std::size_t descriptorCount = 4;
constexpr std::uint8_t displayNameTag = 0xFC;
constexpr std::uint8_t serialTextTag = 0xFF;
constexpr std::size_t textStart = 5; // after the tag and a reserved byte
constexpr std::size_t maxNameLength = descriptorSize - textStart;

// The text of each descriptor tagged `tag`, in the block's order, up to the line break that ends a
// short one.
std::vector<std::span<const std::uint8_t>> descriptorTexts(const EdidBlock& edid, std::uint8_t tag) {
    std::vector<std::span<const std::uint8_t>> texts;
    for (std::size_t i = 0; i < descriptorCount; ++i) {
        const auto descriptor = std::span(edid).subspan(firstDescriptor + i * descriptorSize, descriptorSize);
        // Three zero bytes where a detailed timing would have its pixel clock mark a descriptor.
        if (descriptor[0] != 0 || descriptor[1] != 0 || descriptor[2] != 0 || descriptor[3] != tag) {
            continue;
        }
        auto text = descriptor.subspan(textStart);
        for (std::size_t end = 0; end < text.size(); ++end) {
            if (text[end] == '\n') {
                text = text.first(end);
                break;
            }
        }
        texts.push_back(text);
    }
    return texts;
}

// The first of the descriptors' texts that is more than padding, as its bytes stand.
std::string identityText(const EdidBlock& edid, std::uint8_t tag) {
    for (const auto text : descriptorTexts(edid, tag)) {
        std::size_t end = text.size();
        while (end > 0 && text[end - 1] == ' ') {
            --end;
        }
        if (end > 0) {
            return std::string(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(end));
        }
    }
    return {};
}

void appendLittleEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

} // namespace

MonitorIdentity monitorIdentity(const EdidBlock& edid) {
    return {.maker = static_cast<std::uint16_t>(edid[8] << 8 | edid[9]),
            .product = static_cast<std::uint16_t>(edid[10] | edid[11] << 8),
            .serialNumber = static_cast<std::uint32_t>(edid[12]) | static_cast<std::uint32_t>(edid[13]) << 8 |
                            static_cast<std::uint32_t>(edid[14]) << 16 |
                            static_cast<std::uint32_t>(edid[15]) << 24,
            .name = identityText(edid, displayNameTag),
            .serialText = identityText(edid, serialTextTag)};
}

std::uint64_t monitorHash(const MonitorIdentity& identity) {
    std::vector<std::uint8_t> bytes{
        static_cast<std::uint8_t>(identity.maker >> 8), static_cast<std::uint8_t>(identity.maker),
        static_cast<std::uint8_t>(identity.product), static_cast<std::uint8_t>(identity.product >> 8)};
    appendLittleEndian(bytes, identity.serialNumber);
    for (const auto* text : {&identity.name, &identity.serialText}) {
        appendLittleEndian(bytes, static_cast<std::uint32_t>(text->size()));
        bytes.insert(bytes.end(), text->begin(), text->end());
    }
    return fnv1a(bytes);
}

std::string edidName(const EdidBlock& edid) {
    for (const auto text : descriptorTexts(edid, displayNameTag)) {
        std::string name;
        for (const auto byte : text) {
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

bool isEdidName(std::string_view text) {
    return !text.empty() && text.size() <= maxNameLength && text.front() != ' ' && text.back() != ' ' &&
           std::ranges::all_of(text, [](char c) { return c >= 0x20 && c < 0x7F; });
}

} // namespace m1ddc
