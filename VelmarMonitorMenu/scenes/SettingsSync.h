#pragma once

#include <QSettings>

/// Writes pending changes of the settings to disk and says whether that worked.
bool syncSettings(QSettings& defaults);

/// Call before changing the settings. If its file has vanished while we run (deleted
/// by hand or by a cleaning tool), QSettings would write back only the keys changed from now on
/// and forget the rest; marking every key it still holds as changed writes all of them again.
void keepSettingsFile(QSettings& defaults);
