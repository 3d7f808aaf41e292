#pragma once

#include "ScenePickerItem.h"

#include <QWidget>

#include <functional>

class ElidedLabel;
class QMenu;
class QToolButton;
class SceneApplyButton;
class SceneSymbolView;

/// One scene in a list of scenes: a button the width of the row that applies it (its symbol,
/// title, an optional detail line and, when it is the active scene, a checkmark), and a menu of
/// the actions given. A built-in scene offers no "Delete" even when a delete action is given.
///
/// The callbacks run just after the click or menu choice has been handled, so an owner may
/// rebuild its list, and free this row, from inside them.
class SceneManagementRow : public QWidget {
    Q_OBJECT
public:
    SceneManagementRow(ScenePickerItem item, bool isActive, std::function<void()> onApply,
                       std::function<void()> onEdit = {}, std::function<void()> onDuplicate = {},
                       std::function<void()> onDelete = {}, QWidget* parent = nullptr);
    ~SceneManagementRow() override;

    const ScenePickerItem& item() const { return m_item; }
    bool isActive() const { return m_active; }
    void setActive(bool active);

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildMenu();
    void restyle();

    ScenePickerItem m_item;
    bool m_active = false;
    std::function<void()> m_onApply;
    std::function<void()> m_onEdit;
    std::function<void()> m_onDuplicate;
    std::function<void()> m_onDelete;
    SceneApplyButton* m_apply = nullptr;
    ElidedLabel* m_detail = nullptr;
    SceneSymbolView* m_checkmark = nullptr;
    QToolButton* m_actions = nullptr;
    QMenu* m_menu = nullptr;
};
