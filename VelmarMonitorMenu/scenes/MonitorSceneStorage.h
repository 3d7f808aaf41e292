#pragma once

#include <QByteArray>
#include <QSettings>

#include <chrono>
#include <memory>
#include <optional>

// Where the scene store keeps its blob. The store encodes, decodes and merges; storage only moves
// bytes, and keeps other instances that share it from saving while one saves.
class MonitorSceneStorage {
public:
    /// Held across a save's read, merge and write; released when destroyed.
    class Lock {
    public:
        virtual ~Lock() = default;
    };
    enum class LockFailure { heldElsewhere, notWritable };

    virtual ~MonitorSceneStorage() = default;
    /// The stored blob as it is now, also when another instance wrote it; nullopt when none is stored.
    virtual std::optional<QByteArray> load() = 0;
    /// Replaces the stored blob. False when the settings report they could not be written.
    virtual bool save(const QByteArray& data) = 0;
    /// Keeps a blob that could not be decoded, before a save replaces it, beside any kept earlier.
    virtual bool saveBackup(const QByteArray& data) = 0;
    /// Keeps every other instance's save waiting until the lock is destroyed, after waiting a bounded
    /// time for one in progress. nullptr, with the reason in `failure`, when it cannot be had.
    virtual std::unique_ptr<Lock> lock(LockFailure& failure) = 0;
};

// The settings, key "monitorScenes.custom.v1", locked through a lock file beside it.
class SettingsMonitorSceneStorage : public MonitorSceneStorage {
public:
    static constexpr auto key = "monitorScenes.custom.v1";
    /// The first unreadable value kept; later ones go under this key followed by ".2", ".3", ...
    static constexpr auto backupKey = "monitorScenes.custom.v1.unreadable";
    // Another instance holds the lock for one read, merge and write: milliseconds, unless it hangs.
    static constexpr auto defaultLockWait = std::chrono::milliseconds(3000);

    explicit SettingsMonitorSceneStorage(QSettings& defaults,
                                             std::chrono::milliseconds lockWait = defaultLockWait)
        : m_defaults(defaults), m_lockWait(lockWait) {}

    std::optional<QByteArray> load() override;
    bool save(const QByteArray& data) override;
    bool saveBackup(const QByteArray& data) override;
    std::unique_ptr<Lock> lock(LockFailure& failure) override;

    /// The lock file: not QSettings' own "<file>.lock", which QSettings takes inside every sync.
    static QString lockFilePath(const QString& settingsFile);

private:
    bool keepAside(const QVariant& value);

    QSettings& m_defaults;
    std::chrono::milliseconds m_lockWait;
};
