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

struct Line {
    QStringView number;
    ListedDisplay display;
    bool isFormerId = false; // "<n> formerly <id>": display.id is the former id
};

std::optional<Line> parseLine(QStringView line) {
    line = line.trimmed();
    const qsizetype afterNumber = line.indexOf(u' ');
    if (afterNumber < 0 || !isPositiveNumber(line.left(afterNumber)))
        return std::nullopt;
    const QStringView number = line.left(afterNumber);
    const QStringView rest = line.mid(afterNumber + 1).trimmed();
    const qsizetype afterId = rest.indexOf(u' ');
    const QStringView id = afterId < 0 ? rest : rest.left(afterId);
    if (id == u"formerly" && afterId >= 0) {
        const QStringView former = rest.mid(afterId + 1).trimmed();
        if (!isDisplayId(former))
            return std::nullopt;
        return Line{number, {former.toString(), {}, {}}, true};
    }
    if (!isDisplayId(id))
        return std::nullopt;
    return Line{number, {id.toString(), afterId < 0 ? QString() : shownName(rest.mid(afterId + 1)), {}}};
}

} // namespace

QList<ListedDisplay> parse(const QString& output) {
    QList<ListedDisplay> displays;
    QStringView lastNumber; // of the last monitor taken: a former id belongs to it alone
    for (const QStringView text : QStringView(output).split(u'\n')) {
        const auto line = parseLine(text);
        if (!line)
            continue;
        if (line->isFormerId) {
            if (!displays.isEmpty() && line->number == lastNumber && displays.last().formerId.isEmpty() &&
                line->display.id != displays.last().id)
                displays.last().formerId = line->display.id;
            continue;
        }
        lastNumber = {};
        if (displays.size() == maxDisplays)
            break;
        const auto sameId = [&line](const ListedDisplay& known) { return known.id == line->display.id; };
        if (std::none_of(displays.begin(), displays.end(), sameId)) {
            displays.append(line->display);
            lastNumber = line->number;
        }
    }
    return displays;
}

} // namespace DisplayListing
