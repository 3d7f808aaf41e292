#include "X11GlobalShortcuts.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>

#include <X11/extensions/XKB.h>

namespace {

// Shift, Lock, Control and Mod1 to Mod5; an event's state holds the mouse buttons and the XKB
// group above them.
constexpr std::uint16_t keyboardModifiers = 0xff;

std::uint8_t xkbFirstEvent(xcb_connection_t* connection) {
    static constexpr char name[] = "XKEYBOARD";
    const X11Reply<xcb_query_extension_reply_t> reply(xcb_query_extension_reply(
        connection, xcb_query_extension(connection, sizeof name - 1, name), nullptr));
    return reply && reply->present ? reply->first_event : 0;
}

} // namespace

X11GlobalShortcuts::X11GlobalShortcuts(xcb_connection_t* connection, QObject* parent)
    : GlobalShortcuts(parent), m_connection(connection) {
    for (auto screen = xcb_setup_roots_iterator(xcb_get_setup(connection)); screen.rem;
         xcb_screen_next(&screen))
        m_roots.append(screen.data->root);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11GlobalShortcuts::~X11GlobalShortcuts() {
    // Without the application its connection may be gone already; the server gives a closed
    // connection's grabs back by itself.
    if (!QCoreApplication::instance())
        return;
    for (const X11Key& key : m_grabbed)
        ungrab(key);
    xcb_flush(m_connection);
}

void X11GlobalShortcuts::setShortcuts(const QList<Shortcut>& shortcuts) {
    m_shortcuts = shortcuts;
    grabWanted();
}

GlobalShortcuts::State X11GlobalShortcuts::state(const QString& id) const {
    return m_states.value(id, State::none);
}

bool X11GlobalShortcuts::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & ~0x80;
    if (type == XCB_KEY_PRESS)
        return onKeyPress(*reinterpret_cast<const xcb_key_press_event_t*>(event));
    // Qt reads the new layout from the same notifications, so they are never kept from it.
    if (type == XCB_MAPPING_NOTIFY) {
        if (reinterpret_cast<const xcb_mapping_notify_event_t*>(event)->request != XCB_MAPPING_POINTER)
            onKeyboardChanged();
    } else if (m_xkbFirstEvent && type == m_xkbFirstEvent) {
        // An XKB-aware connection, as Qt's is, hears of a new layout (setxkbmap) only this way.
        const std::uint8_t xkbType = reinterpret_cast<const std::uint8_t*>(event)[1];
        if (xkbType == XkbNewKeyboardNotify || xkbType == XkbMapNotify)
            onKeyboardChanged();
    }
    return false;
}

bool X11GlobalShortcuts::onKeyPress(const xcb_key_press_event_t& press) {
    if (!m_roots.contains(press.event))
        return false;
    const X11Key key{press.detail, static_cast<std::uint16_t>(press.state & keyboardModifiers &
                                                              ~m_keyboard.lockModifiers())};
    const auto actions = m_actions.find(key);
    if (actions == m_actions.end())
        return false;
    const QStringList ids = actions->second;
    // A receiver may change the shortcuts, or end this object, from its slot.
    const QPointer self(this);
    for (const QString& id : ids) {
        emit activated(id);
        if (!self)
            break;
    }
    return true;
}

void X11GlobalShortcuts::onKeyboardChanged() {
    // A new layout comes as a burst of notifications; the map is read once, after them.
    if (m_keyboardReadQueued)
        return;
    m_keyboardReadQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_keyboardReadQueued = false;
            // Unread, the map is read as it stands when a key is first wanted.
            if (!m_keyboardRead)
                return;
            m_keyboard = X11KeyboardMap::read(m_connection);
            grabWanted();
        },
        Qt::QueuedConnection);
}

void X11GlobalShortcuts::grabWanted() {
    // Most users set no key: the keyboard is not asked about at start-up for nothing.
    const bool anyWanted = std::any_of(m_shortcuts.begin(), m_shortcuts.end(),
                                       [](const Shortcut& shortcut) { return !shortcut.keys.isEmpty(); });
    if (anyWanted && !m_keyboardRead) {
        m_xkbFirstEvent = xkbFirstEvent(m_connection);
        m_keyboard = X11KeyboardMap::read(m_connection);
        m_keyboardRead = true;
    }
    QHash<QString, State> states;
    std::map<X11Key, QStringList> wanted;
    for (const Shortcut& shortcut : m_shortcuts) {
        if (shortcut.keys.isEmpty()) {
            states.insert(shortcut.id, State::none);
            continue;
        }
        const auto chord = x11ChordOf(shortcut.keys[0]);
        const QList<X11Key> keys = chord ? m_keyboard.keysFor(*chord) : QList<X11Key>{};
        states.insert(shortcut.id, keys.isEmpty() ? State::refused : State::active);
        for (const X11Key& key : keys)
            wanted[key].append(shortcut.id);
    }
    const auto withLocks = [this](const X11Key& key) {
        QList<X11Key> grabs;
        for (const std::uint16_t locks : m_keyboard.lockCombinations())
            grabs.append({key.keycode, static_cast<std::uint16_t>(key.modifiers | locks)});
        return grabs;
    };

    std::set<X11Key> wantedGrabs;
    for (const auto& [key, ids] : wanted)
        for (const X11Key& grab : withLocks(key))
            wantedGrabs.insert(grab);
    for (auto grab = m_grabbed.begin(); grab != m_grabbed.end();) {
        if (wantedGrabs.contains(*grab)) {
            ++grab;
            continue;
        }
        ungrab(*grab);
        grab = m_grabbed.erase(grab);
    }

    // All asked at once, then the answers read: one round trip whatever the number of keys.
    struct Asked {
        X11Key key;
        X11Key grab;
        QList<xcb_void_cookie_t> cookies; // one per root
    };
    QList<Asked> asked;
    for (const auto& [key, ids] : wanted) {
        for (const X11Key& grab : withLocks(key)) {
            if (m_grabbed.contains(grab))
                continue;
            Asked ask{key, grab, {}};
            for (const xcb_window_t root : m_roots)
                ask.cookies.append(xcb_grab_key_checked(m_connection, false, root, grab.modifiers,
                                                        grab.keycode, XCB_GRAB_MODE_ASYNC,
                                                        XCB_GRAB_MODE_ASYNC));
            asked.append(ask);
        }
    }
    for (const Asked& ask : asked) {
        std::optional<State> failure;
        for (const xcb_void_cookie_t cookie : ask.cookies) {
            const X11Reply<xcb_generic_error_t> error(xcb_request_check(m_connection, cookie));
            if (error && !failure)
                failure = error->error_code == XCB_ACCESS ? State::taken : State::refused;
        }
        if (!failure) {
            m_grabbed.insert(ask.grab);
            continue;
        }
        ungrab(ask.grab); // on the roots where it was made
        for (const QString& id : wanted[ask.key])
            if (states.value(id) == State::active)
                states.insert(id, *failure);
    }

    // Half a key would act with some locks and not others, or on one of its keycodes only: what was
    // grabbed for actions that did not get the whole of their key goes back.
    m_actions.clear();
    for (const auto& [key, ids] : wanted) {
        QStringList active;
        for (const QString& id : ids)
            if (states.value(id) == State::active)
                active.append(id);
        if (!active.isEmpty()) {
            m_actions.emplace(key, active);
            continue;
        }
        for (const X11Key& grab : withLocks(key))
            if (m_grabbed.erase(grab))
                ungrab(grab);
    }
    xcb_flush(m_connection);

    if (states != m_states) {
        m_states = states;
        emit stateChanged();
    }
}

void X11GlobalShortcuts::ungrab(const X11Key& key) {
    for (const xcb_window_t root : m_roots)
        xcb_ungrab_key(m_connection, key.keycode, root, key.modifiers);
}
