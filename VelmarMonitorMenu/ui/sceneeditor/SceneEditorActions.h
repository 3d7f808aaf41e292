#pragma once

#include <QWidget>

class QPushButton;

/// The bar at the foot of an editor: "Cancel" and a save button, trailing. Save is the default
/// button (Return in a dialog presses it) and is disabled while there is nothing to save; in a
/// dialog Escape cancels as well.
class SceneEditorActions : public QWidget {
    Q_OBJECT
public:
    explicit SceneEditorActions(const QString& saveTitle, QWidget* parent = nullptr);

    bool canSave() const;
    void setCanSave(bool canSave);

signals:
    void cancelRequested();
    void saveRequested();

private:
    QPushButton* m_cancel;
    QPushButton* m_save;
};
