#pragma once

#include "NightModeSnapshot.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

class QSettings;
class QVariant;

// The controller's own keys in the settings file. Each is read as the user or a damaged file
// left it, with anything unusable taken as absent; each change is written at once, and once
// changes have stood still the file is checked for a write that did not reach the disk, which
// becomes the error the Settings panel shows.
//
// Two kinds of key: the program's (adaptive brightness, the on-screen indicator) and the
// monitor's (Night Mode, per-input scenes). Each kind lives under a group, a key prefix such as
// "monitors/0123456789abcdef/"; the empty group is the top level of the file.
class ControllerSettings : public QObject {
    Q_OBJECT

public:
    struct Groups {
        QString program;
        QString monitor;
    };

    /// Over `settings`, or the user's settings when null. A dragged range slider costs one
    /// check, not one per step: checks wait until changes have stood still for `checkDelay`.
    ControllerSettings(QSettings* settings, std::chrono::milliseconds checkDelay, Groups groups = {},
                       QObject* parent = nullptr);
    /// Changes not yet checked are written before the settings go.
    ~ControllerSettings() override;

    // --- stored values; absent or damaged keys read as the defaults -----------------------
    bool adaptiveBrightnessEnabled() const;
    /// Taken as it stands (0 included), brought within 0...100; nullopt when absent or not a number.
    std::optional<double> adaptiveMinimumBrightness() const;
    std::optional<double> adaptiveMaximumBrightness() const;
    bool perInputScenesEnabled() const;
    /// On unless the user turned it off.
    bool onScreenIndicatorEnabled() const;
    /// The values to return to when Night Mode was left on, if they can be read.
    std::optional<NightModeSnapshot> nightModeSnapshot() const;

    // --- changes ---------------------------------------------------------------------------
    void setAdaptiveBrightnessEnabled(bool enabled);
    void setAdaptiveBrightnessRange(double minimum, double maximum);
    void setPerInputScenesEnabled(bool enabled);
    void setOnScreenIndicatorEnabled(bool enabled);
    /// Night Mode is on with these values to return to; on disk before this returns.
    void setNightMode(const NightModeSnapshot& snapshot);
    void removeNightMode();
    /// Something else wrote to the same file (the input scene preferences): check that too.
    void checkSoon();
    /// The monitor's keys are read and written under `group` from now on (the controller stands
    /// for another monitor).
    void setMonitorGroup(const QString& group);
    const QString& monitorGroup() const { return m_groups.monitor; }

    /// Why the settings could not be saved; nullopt once a save has worked.
    const std::optional<QString>& error() const { return m_error; }

signals:
    void errorChanged();

private:
    QString programKey(const char* key) const { return m_groups.program + QLatin1String(key); }
    QString monitorKey(const char* key) const { return m_groups.monitor + QLatin1String(key); }
    bool storedSwitch(const QString& key) const;
    std::optional<double> storedLimit(const QString& key) const;
    void store(const QString& key, const QVariant& value);
    void remove(const QString& key);
    void check();

    std::unique_ptr<QSettings> m_own;
    QSettings* m_settings;
    Groups m_groups;
    QTimer m_check;
    std::optional<QString> m_error;
};
