// Keys of the program's own on a real X server (the test runs under xvfb-run): keys pressed with
// xdotool, which speaks XTest as a keyboard would, and a second X client for another program.
#include "support/Xdotool.h"
#include "system/linux/X11GlobalShortcuts.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <X11/keysym.h>

#include <algorithm>

using Shortcut = GlobalShortcuts::Shortcut;
using State = GlobalShortcuts::State;

namespace {

constexpr std::uint16_t ctrlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;


xcb_connection_t* qtConnection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// Another program on the same X server, with a connection of its own. Every request waits for the
// server's answer, so what the test asserts next is what the server holds.
class OtherClient {
public:
    OtherClient() : m_connection(xcb_connect(nullptr, nullptr)) {}
    ~OtherClient() { xcb_disconnect(m_connection); }
    OtherClient(const OtherClient&) = delete;
    OtherClient& operator=(const OtherClient&) = delete;

    bool isConnected() const { return xcb_connection_has_error(m_connection) == 0; }

    // The first keycode that types `keysym` unshifted; for NoSymbol, the first that types nothing.
    xcb_keycode_t keycodeOf(xcb_keysym_t keysym) const {
        const xcb_setup_t* setup = xcb_get_setup(m_connection);
        const X11Reply<xcb_get_keyboard_mapping_reply_t> map(xcb_get_keyboard_mapping_reply(
            m_connection,
            xcb_get_keyboard_mapping(m_connection, setup->min_keycode,
                                     setup->max_keycode - setup->min_keycode + 1),
            nullptr));
        const int perKeycode = map ? map->keysyms_per_keycode : 0;
        for (int row = 0;
             perKeycode && (row + 1) * perKeycode <= xcb_get_keyboard_mapping_keysyms_length(map.get());
             ++row) {
            const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get()) + row * perKeycode;
            if (keysym == XCB_NO_SYMBOL ? std::all_of(syms, syms + perKeycode, [](auto s) { return s == 0; })
                                        : syms[0] == keysym)
                return setup->min_keycode + row;
        }
        return 0;
    }
    void setKeysym(xcb_keycode_t keycode, xcb_keysym_t keysym) {
        check(xcb_change_keyboard_mapping_checked(m_connection, 1, keycode, 1, &keysym));
    }

    // Whether the server let this client have the key; XCB_MOD_MASK_ANY asks for it under every
    // combination of modifiers, so it fails while anyone holds the key under any.
    bool grab(xcb_keycode_t keycode, std::uint16_t modifiers) {
        return check(xcb_grab_key_checked(m_connection, true, root(), modifiers, keycode, XCB_GRAB_MODE_ASYNC,
                                          XCB_GRAB_MODE_ASYNC));
    }
    void ungrabAll() { check(xcb_ungrab_key_checked(m_connection, XCB_GRAB_ANY, root(), XCB_MOD_MASK_ANY)); }

    // The modifiers and locks the keyboard has on.
    std::uint16_t modifierState() const {
        const X11Reply<xcb_query_pointer_reply_t> pointer(
            xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, root()), nullptr));
        return pointer ? pointer->mask & 0xff : 0;
    }

    // Eight modifiers in the order of their bits, each with its keys.
    struct ModifierMap {
        int perModifier = 0;
        QList<xcb_keycode_t> keycodes;
    };
    ModifierMap modifierMap() const {
        const X11Reply<xcb_get_modifier_mapping_reply_t> reply(
            xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
        if (!reply)
            return {};
        const auto* keycodes = xcb_get_modifier_mapping_keycodes(reply.get());
        return {reply->keycodes_per_modifier,
                {keycodes, keycodes + xcb_get_modifier_mapping_keycodes_length(reply.get())}};
    }
    // The server refuses while a key of the map is down; it is asked until it agrees.
    bool setModifierMap(const ModifierMap& map) {
        return QTest::qWaitFor([&] {
            const X11Reply<xcb_set_modifier_mapping_reply_t> reply(xcb_set_modifier_mapping_reply(
                m_connection,
                xcb_set_modifier_mapping(m_connection, map.perModifier, map.keycodes.constData()), nullptr));
            return reply && reply->status == XCB_MAPPING_STATUS_SUCCESS;
        });
    }
    std::uint16_t modifierOf(xcb_keycode_t keycode) const {
        const ModifierMap map = modifierMap();
        const auto slot = map.keycodes.indexOf(keycode);
        return slot < 0 ? 0 : 1u << (slot / map.perModifier);
    }

private:
    xcb_window_t root() const { return xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root; }
    bool check(xcb_void_cookie_t cookie) {
        return !X11Reply<xcb_generic_error_t>(xcb_request_check(m_connection, cookie));
    }

    xcb_connection_t* m_connection;
};

QList<Shortcut> shortcuts(std::initializer_list<std::pair<const char*, QKeySequence>> keys) {
    QList<Shortcut> list;
    for (const auto& [id, sequence] : keys)
        list.append({QLatin1String(id), QStringLiteral("Action %1").arg(QLatin1String(id)), sequence});
    return list;
}

} // namespace

class TestX11Shortcuts : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server (the test command runs it under xvfb-run)");
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is not installed (scripts/bootstrap.sh installs it)");
        QVERIFY(m_other.isConnected());
        m_modifiers = m_other.modifierMap();
        m_numLock = m_other.keycodeOf(XK_Num_Lock);
        QVERIFY(m_numLock && m_other.modifierOf(m_numLock));
    }

    void init() {
        m_grabber = std::make_unique<X11GlobalShortcuts>(qtConnection());
        m_pressed = std::make_unique<QSignalSpy>(m_grabber.get(), &GlobalShortcuts::activated);
    }

    // Whatever a test left behind: keys held down, locks on, grabs, a changed modifier map.
    void cleanup() {
        m_pressed.reset();
        m_grabber.reset();
        QVERIFY(xdotool({"keyup", "ctrl", "alt", "super", "v"}));
        const std::uint16_t locks = XCB_MOD_MASK_LOCK | m_other.modifierOf(m_numLock);
        if (m_other.modifierState() & XCB_MOD_MASK_LOCK)
            QVERIFY(xdotool({"key", "Caps_Lock"}));
        if (m_other.modifierState() & m_other.modifierOf(m_numLock))
            QVERIFY(xdotool({"key", "Num_Lock"}));
        QTRY_COMPARE(m_other.modifierState() & locks, 0);
        if (m_other.modifierMap().keycodes != m_modifiers.keycodes)
            QVERIFY(m_other.setModifierMap(m_modifiers));
        m_other.ungrabAll();
    }

    // Each once per press, to its own action, and nothing on the release: the press of the second
    // key arrives after the first key's release.
    void aPressActivatesItsAction_data() {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("typed");
        // clang-format off
        QTest::newRow("letter with Ctrl and Alt") << QKeySequence(QStringLiteral("Ctrl+Alt+V")) << "ctrl+alt+v";
        QTest::newRow("function key with Meta") << QKeySequence(QStringLiteral("Meta+F5")) << "super+F5";
        QTest::newRow("arrow") << QKeySequence(QStringLiteral("Ctrl+Alt+Right")) << "ctrl+alt+Right";
        QTest::newRow("symbol typed with Shift") << QKeySequence(Qt::CTRL | Qt::Key_Exclam) << "ctrl+shift+1";
        QTest::newRow("brightness key") << QKeySequence(Qt::Key_MonBrightnessUp) << "XF86MonBrightnessUp";
        QTest::newRow("volume key") << QKeySequence(Qt::Key_VolumeDown) << "XF86AudioLowerVolume";
        // clang-format on
    }
    void aPressActivatesItsAction() {
        QFETCH(QKeySequence, keys);
        QFETCH(QString, typed);
        m_grabber->setShortcuts(
            shortcuts({{"pressed", keys}, {"next", QKeySequence(QStringLiteral("Ctrl+Alt+Home"))}}));
        QCOMPARE(m_grabber->state(QStringLiteral("pressed")), State::active);

        QVERIFY(xdotool({"key", typed}));
        QTRY_COMPARE(activations(), QStringList{"pressed"});
        QVERIFY(xdotool({"key", "ctrl+alt+Home"}));
        QTRY_COMPARE(activations(), (QStringList{"pressed", "next"}));
    }

    // Num Lock is found wherever the modifier map puts it, not only on Mod2.
    void aPressActsWhateverTheLocks_data() {
        QTest::addColumn<QStringList>("locks");
        QTest::addColumn<bool>("numLockOnMod3");
        QTest::newRow("Caps Lock") << QStringList{"Caps_Lock"} << false;
        QTest::newRow("Num Lock") << QStringList{"Num_Lock"} << false;
        QTest::newRow("both") << QStringList{"Caps_Lock", "Num_Lock"} << false;
        QTest::newRow("Num Lock on Mod3") << QStringList{"Num_Lock"} << true;
    }
    void aPressActsWhateverTheLocks() {
        QFETCH(QStringList, locks);
        QFETCH(bool, numLockOnMod3);
        if (numLockOnMod3) {
            auto map = m_modifiers;
            const int mod3 = 5;
            const auto free = map.keycodes.indexOf(0, mod3 * map.perModifier);
            if (free < 0 || free >= (mod3 + 1) * map.perModifier)
                QSKIP("Mod3 has no free place on this server");
            map.keycodes.replace(map.keycodes.indexOf(m_numLock), 0);
            map.keycodes.replace(free, m_numLock);
            QVERIFY(m_other.setModifierMap(map));
            QCOMPARE(m_other.modifierOf(m_numLock), XCB_MOD_MASK_3);
            init(); // a grabber that starts on the new map
        }
        m_grabber->setShortcuts(shortcuts({{"pressed", QKeySequence(QStringLiteral("Ctrl+Alt+V"))}}));

        std::uint16_t on = 0;
        for (const QString& lock : locks) {
            QVERIFY(xdotool({"key", lock}));
            on |= lock == "Caps_Lock" ? std::uint16_t(XCB_MOD_MASK_LOCK) : m_other.modifierOf(m_numLock);
        }
        QTRY_COMPARE(m_other.modifierState() & on, on);
        QVERIFY(xdotool({"key", "ctrl+alt+v"}));
        QTRY_COMPARE(activations(), QStringList{"pressed"});
    }

    // The auto-repeat of a key held down comes as presses, each an activation.
    void aHeldKeyActivatesOnEveryRepeat() {
        m_grabber->setShortcuts(shortcuts({{"held", QKeySequence(QStringLiteral("Ctrl+Alt+V"))}}));
        QVERIFY(xdotool({"keydown", "ctrl+alt+v"}));
        QTRY_VERIFY(m_pressed->size() >= 3);
        QVERIFY(xdotool({"keyup", "ctrl+alt+v"}));
    }

    // The other client keeps its key whole: what was grabbed of it under the locks is given back.
    void aKeyAnotherClientHoldsIsTaken() {
        const xcb_keycode_t k = m_other.keycodeOf(XK_k);
        QVERIFY(m_other.grab(k, ctrlAlt));
        QSignalSpy changed(m_grabber.get(), &GlobalShortcuts::stateChanged);
        m_grabber->setShortcuts(shortcuts({{"held", QKeySequence(QStringLiteral("Ctrl+Alt+K"))},
                                           {"free", QKeySequence(QStringLiteral("Ctrl+Alt+J"))}}));
        QCOMPARE(m_grabber->state(QStringLiteral("held")), State::taken);
        QCOMPARE(m_grabber->state(QStringLiteral("free")), State::active);
        QCOMPARE(changed.size(), 1);
        QVERIFY(m_other.grab(k, ctrlAlt | XCB_MOD_MASK_LOCK));

        QVERIFY(xdotool({"key", "ctrl+alt+j"}));
        QTRY_COMPARE(activations(), QStringList{"free"});
    }

    void changedShortcutsGiveTheirKeysBack() {
        const xcb_keycode_t k = m_other.keycodeOf(XK_k);
        const xcb_keycode_t l = m_other.keycodeOf(XK_l);
        m_grabber->setShortcuts(shortcuts({{"action", QKeySequence(QStringLiteral("Ctrl+Alt+K"))}}));
        QVERIFY(!m_other.grab(k, XCB_MOD_MASK_ANY));

        m_grabber->setShortcuts(shortcuts({{"action", QKeySequence(QStringLiteral("Ctrl+Alt+L"))}}));
        QTRY_VERIFY(m_other.grab(k, XCB_MOD_MASK_ANY));
        QVERIFY(!m_other.grab(l, XCB_MOD_MASK_ANY));

        m_grabber->setShortcuts({});
        QCOMPARE(m_grabber->state(QStringLiteral("action")), State::none);
        QTRY_VERIFY(m_other.grab(l, XCB_MOD_MASK_ANY));
    }

    void destroyingGivesEveryKeyBack() {
        m_grabber->setShortcuts(shortcuts({{"letter", QKeySequence(QStringLiteral("Ctrl+Alt+K"))},
                                           {"brightness", QKeySequence(Qt::Key_MonBrightnessDown)}}));
        const xcb_keycode_t k = m_other.keycodeOf(XK_k);
        const xcb_keycode_t brightness = m_other.keycodeOf(0x1008FF03); // XF86MonBrightnessDown
        QVERIFY(!m_other.grab(k, XCB_MOD_MASK_ANY));
        QVERIFY(!m_other.grab(brightness, XCB_MOD_MASK_ANY));

        m_pressed.reset();
        m_grabber.reset();
        QTRY_VERIFY(m_other.grab(k, XCB_MOD_MASK_ANY));
        QTRY_VERIFY(m_other.grab(brightness, XCB_MOD_MASK_ANY));
    }

    // A key no key of the keyboard types is refused until the layout gains it, and again when the
    // layout loses it.
    void theGrabsFollowTheLayout() {
        QVERIFY(!m_other.keycodeOf(XK_F35));
        const xcb_keycode_t spare = m_other.keycodeOf(XCB_NO_SYMBOL);
        QVERIFY(spare);
        m_grabber->setShortcuts(shortcuts({{"f35", QKeySequence(QStringLiteral("Meta+F35"))}}));
        QCOMPARE(m_grabber->state(QStringLiteral("f35")), State::refused);

        m_other.setKeysym(spare, XK_F35);
        QTRY_COMPARE(m_grabber->state(QStringLiteral("f35")), State::active);
        QVERIFY(xdotool({"key", "super+F35"}));
        QTRY_COMPARE(activations(), QStringList{"f35"});

        m_other.setKeysym(spare, XCB_NO_SYMBOL);
        QTRY_COMPARE(m_grabber->state(QStringLiteral("f35")), State::refused);
        QVERIFY(m_other.grab(spare, XCB_MOD_MASK_ANY));
    }

private:
    QStringList activations() const {
        QStringList ids;
        for (const auto& arguments : *m_pressed)
            ids.append(arguments.at(0).toString());
        return ids;
    }

    OtherClient m_other;
    OtherClient::ModifierMap m_modifiers; // as the server started
    xcb_keycode_t m_numLock = 0;
    std::unique_ptr<X11GlobalShortcuts> m_grabber;
    std::unique_ptr<QSignalSpy> m_pressed;
};

QTEST_MAIN(TestX11Shortcuts)
#include "tst_x11shortcuts.moc"
