#pragma once

#include <QSettings>

/// Writes pending changes of the defaults database to disk and says whether that worked.
bool syncSettings(QSettings& defaults);
