// The helper's standard output, decoded as the client decodes it, searched for the value. The
// properties hold without a second parser: the value is one of the output's pieces, and a number
// written after the output wins while one written before it counts only when nothing follows.
#include "FuzzCheck.h"

#include "monitor/DDCClient.h"

#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString output = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto value = DDCClient::lastInteger(output);
    if (value) {
        const QStringList pieces = output.simplified().split(u' ');
        require(std::any_of(pieces.begin(), pieces.end(),
                            [&](const QString& piece) {
                                bool ok = false;
                                return piece.toLongLong(&ok, 10) == *value && ok;
                            }),
                "the value is one of the output's pieces");
    }
    require(DDCClient::lastInteger(output + QStringLiteral(" 17")) == 17, "a number after the output wins");
    require(DDCClient::lastInteger(QStringLiteral("17 ") + output) == value.value_or(17),
            "a number before the output counts only when no number follows it");
    return 0;
}
