// Keys of the program's own on Wayland: the client of the desktop portal's global shortcuts,
// against a fake portal on a private session bus that answers as each test scripts it.
#include "system/linux/PortalGlobalShortcuts.h"

#include "support/BusPeer.h"
#include "support/PrivateBus.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

using State = GlobalShortcuts::State;
using Shortcut = GlobalShortcuts::Shortcut;

char* toString(State state) {
    const char* names[] = {"none", "pending", "active", "taken", "refused"};
    return qstrdup(names[int(state)]);
}

namespace {

const QString portalName = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// A shortcut as it crosses the bus: (sa{sv}).
struct WireShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const WireShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, WireShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(WireShortcut)

namespace {

QStringList pressedIds(const QSignalSpy& spy) {
    QStringList ids;
    for (const QList<QVariant>& arguments : spy)
        ids << arguments.at(0).toString();
    return ids;
}

QVariant boundAs(const QList<std::pair<QString, QString>>& triggers) {
    QList<WireShortcut> shortcuts;
    for (const auto& [id, trigger] : triggers)
        shortcuts << WireShortcut{id, {{"trigger_description", trigger}}};
    return QVariant::fromValue(shortcuts);
}

// The portal's object, with the request and session objects below it, as xdg-desktop-portal
// names them: after the caller and the token the caller chose.
class FakePortal : public QDBusVirtualObject {
    Q_OBJECT
public:
    struct Call {
        QString path, member;
        QList<QVariant> arguments;
    };
    struct Bind {
        QString session, request;
        QList<WireShortcut> shortcuts;
    };

    explicit FakePortal(QDBusConnection bus) : m_bus(std::move(bus)) {}

    // The script.
    bool offersShortcuts = true;
    bool answers = true;           // a hung portal answers no call at all
    bool refusesRebinding = false; // as xdg-desktop-portal, a session binds once
    QString bindError;             // BindShortcuts fails with these words

    // What reached it.
    QList<Call> calls;
    QList<Bind> binds;
    QStringList sessions;

    QStringList members() const {
        QStringList result;
        for (const Call& call : calls)
            result << call.member;
        return result;
    }
    QStringList closed(const QString& interface) const {
        QStringList result;
        for (const Call& call : calls) {
            if (call.member == "Close" && call.path.contains(interface))
                result << call.path;
        }
        return result;
    }

    bool respond(const QString& request, uint response, const QVariantMap& results = {}) {
        auto signal = QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response");
        signal << response << results;
        return m_bus.send(signal);
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        // Everything the test reads is touched on its own thread only.
        if (QThread::currentThread() != thread())
            qFatal("the fake portal was called on QtDBus's thread");
        calls << Call{message.path(), message.member(), message.arguments()};
        if (!answers)
            return true;
        if (message.member() == "Get")
            return reply(message, offersShortcuts ? QVariant::fromValue(QDBusVariant(1u)) : QVariant(),
                         "org.freedesktop.DBus.Error.InvalidArgs");
        if (message.member() == "CreateSession")
            return createSession(message);
        if (message.member() == "BindShortcuts")
            return bindShortcuts(message);
        return reply(message, {}, {});
    }

private:
    bool reply(const QDBusMessage& call, const QVariant& value, const QString& error,
               const QString& words = "no") {
        if (!value.isValid() && !error.isEmpty())
            return m_bus.send(call.createErrorReply(error, words));
        return m_bus.send(value.isValid() ? call.createReply(value) : call.createReply());
    }

    QString handle(const QDBusMessage& call, const QString& kind, const QString& token) const {
        const QString sender = call.service().mid(1).replace('.', '_');
        return QStringLiteral("%1/%2/%3/%4").arg(portalPath, kind, sender, token);
    }

    QVariantMap options(const QDBusMessage& call, int at) const {
        return qdbus_cast<QVariantMap>(call.arguments().value(at));
    }

    bool createSession(const QDBusMessage& call) {
        if (!offersShortcuts)
            return reply(call, {}, "org.freedesktop.DBus.Error.UnknownMethod");
        const QString request = handle(call, "request", options(call, 0).value("handle_token").toString());
        const QString session =
            handle(call, "session", options(call, 0).value("session_handle_token").toString());
        sessions << session;
        // Answered before the call returns: only a client listening already hears it.
        respond(request, 0, {{"session_handle", session}});
        return reply(call, QVariant::fromValue(QDBusObjectPath(request)), {});
    }

    bool bindShortcuts(const QDBusMessage& call) {
        Bind bind;
        bind.session = call.arguments().value(0).value<QDBusObjectPath>().path();
        bind.request = handle(call, "request", options(call, 3).value("handle_token").toString());
        call.arguments().value(1).value<QDBusArgument>() >> bind.shortcuts;
        const bool again = std::any_of(binds.cbegin(), binds.cend(),
                                       [&](const Bind& earlier) { return earlier.session == bind.session; });
        binds << bind;
        if (!bindError.isEmpty())
            return reply(call, {}, "org.freedesktop.portal.Error.Failed", bindError);
        if (again && refusesRebinding)
            return reply(call, {}, "org.freedesktop.DBus.Error.Failed", "Invalid session");
        return reply(call, QVariant::fromValue(QDBusObjectPath(bind.request)), {});
    }

    QDBusConnection m_bus;
};

// One run of the portal: its own connection, its object, and (once started) the name.
struct PortalService : BusPeer {
    FakePortal portal;

    PortalService(const QString& address, const QString& connectionName)
        : BusPeer(address, connectionName), portal(bus()) {
        bus().registerVirtualObject(portalPath, &portal, QDBusConnection::SubPath);
    }
    bool start() { return bus().registerService(portalName); }
    bool stop() { return bus().unregisterService(portalName); }

    bool sendActivated(const QString& session, const QString& id) {
        auto signal = QDBusMessage::createSignal(portalPath, shortcutsInterface, "Activated");
        signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1) << QVariantMap();
        return bus().send(signal);
    }
    bool sendShortcutsChanged(const QString& session, const QVariant& shortcuts) {
        auto signal = QDBusMessage::createSignal(portalPath, shortcutsInterface, "ShortcutsChanged");
        signal << QVariant::fromValue(QDBusObjectPath(session)) << shortcuts;
        return bus().send(signal);
    }
};

const QList<Shortcut> wanted{
    {"brightnessUp", "Brightness up", QKeySequence("Ctrl+Alt+Up")},
    {"nightMode", "Night Mode", QKeySequence("Meta+F2")},
    {"nextInput", "Next input", QKeySequence()},
};

} // namespace

class TestPortalShortcuts : public QObject {
    Q_OBJECT

public:
    explicit TestPortalShortcuts(QString address) : m_address(std::move(address)) {}

private:
    const QString m_address;
    QDBusConnection m_client{QString()};
    std::unique_ptr<BusBarrier> m_barrier;
    std::unique_ptr<PortalService> m_service;

    FakePortal& portal() { return m_service->portal; }

    std::unique_ptr<GlobalShortcuts> makeShortcuts() {
        auto shortcuts = makePortalGlobalShortcuts(m_client);
        // Its subscriptions are in place before the portal is made to do anything.
        return m_barrier->sync() ? std::move(shortcuts) : nullptr;
    }

    // Bound as the desktop confirms them, with keys of its own choosing.
    std::unique_ptr<GlobalShortcuts> makeActive() {
        auto shortcuts = makeShortcuts();
        if (!shortcuts)
            return nullptr;
        shortcuts->setShortcuts(wanted);
        if (!QTest::qWaitFor([&] { return portal().binds.size() == 1; }, 10000) ||
            !portal().respond(
                portal().binds.last().request, 0,
                {{"shortcuts", boundAs({{"brightnessUp", "Ctrl+Alt+↑"}, {"nightMode", "Super+F2"}})}}) ||
            !QTest::qWaitFor([&] { return shortcuts->state("nightMode") == State::active; }, 10000))
            return nullptr;
        return shortcuts;
    }

private slots:
    void initTestCase() {
        if (m_address.isEmpty())
            QSKIP(PrivateBus::missing);
        qDBusRegisterMetaType<WireShortcut>();
        qDBusRegisterMetaType<QList<WireShortcut>>();
        m_client = QDBusConnection::connectToBus(m_address, QStringLiteral("shortcuts-client"));
        QVERIFY(m_client.isConnected());
        m_barrier = std::make_unique<BusBarrier>(m_client);
    }

    void init() {
        m_service = std::make_unique<PortalService>(m_address, QStringLiteral("portal"));
        QVERIFY(m_service->start());
    }
    void cleanup() { m_service.reset(); }

    void bindsTheShortcutsOnceTheDesktopConfirms() {
        auto shortcuts = makeShortcuts();
        QVERIFY(shortcuts && shortcuts->isAvailable());
        QSignalSpy changes(shortcuts.get(), &GlobalShortcuts::stateChanged);
        shortcuts->setShortcuts(wanted);
        QCOMPARE(shortcuts->state("brightnessUp"), State::pending);
        QCOMPARE(shortcuts->state("nextInput"), State::none);

        // The session the portal named in its answer, which came before the call returned.
        QTRY_COMPARE(portal().binds.size(), 1);
        const FakePortal::Bind bind = portal().binds.constFirst();
        QCOMPARE(bind.session, portal().sessions.constFirst());
        QCOMPARE(bind.shortcuts.size(), 2);
        QCOMPARE(bind.shortcuts[0].id, "brightnessUp");
        QCOMPARE(bind.shortcuts[0].properties,
                 (QVariantMap{{"description", "Brightness up"}, {"preferred_trigger", "CTRL+ALT+Up"}}));
        QCOMPARE(bind.shortcuts[1].properties.value("preferred_trigger"), "LOGO+F2");

        // Nobody but the portal answers for it.
        BusPeer impostor(m_address, QStringLiteral("impostor"));
        auto forged = QDBusMessage::createSignal(bind.request, "org.freedesktop.portal.Request", "Response");
        forged << 0u << QVariantMap{{"shortcuts", boundAs({{"brightnessUp", "F1"}, {"nightMode", "F2"}})}};
        QVERIFY(impostor.bus().send(forged));
        QVERIFY(m_barrier->pass(impostor));
        QCOMPARE(shortcuts->state("nightMode"), State::pending);

        QVERIFY(portal().respond(
            bind.request, 0,
            {{"shortcuts", boundAs({{"brightnessUp", "Ctrl+Alt+↑"}, {"nightMode", "Super+F2"}})}}));
        QTRY_COMPARE(shortcuts->state("nightMode"), State::active);
        QCOMPARE(shortcuts->state("brightnessUp"), State::active);
        QCOMPARE(shortcuts->boundKeys("brightnessUp"), "Ctrl+Alt+↑");
        QCOMPARE(shortcuts->boundKeys("nightMode"), "Super+F2");
        QCOMPARE(shortcuts->message(), QString());
        QVERIFY(changes.count() >= 2);

        // Gone, it takes its keys off the desktop.
        shortcuts.reset();
        QTRY_COMPARE(portal().closed("session"), portal().sessions);
    }

    void pressesActOnlyForOurSessionFromThePortal() {
        auto shortcuts = makeActive();
        QVERIFY(shortcuts);
        QSignalSpy pressed(shortcuts.get(), &GlobalShortcuts::activated);
        const QString session = portal().sessions.constFirst();

        PortalService forger(m_address, QStringLiteral("forger"));
        QVERIFY(forger.sendActivated(session, "nightMode"));
        QVERIFY(m_barrier->pass(forger));
        QVERIFY(m_service->sendActivated(session + "x", "nightMode"));
        QVERIFY(m_service->sendActivated(session, "notOurs"));
        QVERIFY(m_service->sendActivated(session, "nightMode"));
        QVERIFY(pressed.wait(10000));
        QVERIFY(m_barrier->pass(*m_service));
        QCOMPARE(pressedIds(pressed), QStringList{"nightMode"});

        // The user gives an action another key in the desktop's settings.
        QVERIFY(
            m_service->sendShortcutsChanged(session, boundAs({{"brightnessUp", "F7"}, {"nightMode", "F8"}})));
        QTRY_COMPARE(shortcuts->boundKeys("nightMode"), "F8");
        QCOMPARE(shortcuts->boundKeys("brightnessUp"), "F7");
        QVERIFY(
            forger.sendShortcutsChanged(session, boundAs({{"brightnessUp", "F9"}, {"nightMode", "F10"}})));
        QVERIFY(m_barrier->pass(forger));
        QVERIFY(m_service->sendShortcutsChanged(session + "x", boundAs({{"nightMode", "F11"}})));
        QVERIFY(m_barrier->pass(*m_service));
        QCOMPARE(shortcuts->boundKeys("nightMode"), "F8");
    }

    void refusalsAreShownWithAMessage_data() {
        QTest::addColumn<int>("response"); // -1: the call fails
        QTest::addColumn<QString>("portalWords");
        QTest::addColumn<QString>("message");
        const QString refused = "The desktop did not allow the shortcuts.";
        QTest::newRow("the user cancelled") << 1 << QString() << refused;
        QTest::newRow("ended otherwise") << 2 << QString() << refused;
        QTest::newRow("in the portal's words") << -1 << "Global shortcuts are\n off"
                                               << "Global shortcuts are off";
    }
    void refusalsAreShownWithAMessage() {
        QFETCH(int, response);
        QFETCH(QString, portalWords);
        portal().bindError = portalWords;
        auto shortcuts = makeShortcuts();
        QVERIFY(shortcuts);
        shortcuts->setShortcuts(wanted);
        QTRY_COMPARE(portal().binds.size(), 1);
        if (response >= 0)
            QVERIFY(portal().respond(portal().binds.last().request, response));
        QTRY_COMPARE(shortcuts->state("brightnessUp"), State::refused);
        QCOMPARE(shortcuts->state("nightMode"), State::refused);
        QCOMPARE(shortcuts->state("nextInput"), State::none);
        QTEST(shortcuts->message(), "message");
        // Not asked again until something changes.
        QVERIFY(m_barrier->pass(*m_service));
        QCOMPARE(portal().binds.size(), 1);
    }

    void shortcutsTheDesktopLeavesOutAreRefused() {
        auto shortcuts = makeShortcuts();
        QVERIFY(shortcuts);
        shortcuts->setShortcuts(wanted);
        QTRY_COMPARE(portal().binds.size(), 1);
        QVERIFY(portal().respond(portal().binds.last().request, 0,
                                 {{"shortcuts", boundAs({{"nightMode", "F2"}})}}));
        QTRY_COMPARE(shortcuts->state("nightMode"), State::active);
        QCOMPARE(shortcuts->state("brightnessUp"), State::refused);
        QVERIFY(!shortcuts->message().isEmpty());
    }

    void aChangeBindsAgain() {
        auto shortcuts = makeActive();
        QVERIFY(shortcuts);
        const QString first = portal().sessions.constFirst();
        QList<Shortcut> changed = wanted;
        changed[0].keys = QKeySequence("Ctrl+Alt+PgUp");
        shortcuts->setShortcuts(changed);
        QCOMPARE(shortcuts->state("brightnessUp"), State::pending);
        QTRY_COMPARE(portal().binds.size(), 2);
        QCOMPARE(portal().binds[1].session, first);
        QCOMPARE(portal().binds[1].shortcuts[0].properties.value("preferred_trigger"), "CTRL+ALT+Page_Up");

        // Changed again while the desktop still asks: the question is withdrawn.
        changed[2].keys = QKeySequence("Meta+I");
        shortcuts->setShortcuts(changed);
        QTRY_COMPARE(portal().binds.size(), 3);
        QCOMPARE(portal().closed("request"), QStringList{portal().binds[1].request});
        QCOMPARE(portal().binds[2].shortcuts.size(), 3);
        QVERIFY(portal().respond(
            portal().binds[2].request, 0,
            {{"shortcuts", boundAs({{"brightnessUp", "A"}, {"nightMode", "B"}, {"nextInput", "C"}})}}));
        QTRY_COMPARE(shortcuts->state("nextInput"), State::active);

        // A portal that binds a session once: a new session binds the change, the old one closes.
        portal().refusesRebinding = true;
        changed.removeLast();
        shortcuts->setShortcuts(changed);
        QTRY_COMPARE(portal().binds.size(), 5);
        QCOMPARE(portal().sessions.size(), 2);
        QCOMPARE(portal().binds[4].session, portal().sessions[1]);
        QCOMPARE(portal().closed("session"), QStringList{first});
        QVERIFY(portal().respond(portal().binds[4].request, 0,
                                 {{"shortcuts", boundAs({{"brightnessUp", "A"}, {"nightMode", "B"}})}}));
        QTRY_COMPARE(shortcuts->state("brightnessUp"), State::active);
        QCOMPARE(shortcuts->state("nextInput"), State::none);
        QSignalSpy pressed(shortcuts.get(), &GlobalShortcuts::activated);
        QVERIFY(m_service->sendActivated(first, "nightMode"));
        QVERIFY(m_service->sendActivated(portal().sessions[1], "brightnessUp"));
        QVERIFY(pressed.wait(10000));
        QVERIFY(m_barrier->pass(*m_service));
        QCOMPARE(pressedIds(pressed), QStringList{"brightnessUp"});
    }

    // A hung portal leaves the keys waiting, and the program running; the next portal is asked.
    void aPortalThatNeverAnswersIsAskedAgainOnceReplaced() {
        portal().answers = false;
        auto shortcuts = makeShortcuts();
        QVERIFY(shortcuts);
        shortcuts->setShortcuts(wanted);
        QTRY_VERIFY(portal().members().contains("CreateSession"));
        QVERIFY(m_barrier->pass(*m_service));
        QCOMPARE(shortcuts->state("nightMode"), State::pending);
        QVERIFY(shortcuts->isAvailable());

        PortalService successor(m_address, QStringLiteral("successor"));
        QVERIFY(m_service->stop());
        QVERIFY(successor.start());
        QTRY_COMPARE(successor.portal.binds.size(), 1);
        QVERIFY(
            successor.portal.respond(successor.portal.binds[0].request, 0,
                                     {{"shortcuts", boundAs({{"brightnessUp", "A"}, {"nightMode", "B"}})}}));
        QTRY_COMPARE(shortcuts->state("nightMode"), State::active);

        // Gone too: our session with it.
        QVERIFY(successor.stop());
        QTRY_COMPARE(shortcuts->state("nightMode"), State::pending);
    }

    void availableOnlyWhereThePortalOffersShortcuts() {
        auto with = makeShortcuts();
        QVERIFY(with && with->isAvailable());

        portal().offersShortcuts = false;
        auto without = makeShortcuts();
        QVERIFY(without);
        without->setShortcuts(wanted);
        QTRY_VERIFY(!without->isAvailable());
        QCOMPARE(without->state("nightMode"), State::none);

        QVERIFY(m_service->stop());
        if (m_client.interface()->activatableServiceNames().value().contains(portalName))
            QSKIP("the bus could start this machine's own portal");
        auto none = makeShortcuts();
        QVERIFY(none && !none->isAvailable());
        none->setShortcuts(wanted);
        QCOMPARE(none->state("nightMode"), State::none);
    }

    void triggersInTheDesktopsNotation_data() {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("trigger");
        QTest::newRow("arrow") << QKeySequence("Ctrl+Alt+Down") << "CTRL+ALT+Down";
        QTest::newRow("modifiers in order")
            << QKeySequence("Meta+Shift+Alt+Ctrl+K") << "CTRL+ALT+SHIFT+LOGO+k";
        QTest::newRow("letter") << QKeySequence("Alt+B") << "ALT+b";
        QTest::newRow("digit") << QKeySequence("Ctrl+7") << "CTRL+7";
        QTest::newRow("function key") << QKeySequence("F24") << "F24";
        QTest::newRow("page") << QKeySequence("Shift+PgDown") << "SHIFT+Page_Down";
        QTest::newRow("punctuation") << QKeySequence("Ctrl+,") << "CTRL+comma";
        QTest::newRow("space") << QKeySequence("Meta+Space") << "LOGO+space";
        QTest::newRow("keypad digit")
            << QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_5))
            << "CTRL+KP_5";
        QTest::newRow("keypad plus") << QKeySequence(QKeyCombination(Qt::KeypadModifier, Qt::Key_Plus))
                                     << "KP_Add";
        QTest::newRow("brightness key") << QKeySequence(Qt::Key_MonBrightnessUp) << "XF86MonBrightnessUp";
        QTest::newRow("volume key") << QKeySequence(Qt::SHIFT | Qt::Key_VolumeDown)
                                    << "SHIFT+XF86AudioLowerVolume";
        QTest::newRow("first chord only") << QKeySequence("Ctrl+X, Ctrl+S") << "CTRL+x";
        QTest::newRow("no key") << QKeySequence() << QString();
        QTest::newRow("a modifier alone") << QKeySequence(Qt::CTRL | Qt::Key_Shift) << QString();
        QTest::newRow("a key without a name") << QKeySequence(Qt::Key_Eject) << QString();
    }
    void triggersInTheDesktopsNotation() {
        QFETCH(QKeySequence, keys);
        QTEST(portalTrigger(keys), "trigger");
    }
};

// The portal lives on the session bus; a private one stands in for it.
int main(int argc, char** argv) {
    return execOnPrivateBus<TestPortalShortcuts>(StandsFor::sessionBus, argc, argv);
}

#include "tst_portalshortcuts.moc"
