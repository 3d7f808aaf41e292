#pragma once

#include "NightModeSnapshot.h"

#include <QString>

#include <optional>

class SettingsFile;

// One monitor's own keys in the settings file: Night Mode's way back and the per-input scene
// switch, with the input scene preferences beside them (their store keeps them). Every key lives
// under the monitor's group, a key prefix such as "monitors/0123456789abcdef/"; the empty group
// is the top level of the file, where the first monitor the program knew keeps its keys.
class MonitorSettings {
public:
    MonitorSettings(SettingsFile& file, QString group);

    const QString& group() const { return m_group; }
    /// The keys are another group's from now on (the monitor turned out to be another than the
    /// one whose keys it was given).
    void setGroup(QString group) { m_group = std::move(group); }
    /// Where the input scene preferences of this monitor are kept.
    QString inputScenePreferencesKey() const;

    bool perInputScenesEnabled() const;
    void setPerInputScenesEnabled(bool enabled);
    /// The values to return to when Night Mode was left on, if they can be read.
    std::optional<NightModeSnapshot> nightModeSnapshot() const;
    /// Night Mode is on with these values to return to; on disk before this returns.
    void setNightMode(const NightModeSnapshot& snapshot);
    void removeNightMode();

private:
    QString key(const char* name) const { return m_group + QLatin1String(name); }

    SettingsFile& m_file;
    QString m_group;
};
