#pragma once

#include <QKeyCombination>
#include <QList>

#include <xcb/xcb.h>

#include <compare>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

struct X11FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
/// A reply of the server, which XCB allocates with malloc.
template <typename T> using X11Reply = std::unique_ptr<T, X11FreeReply>;

/// A key combination as X names it: the keysym of the key and the modifiers held with it. Which
/// modifier bits Alt and Super stand on is the keyboard's to say, so they stay Qt's names here.
struct X11Chord {
    xcb_keysym_t keysym = 0;
    Qt::KeyboardModifiers modifiers; ///< of Ctrl, Shift, Alt and Meta only
};

/// The keysym and modifiers of a combination; none for a key X has no keysym for here (a modifier
/// alone, a letter outside Latin-1, a key this program does not know).
std::optional<X11Chord> x11ChordOf(QKeyCombination combination);

/// A key as the server grabs it: a keycode and the exact modifier bits held with it.
struct X11Key {
    xcb_keycode_t keycode = 0;
    std::uint16_t modifiers = 0;
    auto operator<=>(const X11Key&) const = default;
};

/// The keyboard as the server maps it at one moment: which keys give which keysyms, and which
/// modifier bits Num Lock, Alt and Super sit on.
class X11KeyboardMap {
public:
    X11KeyboardMap() = default;
    /// Read over `connection`, in one round trip. A map the server would not give has no keys.
    static X11KeyboardMap read(xcb_connection_t* connection);

    /// Every key that gives the chord: each keycode with the keysym in its first or second group,
    /// with Shift added where the keysym is the shifted one ('!' is Shift+1 on most layouts).
    /// Empty when no key of this keyboard gives it.
    QList<X11Key> keysFor(const X11Chord& chord) const;
    /// The bits of the locks that must not change what a key means: Caps Lock and Num Lock.
    std::uint16_t lockModifiers() const;
    /// Every combination of the lock bits, none first: a key is grabbed under each.
    QList<std::uint16_t> lockCombinations() const;

private:
    xcb_keycode_t m_firstKeycode = 0;
    int m_keysymsPerKeycode = 0;
    std::vector<xcb_keysym_t> m_keysyms;
    std::uint16_t m_numLock = 0; // none when no key locks Num Lock
    std::uint16_t m_alt = XCB_MOD_MASK_1;
    std::uint16_t m_super = XCB_MOD_MASK_4;
};
