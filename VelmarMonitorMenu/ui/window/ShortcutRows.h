#pragma once

#include <QList>
#include <QWidget>

#include "controller/KeyboardShortcuts.h"

class KeyRecorder;
class QLabel;
class QToolButton;
class QVBoxLayout;

// The program's own shortcuts in Settings: one row per action (the fixed ones, then each scene),
// each with its key recorder, a button that clears it, and beneath its name how the key stands
// with the desktop ("Taken by another program"). Rows follow the scenes as they come and go.
class ShortcutRows : public QWidget {
    Q_OBJECT
public:
    explicit ShortcutRows(KeyboardShortcuts& shortcuts, QWidget* parent = nullptr);

    /// The words under an action's name for how its key stands; empty when there is nothing to say.
    static QString stateText(GlobalShortcuts::State state, const QString& boundKeys);

protected:
    void changeEvent(QEvent* event) override;

private:
    struct Row {
        QString id;
        QLabel* status;
        KeyRecorder* recorder;
        QToolButton* clear;
    };

    void rebuild();
    void showKeys();
    void showStates();
    void restyle();

    KeyboardShortcuts& m_shortcuts;
    QVBoxLayout* m_rows;
    QList<KeyboardShortcuts::Action> m_actions;
    QList<Row> m_shown;
};
