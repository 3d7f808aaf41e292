#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

// Keys of the program's own that act whatever window has the focus, as far as the desktop lets a
// program have them: on X11 grabbed on the root window; on Wayland asked of the desktop portal,
// which may ask the user first; elsewhere none.
class GlobalShortcuts : public QObject {
    Q_OBJECT
public:
    /// One action's key. An empty sequence asks for no key for it; of a sequence of several
    /// chords only the first counts.
    struct Shortcut {
        QString id;          ///< stable, as the settings name the action ("brightnessUp", "scene/<uuid>")
        QString description; ///< what the action does, in the user's words ("Brightness up")
        QKeySequence keys;
        bool operator==(const Shortcut&) const = default;
    };

    /// How one action's key stands.
    enum class State {
        none,    ///< no key asked for
        pending, ///< asked for, no answer yet (the desktop may be asking the user)
        active,  ///< pressing it acts
        taken,   ///< another program holds it
        refused, ///< the desktop or the user said no
    };

    using QObject::QObject;

    /// Whether this desktop lets the program have keys of its own at all.
    virtual bool isAvailable() const = 0;
    /// The keys wanted from now on, replacing those asked for before.
    virtual void setShortcuts(const QList<Shortcut>& shortcuts) = 0;
    virtual State state(const QString& id) const = 0;
    /// The key as the desktop says it is bound, where it chose one of its own (the portal's
    /// "trigger description"); empty otherwise.
    virtual QString boundKeys(const QString& id) const {
        Q_UNUSED(id);
        return {};
    }
    /// What the desktop said of the keys as a whole (a refusal's reason), for Settings; empty when
    /// there is nothing to say.
    virtual QString message() const { return {}; }

signals:
    /// The action's key was pressed (once per press; a held key's repeats come as presses too).
    void activated(const QString& id);
    /// A state, a bound key or the message changed.
    void stateChanged();
};

/// The desktop's way to keys of the program's own: the X11 grabber in an X11 session, the desktop
/// portal's global shortcuts on Wayland where the portal offers them, else one that has none.
/// Needs the QGuiApplication.
std::unique_ptr<GlobalShortcuts> makeSystemGlobalShortcuts();

/// A desktop without a way to keys of the program's own.
class NoGlobalShortcuts : public GlobalShortcuts {
    Q_OBJECT
public:
    using GlobalShortcuts::GlobalShortcuts;
    bool isAvailable() const override { return false; }
    void setShortcuts(const QList<Shortcut>&) override {}
    State state(const QString&) const override { return State::none; }
};
