#include "MonitorSceneStore.h"

#include <algorithm>

MonitorSceneStore::MonitorSceneStore(std::unique_ptr<MonitorSceneStorage> storage,
                                     QList<MonitorScene> builtInScenes, QObject* parent)
    : QObject(parent), m_storage(std::move(storage)), m_builtInScenes(std::move(builtInScenes)) {
    const auto blob = m_storage->load();
    if (!blob)
        return;
    QString reason;
    auto scenes = MonitorScene::decodeList(*blob, &reason);
    if (!scenes) {
        // The blob stays where it is; persist() moves it aside before anything replaces it.
        m_unreadableBlob = *blob;
        m_persistenceError = reason;
        return;
    }
    for (auto& scene : *scenes)
        scene.kind = MonitorScene::Kind::custom;
    m_customScenes = std::move(*scenes);
}

QList<MonitorScene> MonitorSceneStore::allScenes() const {
    return m_builtInScenes + m_customScenes;
}

std::optional<MonitorScene> MonitorSceneStore::scene(const QUuid& id) const {
    for (const auto* list : {&m_builtInScenes, &m_customScenes}) {
        for (const auto& scene : *list) {
            if (scene.id == id)
                return scene;
        }
    }
    return std::nullopt;
}

void MonitorSceneStore::add(const MonitorScene& scene) {
    if (this->scene(scene.id))
        return;
    MonitorScene custom = scene;
    custom.kind = MonitorScene::Kind::custom;
    m_customScenes.append(std::move(custom));
    persist();
    emit customScenesChanged();
}

void MonitorSceneStore::update(const MonitorScene& scene) {
    const auto found = std::find_if(m_customScenes.begin(), m_customScenes.end(),
                                    [&](const MonitorScene& candidate) { return candidate.id == scene.id; });
    if (found == m_customScenes.end())
        return;
    MonitorScene custom = scene;
    custom.kind = MonitorScene::Kind::custom;
    // An update always saves, so saving the same scene again is also a retry after a failed
    // save; only a real change is announced.
    const bool changed = !(*found == custom);
    *found = std::move(custom);
    persist();
    if (changed)
        emit customScenesChanged();
}

void MonitorSceneStore::remove(const QUuid& id) {
    const auto removed = m_customScenes.removeIf([&](const MonitorScene& scene) { return scene.id == id; });
    if (removed == 0)
        return;
    persist();
    emit customScenesChanged();
}

void MonitorSceneStore::persist() {
    if (auto problem = MonitorScene::encodingError(m_customScenes)) {
        setPersistenceError(tr("Could not save your scenes. %1").arg(*problem));
        return;
    }
    const QString notWritable = tr("Could not save your scenes: the settings file is not writable.");
    // Scenes that could not be read are still the user's; keep them under their own key before
    // the new list takes their place.
    if (m_unreadableBlob) {
        if (!m_storage->saveBackup(*m_unreadableBlob)) {
            setPersistenceError(notWritable);
            return;
        }
        m_unreadableBlob.reset();
    }
    if (!m_storage->save(MonitorScene::encodeList(m_customScenes))) {
        setPersistenceError(notWritable);
        return;
    }
    setPersistenceError(std::nullopt);
}

void MonitorSceneStore::setPersistenceError(std::optional<QString> error) {
    if (m_persistenceError == error)
        return;
    m_persistenceError = std::move(error);
    emit persistenceErrorChanged();
}
