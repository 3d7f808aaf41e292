// A capabilities string as a display sends it, searched for its input sources. Whatever it holds,
// the codes found are distinct bytes; and its first bytes, written as the features before a
// well-formed input list, do not hide that list.
#include "FuzzCheck.h"

#include "Capabilities.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

using namespace m1ddc;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto codes = inputSourceCodes(text)) {
        require(!codes->empty(), "a list found is not empty");
        for (const int code : *codes) {
            require(code >= 0 && code <= 0xFF, "every code is a byte");
            require(std::count(codes->begin(), codes->end(), code) == 1, "each code once");
        }
    }
    std::string names;
    for (const auto byte : text.substr(0, 16)) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X ",
                      static_cast<unsigned char>(byte) == 0x60 ? 0x61 : byte & 0xFF);
        names += hex;
    }
    const auto found = inputSourceCodes("(prot(monitor)vcp(" + names + "60(0F 11 1B)))");
    require(found == std::vector<int>{0x0F, 0x11, 0x1B}, "a well-formed list is found");
    return 0;
}
