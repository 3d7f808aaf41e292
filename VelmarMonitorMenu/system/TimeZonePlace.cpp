#include "TimeZonePlace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace {

// The real tables are under 20 KiB; a file far larger is not one of them.
constexpr qint64 largestTable = 1024 * 1024;
// Far longer than any real entry, short enough that a line without a newline stays cheap.
constexpr qint64 longestLine = 4096;

// A signed angle of `degreeDigits` degree digits followed by minutes and, when `withSeconds`,
// seconds; nullopt unless every character is where it should be.
std::optional<double> angle(QByteArrayView text, int degreeDigits, bool withSeconds) {
    const qsizetype digits = degreeDigits + (withSeconds ? 4 : 2);
    if (text.size() != 1 + digits || (text[0] != '+' && text[0] != '-'))
        return std::nullopt;
    int fields[3] = {0, 0, 0};
    const int widths[3] = {degreeDigits, 2, withSeconds ? 2 : 0};
    qsizetype at = 1;
    for (int field = 0; field < 3; ++field) {
        for (int i = 0; i < widths[field]; ++i, ++at) {
            const char c = text[at];
            if (c < '0' || c > '9')
                return std::nullopt;
            fields[field] = fields[field] * 10 + (c - '0');
        }
    }
    if (fields[1] >= 60 || fields[2] >= 60)
        return std::nullopt;
    const double value = fields[0] + fields[1] / 60.0 + fields[2] / 3600.0;
    return text[0] == '-' ? -value : value;
}

std::optional<GeoPlace> placeInTable(const QByteArray& zoneId, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > largestTable)
        return std::nullopt;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(longestLine);
        if (!line.endsWith('\n') && !file.atEnd()) {
            // Longer than any entry: skip the rest of it rather than read it as lines of its own.
            while (!file.atEnd() && !file.readLine(longestLine).endsWith('\n')) {
            }
            continue;
        }
        if (line.startsWith('#'))
            continue;
        // Both tables: codes, coordinates, zone, then optional comments, separated by tabs.
        const QList<QByteArray> columns = line.trimmed().split('\t');
        if (columns.size() < 3 || columns[2] != zoneId)
            continue;
        if (const std::optional<GeoPlace> place = placeFromIso6709(columns[1]))
            return place;
    }
    return std::nullopt;
}

std::optional<GeoPlace> placeInTables(const QByteArray& zoneId, const QDir& folder) {
    for (const char* table : {"zone1970.tab", "zone.tab"}) {
        if (const std::optional<GeoPlace> place = placeInTable(zoneId, folder.filePath(QLatin1String(table))))
            return place;
    }
    return std::nullopt;
}

} // namespace

QString defaultTimeZoneTableFolder() {
    return qEnvironmentVariable("TZDIR", QStringLiteral("/usr/share/zoneinfo"));
}

std::optional<GeoPlace> placeFromIso6709(QByteArrayView coordinates) {
    // The longitude starts at the second sign; the latitude before it has 4 or 6 digits.
    qsizetype split = -1;
    for (qsizetype i = 1; i < coordinates.size(); ++i) {
        if (coordinates[i] == '+' || coordinates[i] == '-') {
            split = i;
            break;
        }
    }
    if (split != 5 && split != 7)
        return std::nullopt;
    const bool withSeconds = split == 7;
    const std::optional<double> latitude = angle(coordinates.first(split), 2, withSeconds);
    const std::optional<double> longitude = angle(coordinates.sliced(split), 3, withSeconds);
    if (!latitude || !longitude)
        return std::nullopt;
    const GeoPlace place{*latitude, *longitude};
    if (!place.isValid())
        return std::nullopt;
    return place;
}

std::optional<GeoPlace> referencePlace(const QByteArray& zoneId, const QString& tableFolder) {
    // A zone name is a path below the folder; anything that could climb out of it is no zone.
    if (zoneId.isEmpty() || zoneId.startsWith('/') || zoneId.contains("..") || zoneId.contains('\t') ||
        zoneId.contains('\n'))
        return std::nullopt;
    const QDir folder(tableFolder);
    if (const std::optional<GeoPlace> place = placeInTables(zoneId, folder))
        return place;
    // Old names are links to the current zone's file.
    const QFileInfo link(folder.filePath(QString::fromUtf8(zoneId)));
    if (!link.isSymLink())
        return std::nullopt;
    const QString target = QDir(folder.canonicalPath()).relativeFilePath(link.canonicalFilePath());
    if (target.isEmpty() || target.startsWith(QLatin1String("..")) || QDir::isAbsolutePath(target))
        return std::nullopt;
    return placeInTables(target.toUtf8(), folder);
}
