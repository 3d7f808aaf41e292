#include "MonitorSceneStorage.h"

#include "system/SettingsSync.h"

std::optional<QByteArray> UserDefaultsMonitorSceneStorage::load() {
    const QVariant value = m_defaults.value(QLatin1StringView(key));
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

bool UserDefaultsMonitorSceneStorage::save(const QByteArray& data) {
    keepSettingsFile(m_defaults);
    // Something that is not a saved list (a hand edit, another program's value) reads as no
    // scenes; it is kept aside before the first list is written over it, as unreadable lists are.
    const QVariant current = m_defaults.value(QLatin1StringView(key));
    if (current.isValid() && current.typeId() != QMetaType::QByteArray &&
        !m_defaults.contains(QLatin1StringView(backupKey)))
        m_defaults.setValue(QLatin1StringView(backupKey), current);
    m_defaults.setValue(QLatin1StringView(key), data);
    return syncSettings(m_defaults);
}

bool UserDefaultsMonitorSceneStorage::saveBackup(const QByteArray& data) {
    keepSettingsFile(m_defaults);
    m_defaults.setValue(QLatin1StringView(backupKey), data);
    return syncSettings(m_defaults);
}
