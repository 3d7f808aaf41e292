#include "MonitorSceneStorage.h"

namespace {

// Writes pending changes to disk and says whether that worked. QSettings remembers only the
// first error it met, so when an older error is already recorded the status cannot tell about
// this write; then the file itself is asked whether it can be written.
bool syncSucceeded(QSettings& defaults) {
    const auto before = defaults.status();
    defaults.sync();
    const auto after = defaults.status();
    if (after == QSettings::NoError)
        return true;
    if (before == QSettings::NoError)
        return after != QSettings::AccessError;
    return defaults.isWritable();
}

} // namespace

std::optional<QByteArray> UserDefaultsMonitorSceneStorage::load() {
    const QVariant value = m_defaults.value(QLatin1StringView(key));
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

bool UserDefaultsMonitorSceneStorage::save(const QByteArray& data) {
    m_defaults.setValue(QLatin1StringView(key), data);
    return syncSucceeded(m_defaults);
}

bool UserDefaultsMonitorSceneStorage::saveBackup(const QByteArray& data) {
    m_defaults.setValue(QLatin1StringView(backupKey), data);
    return syncSucceeded(m_defaults);
}
