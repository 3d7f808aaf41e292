#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// One monitor as the helper lists it.
struct ListedDisplay {
    QString id;   // 16 lowercase hexadecimal digits, the same for the monitor every time
    QString name; // as listed, with control characters dropped; may be empty
    /// The id an older helper gave the same monitor, where it differs: settings kept under it are
    /// the monitor's.
    QString formerId;

    bool operator==(const ListedDisplay&) const = default;
};

namespace DisplayListing {
// A monitor's name is one line of a menu; a dock or driver has no business listing more monitors.
inline constexpr qsizetype maxNameLength = 64;
inline constexpr qsizetype maxDisplays = 16;

/// The monitors in the output of "display list", the default first: one "<n> <id> <name>" line
/// each, n counting from 1, and after it, where an older helper named the monitor otherwise,
/// "<n> formerly <old id>". The output is not trusted: a line of any other form is skipped, and
/// so is a second line for the same id (or a second former id); names are cut to maxNameLength,
/// and lines beyond maxDisplays are ignored.
QList<ListedDisplay> parse(const QString& output);
/// 16 lowercase hexadecimal digits: the only form of id ever put on a command line.
bool isDisplayId(QStringView text);
} // namespace DisplayListing
