#pragma once

#include <QHashFunctions>
#include <QString>

#include <optional>

/// One scene as a list shows it. Identified by `id`; compared and hashed field by field.
struct ScenePickerItem {
    QString id; // the scene's UUID as text
    QString title;
    std::optional<QString> detail; // a short summary of the scene's values
    QString symbol;
    bool isEditable = false; // a custom scene

    bool operator==(const ScenePickerItem&) const = default;
};

inline size_t qHash(const ScenePickerItem& item, size_t seed = 0) {
    return qHashMulti(seed, item.id, item.title, item.detail.has_value(), item.detail.value_or(QString()),
                      item.symbol, item.isEditable);
}
