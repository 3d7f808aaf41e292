#include "MonitorSceneStore.h"

#include <QSet>

#include <algorithm>

namespace {

QList<MonitorScene> asCustom(QList<MonitorScene> scenes) {
    for (auto& scene : scenes)
        scene.kind = MonitorScene::Kind::custom;
    return scenes;
}

// Only a hand-edited blob holds more than one scene with an id; they are kept, changed and
// deleted together.
QList<MonitorScene> withId(const QList<MonitorScene>& scenes, const QUuid& id) {
    QList<MonitorScene> found;
    for (const auto& scene : scenes) {
        if (scene.id == id)
            found.append(scene);
    }
    return found;
}

// This instance's changes (from `saved` to `mine`) applied to the list `stored` now: for the ids
// it added, edited or deleted its version wins; every other scene is as stored, so a scene added
// elsewhere stays and one deleted elsewhere stays deleted. Stored order is kept; scenes this
// instance has that are not stored follow in its order.
QList<MonitorScene> merge(const QList<MonitorScene>& saved, const QList<MonitorScene>& mine,
                          const QList<MonitorScene>& stored) {
    const auto changedHere = [&](const QUuid& id) { return withId(saved, id) != withId(mine, id); };
    QList<MonitorScene> merged;
    QSet<QUuid> storedIds;
    for (const auto& scene : stored) {
        const bool first = !storedIds.contains(scene.id);
        storedIds.insert(scene.id);
        if (!changedHere(scene.id))
            merged.append(scene);
        else if (first)
            merged += withId(mine, scene.id);
    }
    for (const auto& scene : mine) {
        if (!storedIds.contains(scene.id) && changedHere(scene.id))
            merged.append(scene);
    }
    return merged;
}

} // namespace

MonitorSceneStore::MonitorSceneStore(std::unique_ptr<MonitorSceneStorage> storage,
                                     QList<MonitorScene> builtInScenes, QObject* parent)
    : QObject(parent), m_storage(std::move(storage)), m_builtInScenes(std::move(builtInScenes)) {
    const auto blob = m_storage->load();
    if (!blob)
        return;
    QString reason;
    auto scenes = MonitorScene::decodeList(*blob, &reason);
    if (!scenes) {
        // The blob stays where it is; the first save keeps it aside before replacing it.
        m_persistenceError = reason;
        return;
    }
    m_customScenes = asCustom(std::move(*scenes));
    m_savedScenes = m_customScenes;
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
    const QList<MonitorScene> before = m_customScenes;
    MonitorScene custom = scene;
    custom.kind = MonitorScene::Kind::custom;
    m_customScenes.append(std::move(custom));
    persist();
    announceIfChanged(before);
}

void MonitorSceneStore::update(const MonitorScene& scene) {
    const auto found = std::find_if(m_customScenes.cbegin(), m_customScenes.cend(),
                                    [&](const MonitorScene& candidate) { return candidate.id == scene.id; });
    if (found == m_customScenes.cend())
        return;
    const QList<MonitorScene> before = m_customScenes;
    MonitorScene custom = scene;
    custom.kind = MonitorScene::Kind::custom;
    // An update always saves, so saving the same scene again is also a retry after a failed
    // save; only a real change is announced.
    m_customScenes[found - m_customScenes.cbegin()] = std::move(custom);
    persist();
    announceIfChanged(before);
}

void MonitorSceneStore::remove(const QUuid& id) {
    const QList<MonitorScene> before = m_customScenes;
    const auto removed = m_customScenes.removeIf([&](const MonitorScene& scene) { return scene.id == id; });
    if (removed == 0)
        return;
    persist();
    announceIfChanged(before);
}

void MonitorSceneStore::persist() {
    if (auto problem = MonitorScene::encodingError(m_customScenes)) {
        setPersistenceError(tr("Could not save your scenes. %1").arg(*problem));
        return;
    }
    const QString notWritable = tr("Could not save your scenes: the settings file is not writable.");
    MonitorSceneStorage::LockFailure failure{};
    const auto lock = m_storage->lock(failure);
    if (!lock) {
        setPersistenceError(failure == MonitorSceneStorage::LockFailure::heldElsewhere
                                ? tr("Could not save your scenes: another Velmar Monitor kept the settings "
                                     "file busy. They are saved with your next change.")
                                : notWritable);
        return;
    }
    // Another instance may have saved since this one last read the list.
    const auto stored = m_storage->load();
    std::optional<QList<MonitorScene>> storedScenes;
    if (stored) {
        storedScenes = MonitorScene::decodeList(*stored);
        // Scenes that cannot be read are still the user's; keep them under their own key before
        // the new list takes their place.
        if (!storedScenes && !m_storage->saveBackup(*stored)) {
            setPersistenceError(notWritable);
            return;
        }
    }
    // A stored value that is no readable list tells nothing of other instances' changes: this
    // instance's list is written as it is.
    QList<MonitorScene> merged = merge(m_savedScenes, m_customScenes,
                                       storedScenes ? asCustom(std::move(*storedScenes)) : m_savedScenes);
    if (!m_storage->save(MonitorScene::encodeList(merged))) {
        setPersistenceError(notWritable);
        return;
    }
    m_savedScenes = merged;
    m_customScenes = std::move(merged);
    setPersistenceError(std::nullopt);
}

void MonitorSceneStore::announceIfChanged(const QList<MonitorScene>& before) {
    if (m_customScenes != before)
        emit customScenesChanged();
}

void MonitorSceneStore::setPersistenceError(std::optional<QString> error) {
    if (m_persistenceError == error)
        return;
    m_persistenceError = std::move(error);
    emit persistenceErrorChanged();
}
