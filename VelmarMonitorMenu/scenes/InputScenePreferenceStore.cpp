#include "InputScenePreferenceStore.h"

#include "MonitorScene.h"
#include "system/SettingsSync.h"

namespace {

// Anything but a map of strings is unusable as a whole and reads as no preferences at all.
QVariantMap readMap(const QSettings& defaults, const QString& key) {
    const QVariant stored = defaults.value(key);
    QVariantMap map;
    if (stored.typeId() == QMetaType::QVariantMap) {
        map = stored.toMap();
    } else if (stored.typeId() == QMetaType::QVariantHash) {
        const QVariantHash hash = stored.toHash();
        for (auto it = hash.cbegin(); it != hash.cend(); ++it)
            map.insert(it.key(), it.value());
    } else {
        return {};
    }
    for (const auto& value : std::as_const(map)) {
        if (value.typeId() != QMetaType::QString)
            return {};
    }
    return map;
}

} // namespace

std::optional<QString> InputScenePreferenceStore::sceneIdentifier(const QString& inputIdentifier) const {
    const QVariantMap map = readMap(m_defaults, m_storageKey);
    const auto found = map.constFind(inputIdentifier);
    if (found == map.constEnd())
        return std::nullopt;
    return found->toString();
}

void InputScenePreferenceStore::setSceneID(const std::optional<QUuid>& id, const QString& inputIdentifier) {
    if (inputIdentifier.isEmpty())
        return;
    QVariantMap map = readMap(m_defaults, m_storageKey);
    if (id)
        map.insert(inputIdentifier, uuidText(*id));
    else
        map.remove(inputIdentifier);
    keepSettingsFile(m_defaults);
    m_defaults.setValue(m_storageKey, map);
}
