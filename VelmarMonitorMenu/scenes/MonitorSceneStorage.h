#pragma once

#include <QByteArray>
#include <QSettings>

#include <optional>

// Where the scene store keeps its blob. The store encodes and decodes; storage only moves bytes.
class MonitorSceneStorage {
public:
    virtual ~MonitorSceneStorage() = default;
    /// The stored blob, or nullopt when none is stored.
    virtual std::optional<QByteArray> load() = 0;
    /// Replaces the stored blob. False when the defaults database reports it could not write.
    virtual bool save(const QByteArray& data) = 0;
    /// Keeps a blob that could not be decoded, before a save replaces it.
    virtual bool saveBackup(const QByteArray& data) = 0;
};

// The defaults database, key "monitorScenes.custom.v1".
class UserDefaultsMonitorSceneStorage : public MonitorSceneStorage {
public:
    static constexpr auto key = "monitorScenes.custom.v1";
    static constexpr auto backupKey = "monitorScenes.custom.v1.unreadable";

    explicit UserDefaultsMonitorSceneStorage(QSettings& defaults) : m_defaults(defaults) {}

    std::optional<QByteArray> load() override;
    bool save(const QByteArray& data) override;
    bool saveBackup(const QByteArray& data) override;

private:
    QSettings& m_defaults;
};
