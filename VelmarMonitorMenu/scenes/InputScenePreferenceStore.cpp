#include "InputScenePreferenceStore.h"

#include "MonitorScene.h"
#include "scenes/SettingsSync.h"

namespace {

// The stored map as it is, entries of any type. A value that is no map at all holds no preferences.
QVariantMap readMap(const QSettings& defaults, const QString& key) {
    const QVariant stored = defaults.value(key);
    if (stored.typeId() == QMetaType::QVariantMap)
        return stored.toMap();
    QVariantMap map;
    if (stored.typeId() == QMetaType::QVariantHash) {
        const QVariantHash hash = stored.toHash();
        for (auto it = hash.cbegin(); it != hash.cend(); ++it)
            map.insert(it.key(), it.value());
    }
    return map;
}

} // namespace

std::optional<QString> InputScenePreferenceStore::sceneIdentifier(const QString& inputIdentifier) const {
    const QVariantMap map = readMap(m_defaults, m_storageKey);
    const auto found = map.constFind(inputIdentifier);
    // An entry that is not text (a hand edit) is no preference; the other inputs' entries still are.
    if (found == map.constEnd() || found->typeId() != QMetaType::QString)
        return std::nullopt;
    return found->toString();
}

void InputScenePreferenceStore::setSceneID(const std::optional<QUuid>& id, const QString& inputIdentifier) {
    if (inputIdentifier.isEmpty())
        return;
    // Only this input's entry changes: the others are written back as they are stored now, also
    // when another instance changed them since this one last read the file, and also when they
    // are not text.
    keepSettingsFile(m_defaults);
    m_defaults.sync();
    QVariantMap map = readMap(m_defaults, m_storageKey);
    if (id)
        map.insert(inputIdentifier, uuidText(*id));
    else
        map.remove(inputIdentifier);
    m_defaults.setValue(m_storageKey, map);
    m_defaults.sync();
}
