// The helper's standard output, decoded as the client decodes it, searched for the value.
#include "FuzzCheck.h"

#include "monitor/DDCClient.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>

namespace {

// The same rule worked out another way, with the digits accumulated by hand: an optional sign
// and ASCII digits only, and a value that fits 64 bits.
std::optional<qint64> integerPiece(QStringView piece) {
    bool negative = false;
    if (!piece.isEmpty() && (piece.front() == u'+' || piece.front() == u'-')) {
        negative = piece.front() == u'-';
        piece = piece.sliced(1);
    }
    if (piece.isEmpty())
        return std::nullopt;
    // Accumulated below zero, where the most negative value still fits.
    qint64 value = 0;
    for (const QChar c : piece) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        if (__builtin_mul_overflow(value, 10, &value) ||
            __builtin_sub_overflow(value, c.unicode() - u'0', &value))
            return std::nullopt;
    }
    if (negative)
        return value;
    if (value == std::numeric_limits<qint64>::min())
        return std::nullopt;
    return -value;
}

std::optional<qint64> expectedLastInteger(const QString& output) {
    std::optional<qint64> last;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= output.size(); ++i) {
        const bool space = i == output.size() || output.at(i).isSpace();
        if (!space && start < 0)
            start = i;
        if (space && start >= 0) {
            if (const auto value = integerPiece(QStringView(output).sliced(start, i - start)))
                last = value;
            start = -1;
        }
    }
    return last;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString output = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    require(DDCClient::lastInteger(output) == expectedLastInteger(output),
            "lastInteger finds the last whitespace-separated base-10 integer that fits 64 bits");
    return 0;
}
