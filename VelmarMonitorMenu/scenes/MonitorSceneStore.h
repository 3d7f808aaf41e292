#pragma once

#include "MonitorScene.h"
#include "MonitorSceneStorage.h"

#include <QObject>

#include <memory>

// The built-in scenes and the user's own, the latter persisted as one JSON blob that is
// rewritten whole after every change. Several instances may share the blob: each save merges this
// instance's changes into the list stored now, so none drops another's. Observable:
// customScenesChanged and persistenceErrorChanged fire only on a real change.
class MonitorSceneStore : public QObject {
    Q_OBJECT
public:
    MonitorSceneStore(std::unique_ptr<MonitorSceneStorage> storage, QList<MonitorScene> builtInScenes,
                      QObject* parent = nullptr);

    const QList<MonitorScene>& customScenes() const { return m_customScenes; }
    const QList<MonitorScene>& builtInScenes() const { return m_builtInScenes; }
    /// Built-in scenes in their order, then custom scenes in theirs.
    QList<MonitorScene> allScenes() const;
    /// The first scene of the full list with this id.
    std::optional<MonitorScene> scene(const QUuid& id) const;
    /// Text of the last failed load or save; nullopt after a successful one.
    const std::optional<QString>& persistenceError() const { return m_persistenceError; }

    /// Appends a copy as a custom scene, unless any scene already has its id.
    void add(const MonitorScene& scene);
    /// Replaces the custom scene with the same id in place; built-in scenes are never touched.
    void update(const MonitorScene& scene);
    /// Removes the custom scenes with this id (`delete` is a C++ keyword).
    void remove(const QUuid& id);

signals:
    void customScenesChanged();
    void persistenceErrorChanged();

private:
    void persist();
    void announceIfChanged(const QList<MonitorScene>& before);
    void setPersistenceError(std::optional<QString> error);

    std::unique_ptr<MonitorSceneStorage> m_storage;
    QList<MonitorScene> m_builtInScenes;
    QList<MonitorScene> m_customScenes;
    // The list as last read from or written to storage: what this instance changed since is the
    // difference between it and m_customScenes.
    QList<MonitorScene> m_savedScenes;
    std::optional<QString> m_persistenceError;
};
