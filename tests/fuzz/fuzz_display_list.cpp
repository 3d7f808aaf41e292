// The helper's "display list" output, decoded as the client decodes it. Whatever it holds, what
// the program takes from it is safe to put on a command line and in a menu, and a well-formed
// line after it is still found.
#include "FuzzCheck.h"

#include "monitor/DisplayListing.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString output = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto displays = DisplayListing::parse(output);
    require(displays.size() <= DisplayListing::maxDisplays, "no more monitors than the bound");
    for (const auto& display : displays) {
        require(DisplayListing::isDisplayId(display.id), "every id is 16 lowercase hex digits");
        require(display.name.size() <= DisplayListing::maxNameLength, "every name is bounded");
        require(std::none_of(display.name.begin(), display.name.end(),
                             [](QChar c) { return c.category() == QChar::Other_Control; }),
                "no name holds a control character");
        require(std::count_if(displays.begin(), displays.end(),
                              [&](const auto& other) { return other.id == display.id; }) == 1,
                "each id once");
    }
    const QString known = QStringLiteral("00000000000000ff");
    const auto extended =
        DisplayListing::parse(output + QStringLiteral("\n9 ") + known + QStringLiteral(" X"));
    const bool room = displays.size() < DisplayListing::maxDisplays;
    require(!room || std::any_of(extended.begin(), extended.end(),
                                 [&](const auto& display) { return display.id == known; }),
            "a well-formed line after the output is found while there is room");
    return 0;
}
