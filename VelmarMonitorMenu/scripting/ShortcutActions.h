#pragma once

#include "ScriptedChanges.h"

#include <QObject>

class KeyboardShortcuts;
class ProgramModel;

// What a press of one of the program's own keys does: what the command line does for the same
// words, on the main monitor (a step from its newest value, so that a held key's repeats add up
// and only the newest value is written; Night Mode, adaptive brightness and scenes by their own
// rules; the next input the monitor offers), shown on screen as a script's change is. A press the
// monitor cannot take now (a value not read yet, a scene being applied) does nothing.
class ShortcutActions : public QObject {
    Q_OBJECT
public:
    ShortcutActions(ProgramModel& model, KeyboardShortcuts& shortcuts, QObject* parent = nullptr);

    /// Carries out the action with this id (as KeyboardShortcuts names them); false when it was
    /// not taken.
    bool perform(const QString& id);

    /// Every change a key made, for the on-screen indicator.
    const ScriptedChanges& changes() const { return m_changes; }

private:
    bool step(MonitorFeature feature, int direction);
    bool toggleNightMode();
    bool toggleAdaptive();
    bool nextInput();
    bool applyScene(const QUuid& id);

    ProgramModel& m_model;
    KeyboardShortcuts& m_shortcuts;
    ScriptedChanges m_changes;
};
