#include "MonitorSettings.h"

#include "scenes/InputScenePreferenceStore.h"
#include "SettingsFile.h"
#include "SettingsKeys.h"

MonitorSettings::MonitorSettings(SettingsFile& file, QString group) : m_file(file), m_group(std::move(group)) {}

QString MonitorSettings::inputScenePreferencesKey() const {
    return key(InputScenePreferenceStore::defaultKey);
}

bool MonitorSettings::perInputScenesEnabled() const {
    return m_file.storedSwitch(key(SettingsKeys::perInputScenesEnabled));
}

void MonitorSettings::setPerInputScenesEnabled(bool enabled) {
    m_file.store(key(SettingsKeys::perInputScenesEnabled), enabled);
}

std::optional<NightModeSnapshot> MonitorSettings::nightModeSnapshot() const {
    // Night Mode survives a restart only with a readable snapshot to return to.
    if (!m_file.storedSwitch(key(SettingsKeys::nightModeEnabled)))
        return std::nullopt;
    const auto data = m_file.value(key(SettingsKeys::nightModeSnapshot));
    if (data.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return NightModeSnapshot::fromJson(data.toByteArray());
}

void MonitorSettings::setNightMode(const NightModeSnapshot& snapshot) {
    m_file.store(key(SettingsKeys::nightModeEnabled), true);
    // Written now, not at the next check: the monitor is about to lose these values.
    m_file.storeNow(key(SettingsKeys::nightModeSnapshot), snapshot.toJson());
}

void MonitorSettings::removeNightMode() {
    m_file.remove(key(SettingsKeys::nightModeEnabled));
    m_file.remove(key(SettingsKeys::nightModeSnapshot));
}
