#pragma once

#include <QSettings>
#include <QString>
#include <QUuid>

#include <optional>

// The scene to apply after the monitor is switched to an input: a map from input raw value
// to scene UUID text under one defaults key, read afresh on every call and written whole on
// every set. An entry that is not text reads as no preference and is left as it is.
class InputScenePreferenceStore {
public:
    static constexpr auto defaultKey = "inputScenePreferences";

    InputScenePreferenceStore(QSettings& defaults, QString storageKey = QString::fromLatin1(defaultKey))
        : m_defaults(defaults), m_storageKey(std::move(storageKey)) {}

    std::optional<QString> sceneIdentifier(const QString& inputIdentifier) const;
    /// Sets (id present) or removes (absent) the entry and writes the whole map back, even when
    /// nothing changed. An empty identifier is ignored.
    void setSceneID(const std::optional<QUuid>& id, const QString& inputIdentifier);

    const QString& storageKey() const { return m_storageKey; }
    /// The preferences of another monitor, kept under `key`, from now on.
    void setStorageKey(QString key) { m_storageKey = std::move(key); }

private:
    QSettings& m_defaults;
    QString m_storageKey;
};
