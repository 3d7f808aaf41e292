// The helper's standard output, decoded as the client decodes it, searched for the value.
#include "FuzzCheck.h"

#include "monitor/DDCClient.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

// An optional sign and ASCII digits only, and a value that fits 64 bits.
bool isInteger(const QString& piece) {
    const qsizetype digitsFrom = piece.startsWith(u'+') || piece.startsWith(u'-') ? 1 : 0;
    if (piece.size() == digitsFrom)
        return false;
    for (qsizetype i = digitsFrom; i < piece.size(); ++i) {
        if (piece[i] < u'0' || piece[i] > u'9')
            return false;
    }
    bool fits = false;
    piece.toLongLong(&fits, 10);
    return fits;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString output = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto value = DDCClient::lastInteger(output);
    // The pieces between runs of whitespace, as QChar::isSpace knows it.
    const QStringList pieces = output.simplified().split(u' ');
    qsizetype last = pieces.size() - 1;
    while (last >= 0 && !isInteger(pieces[last]))
        --last;
    require(value.has_value() == (last >= 0), "a value is found exactly when a piece is an integer");
    if (value)
        require(pieces[last].toLongLong() == *value, "the value is the last piece that is an integer");
    return 0;
}
