#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariant>

#include <chrono>
#include <memory>
#include <optional>

class QSettings;

// The user's settings file, as every part of the program that keeps something there uses it:
// values are read as the user or a damaged file left them, with anything unusable taken as
// absent; each change is written at once, and once changes have stood still the file is checked
// for a write that did not reach the disk, which becomes the one error the Settings panel shows.
class SettingsFile : public QObject {
    Q_OBJECT

public:
    /// Over `settings`, or the user's settings when null. A dragged range slider costs one
    /// check, not one per step: checks wait until changes have stood still for `checkDelay`.
    explicit SettingsFile(QSettings* settings = nullptr,
                          std::chrono::milliseconds checkDelay = std::chrono::seconds(1),
                          QObject* parent = nullptr);
    /// Changes not yet checked are written before the file goes.
    ~SettingsFile() override;

    QSettings& settings() const { return *m_settings; }

    bool contains(const QString& key) const;
    QVariant value(const QString& key) const;
    /// A Boolean as stored; anything else under the key (a number, a word) counts as off.
    bool storedSwitch(const QString& key, bool absent = false) const;
    /// A finite number, held within lowest...highest; nullopt when absent or not a number.
    std::optional<double> storedNumber(const QString& key, double lowest, double highest) const;

    void store(const QString& key, const QVariant& value);
    void remove(const QString& key);
    /// Stored now, on disk before this returns: what the monitor is about to lose (Night Mode's
    /// way back) must survive a crash.
    void storeNow(const QString& key, const QVariant& value);
    /// Something wrote to the file through settings() directly: check that too.
    void checkSoon();

    /// Why the settings could not be saved; nullopt once a save has worked.
    const std::optional<QString>& error() const { return m_error; }

signals:
    void errorChanged();

private:
    void check();

    std::unique_ptr<QSettings> m_own;
    QSettings* m_settings;
    QTimer m_check;
    std::optional<QString> m_error;
};
