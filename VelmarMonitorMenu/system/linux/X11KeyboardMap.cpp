#include "X11KeyboardMap.h"

#include <X11/keysym.h>
#include <X11/XF86keysym.h>

#include <algorithm>
#include <initializer_list>
#include <span>

namespace {

struct NamedKey {
    Qt::Key key;
    xcb_keysym_t keysym;
};

// The keys without a character that a shortcut may use, beside the function keys.
constexpr NamedKey namedKeys[] = {
    {Qt::Key_Escape, XK_Escape},
    {Qt::Key_Tab, XK_Tab},
    {Qt::Key_Backspace, XK_BackSpace},
    {Qt::Key_Return, XK_Return},
    {Qt::Key_Enter, XK_KP_Enter},
    {Qt::Key_Insert, XK_Insert},
    {Qt::Key_Delete, XK_Delete},
    {Qt::Key_Pause, XK_Pause},
    {Qt::Key_Print, XK_Print},
    {Qt::Key_Home, XK_Home},
    {Qt::Key_End, XK_End},
    {Qt::Key_Left, XK_Left},
    {Qt::Key_Up, XK_Up},
    {Qt::Key_Right, XK_Right},
    {Qt::Key_Down, XK_Down},
    {Qt::Key_PageUp, XK_Prior},
    {Qt::Key_PageDown, XK_Next},
    {Qt::Key_Menu, XK_Menu},
    // The keys a keyboard or laptop carries for exactly what this program does.
    {Qt::Key_MonBrightnessUp, XF86XK_MonBrightnessUp},
    {Qt::Key_MonBrightnessDown, XF86XK_MonBrightnessDown},
    {Qt::Key_VolumeUp, XF86XK_AudioRaiseVolume},
    {Qt::Key_VolumeDown, XF86XK_AudioLowerVolume},
    {Qt::Key_VolumeMute, XF86XK_AudioMute},
    {Qt::Key_Display, XF86XK_Display},
};

// Both number their function keys in one run, so F<n> is found by its distance from F1.
static_assert(Qt::Key_F35 - Qt::Key_F1 == 34 && XK_F35 - XK_F1 == 34);
// Latin-1's keysyms are its code points; Qt names a character key by its upper case code point.
static_assert(XK_a == 'a' && XK_agrave == 0xe0 && XK_Agrave == Qt::Key_Agrave && XK_ssharp == Qt::Key_ssharp);

std::optional<xcb_keysym_t> keysymOf(int key) {
    // Letters are grabbed as the key that types them unshifted: the lower case keysym.
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key - Qt::Key_A + XK_a;
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        return key;
    if (key >= Qt::Key_Agrave && key <= Qt::Key_THORN && key != Qt::Key_multiply)
        return key - Qt::Key_Agrave + XK_agrave;
    if (key >= Qt::Key_nobreakspace && key <= Qt::Key_ydiaeresis)
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return key - Qt::Key_F1 + XK_F1;
    const auto* named = std::find_if(std::begin(namedKeys), std::end(namedKeys),
                                     [key](const NamedKey& n) { return n.key == key; });
    if (named != std::end(namedKeys))
        return named->keysym;
    return std::nullopt;
}

} // namespace

std::optional<X11Chord> x11ChordOf(QKeyCombination combination) {
    const auto keysym = keysymOf(combination.key());
    if (!keysym)
        return std::nullopt;
    // The keypad flag only says where a key sits; the keysym already does.
    constexpr Qt::KeyboardModifiers held =
        Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier;
    return X11Chord{*keysym, combination.keyboardModifiers() & held};
}

X11KeyboardMap X11KeyboardMap::read(xcb_connection_t* connection) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int keycodeCount = setup->max_keycode - setup->min_keycode + 1;
    const auto keysymsCookie = xcb_get_keyboard_mapping(connection, setup->min_keycode, keycodeCount);
    const auto modifiersCookie = xcb_get_modifier_mapping(connection);
    xcb_generic_error_t* keysymsError = nullptr;
    xcb_generic_error_t* modifiersError = nullptr;
    const X11Reply<xcb_get_keyboard_mapping_reply_t> keysyms(
        xcb_get_keyboard_mapping_reply(connection, keysymsCookie, &keysymsError));
    const X11Reply<xcb_get_modifier_mapping_reply_t> modifiers(
        xcb_get_modifier_mapping_reply(connection, modifiersCookie, &modifiersError));
    std::free(keysymsError);
    std::free(modifiersError);

    X11KeyboardMap map;
    if (!keysyms || keysyms->keysyms_per_keycode == 0)
        return map;
    map.m_firstKeycode = setup->min_keycode;
    map.m_keysymsPerKeycode = keysyms->keysyms_per_keycode;
    const std::span<const xcb_keysym_t> all(xcb_get_keyboard_mapping_keysyms(keysyms.get()),
                                            xcb_get_keyboard_mapping_keysyms_length(keysyms.get()));
    // Whole rows only, and no more than the keycodes asked for.
    const auto rows = std::min<std::size_t>(all.size() / map.m_keysymsPerKeycode, keycodeCount);
    map.m_keysyms.assign(all.begin(), all.begin() + rows * map.m_keysymsPerKeycode);
    if (!modifiers)
        return map;

    const auto keysymsOf = [&map](xcb_keycode_t keycode) -> std::span<const xcb_keysym_t> {
        const std::size_t row = keycode - map.m_firstKeycode;
        if (keycode < map.m_firstKeycode || (row + 1) * map.m_keysymsPerKeycode > map.m_keysyms.size())
            return {};
        return std::span(map.m_keysyms).subspan(row * map.m_keysymsPerKeycode, map.m_keysymsPerKeycode);
    };
    const auto givesAny = [&](xcb_keycode_t keycode, std::initializer_list<xcb_keysym_t> wanted) {
        const auto syms = keysymsOf(keycode);
        return std::find_first_of(syms.begin(), syms.end(), wanted.begin(), wanted.end()) != syms.end();
    };
    // Eight modifiers in the order of their bits (Shift, Lock, Control, Mod1 to Mod5), each with
    // the keys that set it. Num Lock, Alt and Super sit on whichever of Mod1 to Mod5 the layout
    // put them; Mod2, Mod1 and Mod4 are only the usual places.
    const std::span<const xcb_keycode_t> modifierKeys(
        xcb_get_modifier_mapping_keycodes(modifiers.get()),
        xcb_get_modifier_mapping_keycodes_length(modifiers.get()));
    const std::size_t perModifier = modifiers->keycodes_per_modifier;
    bool altFound = false;
    bool superFound = false;
    for (std::size_t modifier = 3; modifier < 8 && (modifier + 1) * perModifier <= modifierKeys.size();
         ++modifier) {
        const auto bit = static_cast<std::uint16_t>(1u << modifier);
        for (const xcb_keycode_t keycode : modifierKeys.subspan(modifier * perModifier, perModifier)) {
            if (keycode == 0)
                continue;
            if (!map.m_numLock && givesAny(keycode, {XK_Num_Lock}))
                map.m_numLock = bit;
            if (!altFound && givesAny(keycode, {XK_Alt_L, XK_Alt_R})) {
                map.m_alt = bit;
                altFound = true;
            }
            if (!superFound && givesAny(keycode, {XK_Super_L, XK_Super_R})) {
                map.m_super = bit;
                superFound = true;
            }
        }
    }
    return map;
}

QList<X11Key> X11KeyboardMap::keysFor(const X11Chord& chord) const {
    std::uint16_t modifiers = 0;
    if (chord.modifiers & Qt::ShiftModifier)
        modifiers |= XCB_MOD_MASK_SHIFT;
    if (chord.modifiers & Qt::ControlModifier)
        modifiers |= XCB_MOD_MASK_CONTROL;
    if (chord.modifiers & Qt::AltModifier)
        modifiers |= m_alt;
    if (chord.modifiers & Qt::MetaModifier)
        modifiers |= m_super;

    QList<X11Key> keys;
    if (m_keysymsPerKeycode == 0)
        return keys;
    // A row holds the first group's two levels, then the second group's: a key grabbed by its
    // keycode acts in either group, so a Latin letter is found in a layout pair such as "ru,us".
    // The third level (AltGr) needs a modifier that grabs do not name, so it is left out.
    const std::size_t rows = m_keysyms.size() / m_keysymsPerKeycode;
    for (std::size_t row = 0; row < rows; ++row) {
        const auto syms = std::span(m_keysyms).subspan(row * m_keysymsPerKeycode, m_keysymsPerKeycode);
        for (std::size_t unshifted = 0; unshifted < std::min<std::size_t>(syms.size(), 4); unshifted += 2) {
            const bool typedUnshifted = syms[unshifted] == chord.keysym;
            const bool typedShifted = unshifted + 1 < syms.size() && syms[unshifted + 1] == chord.keysym;
            if (!typedUnshifted && !typedShifted)
                continue;
            const X11Key key{
                static_cast<xcb_keycode_t>(m_firstKeycode + row),
                static_cast<std::uint16_t>(typedUnshifted ? modifiers : modifiers | XCB_MOD_MASK_SHIFT)};
            if (!keys.contains(key))
                keys.append(key);
        }
    }
    return keys;
}

std::uint16_t X11KeyboardMap::lockModifiers() const {
    return XCB_MOD_MASK_LOCK | m_numLock;
}

QList<std::uint16_t> X11KeyboardMap::lockCombinations() const {
    QList<std::uint16_t> combinations{0, XCB_MOD_MASK_LOCK};
    if (m_numLock)
        combinations << m_numLock << static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | m_numLock);
    return combinations;
}
