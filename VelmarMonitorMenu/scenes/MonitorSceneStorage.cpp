#include "MonitorSceneStorage.h"

#include "scenes/SettingsSync.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace {

class FileLock : public MonitorSceneStorage::Lock {
public:
    explicit FileLock(const QString& path) : file(path) {}
    QLockFile file; // unlocks when destroyed
};

} // namespace

std::optional<QByteArray> SettingsMonitorSceneStorage::load() {
    // QSettings reads the file only when asked to sync; another instance may have saved since.
    // A file deleted meanwhile is first written again from what this instance holds.
    keepSettingsFile(m_defaults);
    m_defaults.sync();
    const QVariant value = m_defaults.value(QLatin1StringView(key));
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

bool SettingsMonitorSceneStorage::save(const QByteArray& data) {
    keepSettingsFile(m_defaults);
    // Something that is not a saved list (a hand edit, another program's value) reads as no
    // scenes; it is kept aside before a list is written over it, as unreadable lists are.
    const QVariant current = m_defaults.value(QLatin1StringView(key));
    if (current.isValid() && current.typeId() != QMetaType::QByteArray && !keepAside(current))
        return false;
    m_defaults.setValue(QLatin1StringView(key), data);
    return syncSettings(m_defaults);
}

bool SettingsMonitorSceneStorage::saveBackup(const QByteArray& data) {
    return keepAside(data);
}

// Each unreadable value gets a key of its own, the first free one, so a later bad edit never
// replaces an earlier one. A value kept already (a retried save, or two instances that loaded the
// same value) is not kept twice.
bool SettingsMonitorSceneStorage::keepAside(const QVariant& value) {
    keepSettingsFile(m_defaults);
    const QString first = QString::fromLatin1(backupKey);
    QString candidate = first;
    for (int n = 2; m_defaults.contains(candidate); ++n) {
        if (m_defaults.value(candidate) == value)
            return true;
        candidate = first + QLatin1Char('.') + QString::number(n);
    }
    m_defaults.setValue(candidate, value);
    return syncSettings(m_defaults);
}

QString SettingsMonitorSceneStorage::lockFilePath(const QString& settingsFile) {
    return settingsFile + QStringLiteral(".scenes.lock");
}

std::unique_ptr<MonitorSceneStorage::Lock> SettingsMonitorSceneStorage::lock(LockFailure& failure) {
    const QString settingsFile = m_defaults.fileName();
    if (!QDir::isAbsolutePath(settingsFile))
        return std::make_unique<Lock>(); // a platform store with no file of its own to lock beside
    // On the first run the folder does not exist yet; QSettings would make it only when it writes.
    QDir().mkpath(QFileInfo(settingsFile).absolutePath());
    auto held = std::make_unique<FileLock>(lockFilePath(settingsFile));
    if (held->file.tryLock(m_lockWait))
        return held;
    failure = held->file.error() == QLockFile::LockFailedError ? LockFailure::heldElsewhere
                                                               : LockFailure::notWritable;
    return nullptr;
}
