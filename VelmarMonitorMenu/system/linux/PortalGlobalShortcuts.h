#pragma once

#include "system/GlobalShortcuts.h"

#include <QDBusConnection>
#include <QHash>

#include <memory>
#include <optional>

class BusNameOwner;
class QDBusMessage;

/// Keys of the program's own on Wayland, asked of the desktop portal's global shortcuts
/// (org.freedesktop.portal.GlobalShortcuts on the session bus).
///
/// The shortcuts are bound in one session of the portal's: each wanted action with its
/// description and preferred key, which the desktop may show the user to confirm or change. Until
/// the desktop answers they are pending; then active with the key it chose, or refused. A change
/// binds again (in a new session where the portal will not bind a session twice). Signals are
/// believed only from the portal's current owner and only for our session; when the portal
/// restarts, the shortcuts are asked for again. No call waits for the portal.
class PortalGlobalShortcuts final : public GlobalShortcuts {
    Q_OBJECT
public:
    /// `bus` is the session bus; tests hand in a private one.
    explicit PortalGlobalShortcuts(QDBusConnection bus, QObject* parent = nullptr);
    ~PortalGlobalShortcuts() override;

    /// True until the portal says it has no global shortcuts (stateChanged() follows).
    bool isAvailable() const override;
    void setShortcuts(const QList<Shortcut>& shortcuts) override;
    State state(const QString& id) const override;
    QString boundKeys(const QString& id) const override;
    QString message() const override;

private Q_SLOTS:
    void onResponse(const QDBusMessage& message);
    void onActivated(const QDBusMessage& message);
    void onShortcutsChanged(const QDBusMessage& message);

private:
    // What the program waits for from the portal: one request at a time.
    struct Request {
        enum class Kind { createSession, bind } kind;
        QString path;
        // A bind on a session that has had one: the portal may refuse it.
        bool again = false;
    };
    struct Binding {
        State state = State::pending;
        QString keys;
    };

    void onOwnerChanged(const QString& owner);
    void readVersion();
    void advance();
    void createSession();
    void bind();
    void expect(Request::Kind kind, const QString& token);
    void send(const QDBusMessage& call);
    void dropRequest(bool close);
    void closeSession();
    void sessionCreated(uint response, const QVariantMap& results);
    void bound(uint response, const QVariantMap& results);
    void callFailed(Request::Kind kind, const QDBusMessage& reply);
    void applyBound(const QVariant& shortcuts);
    void refuse(const QString& message);
    void setUnavailable();
    void setAllPending();
    QString newToken() const;

    QDBusConnection m_bus;
    BusNameOwner* m_owner;
    // The owner that our session and request are with; empty while they are with whoever
    // activation brings.
    QString m_peer;
    bool m_everOwned = false;
    bool m_available = true;
    QList<Shortcut> m_wanted;
    QHash<QString, Binding> m_bindings;
    QString m_message;
    std::optional<Request> m_request;
    QString m_session;
    // The session has had a BindShortcuts: the portal may not take another.
    bool m_sessionUsed = false;
    // What the portal was last asked to bind, answered or not; none when nothing was.
    std::optional<QList<Shortcut>> m_asked;
};

/// The key in the notation of the freedesktop shortcuts format the portal takes: modifiers
/// (CTRL, ALT, SHIFT, LOGO) and an xkb key name, joined by '+' ("CTRL+ALT+Up", "LOGO+F2"). Only
/// the first chord counts. Empty for no key, a modifier alone or a key without such a name.
QString portalTrigger(const QKeySequence& keys);

/// The portal's global shortcuts where a portal is on `bus`, else a desktop with none. Asks the
/// bus (never the portal) whether the portal's name is owned or can be started.
std::unique_ptr<GlobalShortcuts> makePortalGlobalShortcuts(QDBusConnection bus);
