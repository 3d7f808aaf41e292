#pragma once

#include "system/GlobalShortcuts.h"
#include "X11KeyboardMap.h"

#include <QAbstractNativeEventFilter>
#include <QHash>

#include <map>
#include <set>

/// Keys of the program's own in an X11 session: each grabbed on every root window for as long as
/// it is wanted, whether or not a window of ours is open, with and without Caps Lock and Num Lock.
/// The grabs are made on the connection of Qt's X11 platform, whose events the application's
/// native event filters see; one press of a key is one `activated`, a held key's repeats too.
///
/// A key another client holds already (the server answers the grab with BadAccess) is taken, and
/// what was grabbed of it is given back so the other client keeps it whole. A key X has no keysym
/// for, or that no key of the keyboard types, is refused. The grabs follow the keyboard's layout
/// as it changes, and are given back as soon as they are no longer wanted.
class X11GlobalShortcuts final : public GlobalShortcuts, private QAbstractNativeEventFilter {
    Q_OBJECT
public:
    /// `connection` is Qt's own (QNativeInterface::QX11Application::connection()).
    explicit X11GlobalShortcuts(xcb_connection_t* connection, QObject* parent = nullptr);
    ~X11GlobalShortcuts() override;

    bool isAvailable() const override { return true; }
    void setShortcuts(const QList<Shortcut>& shortcuts) override;
    State state(const QString& id) const override;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    bool onKeyPress(const xcb_key_press_event_t& press);
    void onKeyboardChanged();
    void grabWanted();
    void ungrab(const X11Key& key);

    xcb_connection_t* m_connection;
    QList<xcb_window_t> m_roots;
    std::uint8_t m_xkbFirstEvent = 0; // none without the XKEYBOARD extension
    X11KeyboardMap m_keyboard;
    bool m_keyboardRead = false;
    bool m_keyboardReadQueued = false;

    QList<Shortcut> m_shortcuts;
    QHash<QString, State> m_states;
    // Every grab held, lock combinations included, on each root.
    std::set<X11Key> m_grabbed;
    // The active actions of each key held, by its modifiers without the locks.
    std::map<X11Key, QStringList> m_actions;
};
