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

/// The installed resources directory first (only if the file there is executable), then the
/// bundle beside the program, then the bundle in the build tree the program was built in.
/// The last two are used if the file exists, executable or not: a helper that cannot be
/// started is reported with the platform's own text.
std::optional<QString> bundledHelper();
/// The same search for a program living in `applicationDir`.
std::optional<QString> bundledHelper(const QString& applicationDir);
HelperLocator bundled();
/// A fixed path, for tests and tools.
HelperLocator fixed(QString path);
} // namespace HelperLocation
