#include "DisplayListing.h"

#include <algorithm>
#include <optional>

namespace DisplayListing {

bool isDisplayId(QStringView text) {
    constexpr qsizetype idLength = 16;
    return text.size() == idLength && std::all_of(text.begin(), text.end(), [](QChar c) {
               return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
           });
}

namespace {

bool isPositiveNumber(QStringView text) {
    bool ok = false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }) &&
           text.toInt(&ok) > 0 && ok;
}

// Control characters could fake line breaks or move the cursor in a menu; what is left is cut
// to a length that fits one.
QString shownName(QStringView raw) {
    QString name;
    for (const QChar c : raw)
        name.append(c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ? u' ' : c);
    name = name.simplified();
    if (name.size() > maxNameLength)
        name = name.left(maxNameLength - 1).trimmed() + QStringLiteral("…");
    return name;
}

std::optional<ListedDisplay> parseLine(QStringView line) {
    line = line.trimmed();
    const qsizetype afterNumber = line.indexOf(u' ');
    if (afterNumber < 0 || !isPositiveNumber(line.left(afterNumber)))
        return std::nullopt;
    const QStringView rest = line.mid(afterNumber + 1).trimmed();
    const qsizetype afterId = rest.indexOf(u' ');
    const QStringView id = afterId < 0 ? rest : rest.left(afterId);
    if (!isDisplayId(id))
        return std::nullopt;
    return ListedDisplay{id.toString(), afterId < 0 ? QString() : shownName(rest.mid(afterId + 1))};
}

} // namespace

QList<ListedDisplay> parse(const QString& output) {
    QList<ListedDisplay> displays;
    for (const QStringView line : QStringView(output).split(u'\n')) {
        if (displays.size() == maxDisplays)
            break;
        const auto display = parseLine(line);
        const auto sameId = [&display](const ListedDisplay& known) { return known.id == display->id; };
        if (display && std::none_of(displays.begin(), displays.end(), sameId))
            displays.append(*display);
    }
    return displays;
}

} // namespace DisplayListing
