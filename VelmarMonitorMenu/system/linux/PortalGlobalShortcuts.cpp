#include "PortalGlobalShortcuts.h"

#include "BusNameOwner.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QRandomGenerator>
#include <QSet>

#include <array>
#include <utility>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
const QString responseMember = QStringLiteral("Response");

// Whatever the desktop says is shown in Settings: one line of reasonable length.
constexpr qsizetype longestMessage = 200;

// One shortcut as the portal takes and gives them: (sa{sv}).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

namespace {

// The portal's answer "shortcuts": each bound id with the key the desktop describes. Anything of
// another shape counts as no shortcuts bound.
QHash<QString, QString> boundShortcuts(const QVariant& value) {
    QHash<QString, QString> bound;
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return bound;
    const auto argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("a(sa{sv})"))
        return bound;
    QList<PortalShortcut> shortcuts;
    argument >> shortcuts;
    for (const PortalShortcut& shortcut : std::as_const(shortcuts)) {
        const QVariant description = shortcut.properties.value(QStringLiteral("trigger_description"));
        bound.insert(shortcut.id, description.userType() == QMetaType::QString
                                      ? description.toString().simplified().left(longestMessage)
                                      : QString());
    }
    return bound;
}

bool isObjectPath(const QString& path) {
    if (!path.startsWith(u'/'))
        return false;
    if (path.size() == 1)
        return true;
    const QStringList elements = path.mid(1).split(u'/');
    for (const QString& element : elements) {
        if (element.isEmpty())
            return false;
        for (QChar c : element) {
            if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'_')
                return false;
        }
    }
    return true;
}

QString sessionHandle(const QVariant& value) {
    QString path;
    // The portal documents a string; an object path is what it means.
    if (value.userType() == QMetaType::QString)
        path = value.toString();
    else if (value.userType() == qMetaTypeId<QDBusObjectPath>())
        path = value.value<QDBusObjectPath>().path();
    return isObjectPath(path) ? path : QString();
}

// Errors that mean the portal runs but has no global shortcuts (GDBus answers a property of an
// interface it lacks with InvalidArgs).
bool meansNoShortcuts(const QString& errorName) {
    static const QSet<QString> names{
        QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty"),
        QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
    };
    return names.contains(errorName);
}

// Errors that are no answer at all: the portal is not there (yet) or did not answer in time.
bool meansNoAnswer(const QString& errorName) {
    static const QSet<QString> names{
        QStringLiteral("org.freedesktop.DBus.Error.NoReply"),
        QStringLiteral("org.freedesktop.DBus.Error.Timeout"),
        QStringLiteral("org.freedesktop.DBus.Error.TimedOut"),
        QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
        QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"),
        QStringLiteral("org.freedesktop.DBus.Error.Disconnected"),
    };
    return names.contains(errorName);
}

// Those of the wanted shortcuts that ask for a key.
QList<GlobalShortcuts::Shortcut> keyed(const QList<GlobalShortcuts::Shortcut>& shortcuts) {
    QList<GlobalShortcuts::Shortcut> result;
    for (const auto& shortcut : shortcuts) {
        if (!shortcut.keys.isEmpty())
            result << shortcut;
    }
    return result;
}

} // namespace

PortalGlobalShortcuts::PortalGlobalShortcuts(QDBusConnection bus, QObject* parent)
    : GlobalShortcuts(parent), m_bus(std::move(bus)), m_owner(new BusNameOwner(m_bus, portalService, this)) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    connect(m_owner, &BusNameOwner::ownerChanged, this, &PortalGlobalShortcuts::onOwnerChanged);
    if (!m_bus.isConnected()) {
        m_available = false;
        return;
    }
    // Heard from any sender and checked against the owner here: naming the service would have
    // QtDBus look up its owner with a call that blocks.
    m_bus.connect(QString(), portalPath, shortcutsInterface, QStringLiteral("Activated"), this,
                  SLOT(onActivated(QDBusMessage)));
    m_bus.connect(QString(), portalPath, shortcutsInterface, QStringLiteral("ShortcutsChanged"), this,
                  SLOT(onShortcutsChanged(QDBusMessage)));
    readVersion();
}

PortalGlobalShortcuts::~PortalGlobalShortcuts() {
    // Our connection is the program's and stays; the desktop would keep the keys until it closes.
    dropRequest(true);
    closeSession();
}

bool PortalGlobalShortcuts::isAvailable() const {
    return m_available;
}

void PortalGlobalShortcuts::setShortcuts(const QList<Shortcut>& shortcuts) {
    QList<Shortcut> wanted;
    QSet<QString> ids;
    for (Shortcut shortcut : shortcuts) {
        if (shortcut.id.isEmpty() || ids.contains(shortcut.id))
            continue;
        ids.insert(shortcut.id);
        // Of several chords only the first counts: the portal knows single chords only.
        if (shortcut.keys.count() > 1)
            shortcut.keys = QKeySequence(shortcut.keys[0]);
        wanted << shortcut;
    }
    if (wanted != m_wanted) {
        m_wanted = wanted;
        const QList<Shortcut> toBind = keyed(m_wanted);
        if (!m_asked || *m_asked != toBind) {
            // A dialog still asking about the keys wanted before is of no use any more.
            if (m_request && m_request->kind == Request::Kind::bind)
                dropRequest(true);
            m_message.clear();
            setAllPending();
        }
        emit stateChanged();
    }
    advance();
}

GlobalShortcuts::State PortalGlobalShortcuts::state(const QString& id) const {
    if (!m_available)
        return State::none;
    const auto found = m_bindings.constFind(id);
    return found == m_bindings.constEnd() ? State::none : found->state;
}

QString PortalGlobalShortcuts::boundKeys(const QString& id) const {
    return m_available ? m_bindings.value(id).keys : QString();
}

QString PortalGlobalShortcuts::message() const {
    return m_available ? m_message : QString();
}

void PortalGlobalShortcuts::onOwnerChanged(const QString& owner) {
    if (m_peer.isEmpty() && (m_request || !m_session.isEmpty())) {
        // Asked of the name while nobody held it: this owner is the one activation started.
        m_peer = owner;
    } else if (!m_peer.isEmpty() && owner != m_peer) {
        // The portal we spoke to is gone, and our session and its answers with it; whoever
        // takes the name next is asked again. A portal that is gone is not started again from
        // here: one that fails on our call would be started over and over.
        dropRequest(false);
        m_session.clear();
        m_sessionUsed = false;
        m_asked.reset();
        m_peer.clear();
        m_message.clear();
        setAllPending();
        emit stateChanged();
    }
    if (owner.isEmpty())
        return;
    // Another portal may offer what the last did not.
    if (m_everOwned)
        readVersion();
    m_everOwned = true;
    advance();
}

void PortalGlobalShortcuts::readVersion() {
    auto call = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << shortcutsInterface << QStringLiteral("version");
    callWithoutWaiting(m_bus, call, this, [this](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ErrorMessage) {
            if (meansNoShortcuts(reply.errorName()))
                setUnavailable();
            return;
        }
        if (reply.arguments().size() != 1)
            return;
        const QVariant version = reply.arguments().constFirst().value<QDBusVariant>().variant();
        if (version.userType() != QMetaType::UInt || version.toUInt() < 1 || m_available)
            return;
        m_available = true;
        emit stateChanged();
        advance();
    });
}

// One step towards the portal binding what is wanted, unless an answer is awaited.
void PortalGlobalShortcuts::advance() {
    if (!m_available || m_request || !m_bus.isConnected())
        return;
    const QList<Shortcut> toBind = keyed(m_wanted);
    if (m_asked && *m_asked == toBind)
        return;
    if (toBind.isEmpty()) {
        // Closing the session takes every key of ours off the desktop.
        closeSession();
        m_asked = toBind;
        return;
    }
    if (m_session.isEmpty())
        createSession();
    else
        bind();
}

void PortalGlobalShortcuts::createSession() {
    const QString token = newToken();
    expect(Request::Kind::createSession, token);
    auto call = QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface,
                                               QStringLiteral("CreateSession"));
    call << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), newToken()}};
    send(call);
}

void PortalGlobalShortcuts::bind() {
    const QList<Shortcut> toBind = keyed(m_wanted);
    QList<PortalShortcut> shortcuts;
    for (const Shortcut& shortcut : toBind) {
        QVariantMap properties{{QStringLiteral("description"), shortcut.description}};
        // Without a key the portal has a name for, the desktop lets the user choose one.
        const QString trigger = portalTrigger(shortcut.keys);
        if (!trigger.isEmpty())
            properties.insert(QStringLiteral("preferred_trigger"), trigger);
        shortcuts << PortalShortcut{shortcut.id, properties};
    }
    const QString token = newToken();
    expect(Request::Kind::bind, token);
    m_request->again = m_sessionUsed;
    m_sessionUsed = true;
    m_asked = toBind;
    auto call = QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface,
                                               QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(shortcuts) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    send(call);
}

// The request's Response is heard from before it is asked for: the portal names the request
// after the caller and the token, and may answer before the call's reply arrives.
void PortalGlobalShortcuts::expect(Request::Kind kind, const QString& token) {
    const QString sender = m_bus.baseService().mid(1).replace(u'.', u'_');
    m_request =
        Request{kind, QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token)};
    m_peer = m_owner->owner();
    m_bus.connect(QString(), m_request->path, requestInterface, responseMember, this,
                  SLOT(onResponse(QDBusMessage)));
}

void PortalGlobalShortcuts::send(const QDBusMessage& call) {
    const QString path = m_request->path;
    const Request::Kind kind = m_request->kind;
    callWithoutWaiting(m_bus, call, this, [this, path, kind](const QDBusMessage& reply) {
        // An answer to a request given up since, or already answered, says nothing now.
        if (!m_request || m_request->path != path)
            return;
        if (reply.type() == QDBusMessage::ErrorMessage) {
            callFailed(kind, reply);
            return;
        }
        // A portal older than the naming convention names the request itself.
        const QList<QVariant> arguments = reply.arguments();
        if (arguments.size() != 1 || arguments.constFirst().userType() != qMetaTypeId<QDBusObjectPath>())
            return;
        const QString handle = arguments.constFirst().value<QDBusObjectPath>().path();
        if (handle == path)
            return;
        m_bus.disconnect(QString(), path, requestInterface, responseMember, this,
                         SLOT(onResponse(QDBusMessage)));
        m_request->path = handle;
        m_bus.connect(QString(), handle, requestInterface, responseMember, this,
                      SLOT(onResponse(QDBusMessage)));
    });
}

void PortalGlobalShortcuts::dropRequest(bool close) {
    if (!m_request)
        return;
    m_bus.disconnect(QString(), m_request->path, requestInterface, responseMember, this,
                     SLOT(onResponse(QDBusMessage)));
    if (close)
        m_bus.send(QDBusMessage::createMethodCall(portalService, m_request->path, requestInterface,
                                                  QStringLiteral("Close")));
    m_request.reset();
}

void PortalGlobalShortcuts::closeSession() {
    if (m_session.isEmpty())
        return;
    m_bus.send(
        QDBusMessage::createMethodCall(portalService, m_session, sessionInterface, QStringLiteral("Close")));
    m_session.clear();
    m_sessionUsed = false;
}

void PortalGlobalShortcuts::onResponse(const QDBusMessage& message) {
    if (!m_request || message.path() != m_request->path || !m_owner->isFrom(message) ||
        message.signature() != QLatin1String("ua{sv}"))
        return;
    const uint response = message.arguments().at(0).toUInt();
    const QVariantMap results = qdbus_cast<QVariantMap>(message.arguments().at(1));
    const Request::Kind kind = m_request->kind;
    dropRequest(false);
    if (kind == Request::Kind::createSession)
        sessionCreated(response, results);
    else
        bound(response, results);
}

void PortalGlobalShortcuts::sessionCreated(uint response, const QVariantMap& results) {
    if (response != 0) {
        refuse({});
        return;
    }
    const QString session = sessionHandle(results.value(QStringLiteral("session_handle")));
    if (session.isEmpty()) {
        refuse({});
        return;
    }
    m_session = session;
    m_sessionUsed = false;
    advance();
}

// 0 is success; 1 the user cancelled, 2 anything else, and the portal says no more.
void PortalGlobalShortcuts::bound(uint response, const QVariantMap& results) {
    if (response != 0) {
        refuse({});
        return;
    }
    applyBound(results.value(QStringLiteral("shortcuts")));
    advance();
}

void PortalGlobalShortcuts::callFailed(Request::Kind kind, const QDBusMessage& reply) {
    const bool again = m_request->again;
    dropRequest(false);
    const QString error = reply.errorName();
    if (meansNoShortcuts(error)) {
        setUnavailable();
        return;
    }
    // Still waiting as far as anyone can tell; a change or a portal that appears asks again.
    if (meansNoAnswer(error)) {
        if (kind == Request::Kind::bind)
            m_asked.reset();
        return;
    }
    if (kind == Request::Kind::bind && again) {
        // The portal binds a session once: a new session binds the change.
        closeSession();
        m_asked.reset();
        advance();
        return;
    }
    refuse(reply.errorMessage());
}

// What the desktop bound is active with the key it describes; what it left out is refused.
void PortalGlobalShortcuts::applyBound(const QVariant& shortcuts) {
    const QHash<QString, QString> bound = boundShortcuts(shortcuts);
    bool leftOut = false;
    for (auto it = m_bindings.begin(); it != m_bindings.end(); ++it) {
        const auto found = bound.constFind(it.key());
        if (found == bound.constEnd()) {
            *it = {State::refused, {}};
            leftOut = true;
        } else {
            *it = {State::active, *found};
        }
    }
    m_message = leftOut ? tr("The desktop did not bind every shortcut.") : QString();
    emit stateChanged();
}

void PortalGlobalShortcuts::refuse(const QString& message) {
    m_asked = keyed(m_wanted);
    for (Binding& binding : m_bindings)
        binding = {State::refused, {}};
    const QString said = message.simplified().left(longestMessage);
    m_message = said.isEmpty() ? tr("The desktop did not allow the shortcuts.") : said;
    emit stateChanged();
}

void PortalGlobalShortcuts::setUnavailable() {
    if (!m_available)
        return;
    m_available = false;
    dropRequest(false);
    m_session.clear();
    m_asked.reset();
    emit stateChanged();
}

void PortalGlobalShortcuts::setAllPending() {
    m_bindings.clear();
    for (const Shortcut& shortcut : keyed(m_wanted))
        m_bindings.insert(shortcut.id, {});
}

void PortalGlobalShortcuts::onActivated(const QDBusMessage& message) {
    if (m_session.isEmpty() || !m_owner->isFrom(message) || message.signature() != QLatin1String("osta{sv}"))
        return;
    const QList<QVariant> arguments = message.arguments();
    if (arguments.at(0).value<QDBusObjectPath>().path() != m_session)
        return;
    // Only a shortcut still wanted acts: one removed since may not have been unbound yet.
    const QString id = arguments.at(1).toString();
    if (m_bindings.contains(id))
        emit activated(id);
}

// The user changed a key in the desktop's settings.
void PortalGlobalShortcuts::onShortcutsChanged(const QDBusMessage& message) {
    // While a bind is answered, its Response tells.
    if (m_session.isEmpty() || (m_request && m_request->kind == Request::Kind::bind) ||
        !m_owner->isFrom(message) || message.signature() != QLatin1String("oa(sa{sv})"))
        return;
    const QList<QVariant> arguments = message.arguments();
    if (arguments.at(0).value<QDBusObjectPath>().path() != m_session)
        return;
    applyBound(arguments.at(1));
}

// Not guessable, as the portal asks, so nobody else can answer in our name.
QString PortalGlobalShortcuts::newToken() const {
    return QStringLiteral("velmar_%1")
        .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
}

namespace {

struct KeyName {
    int key;
    const char* name;
};

// Keys named the same on and off the keypad, and those only the keypad has.
constexpr std::array keypadKeys{
    KeyName{Qt::Key_Asterisk, "KP_Multiply"}, KeyName{Qt::Key_Plus, "KP_Add"},
    KeyName{Qt::Key_Minus, "KP_Subtract"},    KeyName{Qt::Key_Period, "KP_Decimal"},
    KeyName{Qt::Key_Slash, "KP_Divide"},      KeyName{Qt::Key_Equal, "KP_Equal"},
    KeyName{Qt::Key_Comma, "KP_Separator"},   KeyName{Qt::Key_Enter, "KP_Enter"},
    KeyName{Qt::Key_Home, "KP_Home"},         KeyName{Qt::Key_End, "KP_End"},
    KeyName{Qt::Key_Left, "KP_Left"},         KeyName{Qt::Key_Up, "KP_Up"},
    KeyName{Qt::Key_Right, "KP_Right"},       KeyName{Qt::Key_Down, "KP_Down"},
    KeyName{Qt::Key_PageUp, "KP_Page_Up"},    KeyName{Qt::Key_PageDown, "KP_Page_Down"},
    KeyName{Qt::Key_Insert, "KP_Insert"},     KeyName{Qt::Key_Delete, "KP_Delete"},
};

// xkb's names (xkbcommon-keysyms.h without XKB_KEY_) of the keys a shortcut is likely to use.
constexpr std::array namedKeys{
    // Editing and moving.
    KeyName{Qt::Key_Escape, "Escape"},
    KeyName{Qt::Key_Tab, "Tab"},
    KeyName{Qt::Key_Backtab, "Tab"}, // Shift+Tab, the Shift being among the modifiers
    KeyName{Qt::Key_Backspace, "BackSpace"},
    KeyName{Qt::Key_Return, "Return"},
    KeyName{Qt::Key_Enter, "KP_Enter"},
    KeyName{Qt::Key_Insert, "Insert"},
    KeyName{Qt::Key_Delete, "Delete"},
    KeyName{Qt::Key_Pause, "Pause"},
    KeyName{Qt::Key_Print, "Print"},
    KeyName{Qt::Key_SysReq, "Sys_Req"},
    KeyName{Qt::Key_Home, "Home"},
    KeyName{Qt::Key_End, "End"},
    KeyName{Qt::Key_Left, "Left"},
    KeyName{Qt::Key_Up, "Up"},
    KeyName{Qt::Key_Right, "Right"},
    KeyName{Qt::Key_Down, "Down"},
    KeyName{Qt::Key_PageUp, "Page_Up"},
    KeyName{Qt::Key_PageDown, "Page_Down"},
    KeyName{Qt::Key_Menu, "Menu"},
    KeyName{Qt::Key_Space, "space"},
    // Punctuation, by the character the key gives.
    KeyName{Qt::Key_Exclam, "exclam"},
    KeyName{Qt::Key_QuoteDbl, "quotedbl"},
    KeyName{Qt::Key_NumberSign, "numbersign"},
    KeyName{Qt::Key_Dollar, "dollar"},
    KeyName{Qt::Key_Percent, "percent"},
    KeyName{Qt::Key_Ampersand, "ampersand"},
    KeyName{Qt::Key_Apostrophe, "apostrophe"},
    KeyName{Qt::Key_ParenLeft, "parenleft"},
    KeyName{Qt::Key_ParenRight, "parenright"},
    KeyName{Qt::Key_Asterisk, "asterisk"},
    KeyName{Qt::Key_Plus, "plus"},
    KeyName{Qt::Key_Comma, "comma"},
    KeyName{Qt::Key_Minus, "minus"},
    KeyName{Qt::Key_Period, "period"},
    KeyName{Qt::Key_Slash, "slash"},
    KeyName{Qt::Key_Colon, "colon"},
    KeyName{Qt::Key_Semicolon, "semicolon"},
    KeyName{Qt::Key_Less, "less"},
    KeyName{Qt::Key_Equal, "equal"},
    KeyName{Qt::Key_Greater, "greater"},
    KeyName{Qt::Key_Question, "question"},
    KeyName{Qt::Key_At, "at"},
    KeyName{Qt::Key_BracketLeft, "bracketleft"},
    KeyName{Qt::Key_Backslash, "backslash"},
    KeyName{Qt::Key_BracketRight, "bracketright"},
    KeyName{Qt::Key_AsciiCircum, "asciicircum"},
    KeyName{Qt::Key_Underscore, "underscore"},
    KeyName{Qt::Key_QuoteLeft, "grave"},
    KeyName{Qt::Key_BraceLeft, "braceleft"},
    KeyName{Qt::Key_Bar, "bar"},
    KeyName{Qt::Key_BraceRight, "braceright"},
    KeyName{Qt::Key_AsciiTilde, "asciitilde"},
    // The keyboard's own keys for what this program does.
    KeyName{Qt::Key_MonBrightnessUp, "XF86MonBrightnessUp"},
    KeyName{Qt::Key_MonBrightnessDown, "XF86MonBrightnessDown"},
    KeyName{Qt::Key_KeyboardBrightnessUp, "XF86KbdBrightnessUp"},
    KeyName{Qt::Key_KeyboardBrightnessDown, "XF86KbdBrightnessDown"},
    KeyName{Qt::Key_VolumeUp, "XF86AudioRaiseVolume"},
    KeyName{Qt::Key_VolumeDown, "XF86AudioLowerVolume"},
    KeyName{Qt::Key_VolumeMute, "XF86AudioMute"},
    KeyName{Qt::Key_MediaPlay, "XF86AudioPlay"},
    KeyName{Qt::Key_MediaStop, "XF86AudioStop"},
    KeyName{Qt::Key_MediaPrevious, "XF86AudioPrev"},
    KeyName{Qt::Key_MediaNext, "XF86AudioNext"},
    KeyName{Qt::Key_Tools, "XF86Tools"},
};

template <std::size_t size> QString nameIn(const std::array<KeyName, size>& names, int key) {
    for (const KeyName& named : names) {
        if (named.key == key)
            return QString::fromLatin1(named.name);
    }
    return {};
}

QString keyName(int key, bool keypad) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return (keypad ? QStringLiteral("KP_") : QString()) + QChar(key);
    if (keypad) {
        if (QString name = nameIn(keypadKeys, key); !name.isEmpty())
            return name;
    }
    // The key's own symbol, as xkb names it without Shift.
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return QChar(key).toLower();
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1);
    return nameIn(namedKeys, key);
}

} // namespace

QString portalTrigger(const QKeySequence& keys) {
    if (keys.isEmpty())
        return {};
    const QKeyCombination chord = keys[0];
    const Qt::KeyboardModifiers modifiers = chord.keyboardModifiers();
    constexpr Qt::KeyboardModifiers named =
        Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier | Qt::KeypadModifier;
    if (modifiers & ~named)
        return {};
    const QString key = keyName(chord.key(), modifiers & Qt::KeypadModifier);
    if (key.isEmpty())
        return {};
    QStringList parts;
    if (modifiers & Qt::ControlModifier)
        parts << QStringLiteral("CTRL");
    if (modifiers & Qt::AltModifier)
        parts << QStringLiteral("ALT");
    if (modifiers & Qt::ShiftModifier)
        parts << QStringLiteral("SHIFT");
    if (modifiers & Qt::MetaModifier)
        parts << QStringLiteral("LOGO");
    parts << key;
    return parts.join(u'+');
}

std::unique_ptr<GlobalShortcuts> makePortalGlobalShortcuts(QDBusConnection bus) {
    if (!bus.isConnected())
        return std::make_unique<NoGlobalShortcuts>();
    // The bus itself answers these at once; the portal, which may hang, is asked nothing here.
    QDBusConnectionInterface* daemon = bus.interface();
    const bool running = daemon->isServiceRegistered(portalService).value();
    if (!running && !daemon->activatableServiceNames().value().contains(portalService))
        return std::make_unique<NoGlobalShortcuts>();
    return std::make_unique<PortalGlobalShortcuts>(std::move(bus));
}
