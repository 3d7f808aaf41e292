// The helper's "get inputs" output, read as the client reads it. What is accepted is exactly the
// one form the helper prints, so printing the codes back gives the same text, and only inputs
// that one of the codes selects are offered.
#include "FuzzCheck.h"

#include "monitor/InputSourceList.h"

#include <QStringList>

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString output = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto codes = InputSourceList::parse(output);
    if (!codes)
        return 0;
    require(!codes->isEmpty() && codes->size() <= InputSourceList::maxCodes, "a bounded, non-empty list");
    QStringList printed;
    for (const int code : *codes) {
        require(code >= 0 && code <= 255, "every code is a byte");
        require(codes->count(code) == 1, "each code once");
        printed << QString::number(code);
    }
    require(printed.join(u' ') + u'\n' == output, "only the helper's own form is accepted");
    for (const auto input : InputSourceList::inputsAmong(*codes))
        require(std::any_of(codes->begin(), codes->end(),
                            [input](int code) { return MonitorInputs::fromStandardCode(code) == input; }),
                "an input is offered only for a code of its own");
    return 0;
}
