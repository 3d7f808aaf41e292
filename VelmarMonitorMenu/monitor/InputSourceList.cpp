#include "InputSourceList.h"

#include <algorithm>

namespace InputSourceList {

namespace {

std::optional<int> code(QStringView text) {
    constexpr qsizetype maxDigits = 3;
    const bool digits = !text.isEmpty() && text.size() <= maxDigits &&
                        std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!digits || (text.size() > 1 && text.front() == u'0'))
        return std::nullopt;
    const int value = text.toInt();
    return value <= 255 ? std::optional(value) : std::nullopt;
}

} // namespace

std::optional<QList<int>> parse(const QString& output) {
    if (!output.endsWith(u'\n'))
        return std::nullopt;
    const QStringView line = QStringView(output).chopped(1);
    if (line.isEmpty() || line.contains(u'\n'))
        return std::nullopt;
    QList<int> codes;
    for (const QStringView piece : line.split(u' ')) {
        const auto value = code(piece);
        if (!value || codes.contains(*value) || codes.size() == maxCodes)
            return std::nullopt;
        codes.append(*value);
    }
    return codes;
}

QList<MonitorInput> inputsAmong(const QList<int>& codes) {
    QList<MonitorInput> inputs;
    for (const auto input : MonitorInputs::allCases) {
        const auto selects = [input](int code) { return MonitorInputs::fromStandardCode(code) == input; };
        if (std::any_of(codes.begin(), codes.end(), selects))
            inputs.append(input);
    }
    return inputs;
}

} // namespace InputSourceList
