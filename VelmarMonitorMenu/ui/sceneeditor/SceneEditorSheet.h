#pragma once

#include "scenes/MonitorScene.h"

#include <QDialog>
#include <QUuid>

#include <functional>

class QComboBox;
class SceneEditorActions;
class SceneIdentityEditor;
class SceneValueEditorRow;
class ToggleSwitch;

/// Edits a scene in a window-modal dialog of fixed size: its name and icon, which values it
/// sets (brightness, contrast, the three colour gains together, volume) and to what, and the
/// input it switches to. Saving hands the edited scene to `onSave` as a custom scene with the
/// original id; cancelling or closing the dialog any other way discards every change.
class SceneEditorSheet : public QDialog {
    Q_OBJECT
public:
    /// The symbols the editor offers, in this order.
    static const QStringList& symbolChoices();

    SceneEditorSheet(const MonitorScene& scene, std::function<void(const MonitorScene&)> onSave,
                     QWidget* parent = nullptr);
    ~SceneEditorSheet() override;

    /// The scene save() would hand over, from the current state.
    MonitorScene editedScene() const;
    /// Whether the name has more than white space.
    bool canSave() const;

public slots:
    /// Hands editedScene() to `onSave` and closes; does nothing while the name is blank.
    void save();

protected:
    void changeEvent(QEvent* event) override;

private:
    void refreshInputIcons();
    void showColorRows(bool shown);

    QUuid m_originalID;
    std::function<void(const MonitorScene&)> m_onSave;
    SceneIdentityEditor* m_identity = nullptr;
    SceneValueEditorRow* m_brightness = nullptr;
    SceneValueEditorRow* m_contrast = nullptr;
    ToggleSwitch* m_color = nullptr;
    SceneValueEditorRow* m_red = nullptr;
    SceneValueEditorRow* m_green = nullptr;
    SceneValueEditorRow* m_blue = nullptr;
    SceneValueEditorRow* m_volume = nullptr;
    QComboBox* m_input = nullptr;
    SceneEditorActions* m_actions = nullptr;
};
