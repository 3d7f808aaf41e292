#include "SettingsSync.h"

#include <QFileInfo>

// QSettings remembers only the first error it met, so when an older error is already recorded
// its status cannot tell about this write; then the file itself is asked whether it can be written.
bool syncSettings(QSettings& defaults) {
    const auto before = defaults.status();
    defaults.sync();
    const auto after = defaults.status();
    if (after == QSettings::NoError)
        return true;
    if (before == QSettings::NoError)
        return after != QSettings::AccessError;
    return defaults.isWritable();
}

void keepSettingsFile(QSettings& defaults) {
    if (defaults.format() == QSettings::NativeFormat && !defaults.fileName().startsWith(QLatin1Char('/')))
        return; // a platform store with no file of its own
    if (QFileInfo::exists(defaults.fileName()))
        return;
    const QStringList keys = defaults.allKeys();
    for (const QString& key : keys)
        defaults.setValue(key, defaults.value(key));
}
