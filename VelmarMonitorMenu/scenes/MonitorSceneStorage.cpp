#include "MonitorSceneStorage.h"

#include "system/SettingsSync.h"

std::optional<QByteArray> UserDefaultsMonitorSceneStorage::load() {
    const QVariant value = m_defaults.value(QLatin1StringView(key));
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

bool UserDefaultsMonitorSceneStorage::save(const QByteArray& data) {
    m_defaults.setValue(QLatin1StringView(key), data);
    return syncSettings(m_defaults);
}

bool UserDefaultsMonitorSceneStorage::saveBackup(const QByteArray& data) {
    m_defaults.setValue(QLatin1StringView(backupKey), data);
    return syncSettings(m_defaults);
}
