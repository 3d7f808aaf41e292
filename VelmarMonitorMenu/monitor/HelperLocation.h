#pragma once

#include <QString>

#include <functional>
#include <optional>

// Finds the m1ddc helper; evaluated afresh for every run so a helper put in place
// while the program runs is picked up.
using HelperLocator = std::function<std::optional<QString>()>;

namespace HelperLocation {
inline constexpr auto bundleName = "VelmarMonitorMenu_VelmarMonitorMenu.bundle";
inline constexpr auto helperName = "m1ddc";

/// The build tree a program was built in, and the helper bundle built there.
struct BuildTree {
    QString root;
    QString bundleDir;
};

/// The installed resources directory first (only if the file there is executable), then the
/// bundle beside the program. Those two are used if the file exists, executable or not: a helper
/// that cannot be started is reported with the platform's own text.
/// Last, only for a program that runs from inside `buildTree` (an uninstalled development build),
/// the bundle in that tree. An installed program never looks there: the build tree may be gone
/// and its path taken by someone else.
std::optional<QString> bundledHelper(const QString& applicationDir, const BuildTree& buildTree);
/// The same search for a program living in `applicationDir`, built in this program's build tree.
std::optional<QString> bundledHelper(const QString& applicationDir);
/// The same search for this program.
std::optional<QString> bundledHelper();
/// This program's helper; which one it found is logged under the category "velmar.helper"
/// (debug, off unless enabled, e.g. QT_LOGGING_RULES=velmar.helper.debug=true).
HelperLocator bundled();
/// A fixed path, for tests and tools.
HelperLocator fixed(QString path);
} // namespace HelperLocation
