#include "BusNameOwner.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

BusNameOwner::BusNameOwner(QDBusConnection bus, QString name, QObject* parent) : QObject(parent) {
    if (!bus.isConnected())
        return;
    // The bus itself announces every change of owner; nobody else can send as the bus.
    auto* watcher = new QDBusServiceWatcher(name, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) { setOwner(newOwner); });

    // The answer is as new as anything announced before it arrives, and every change after it
    // is announced after it, so it can be taken as it comes.
    auto call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
    call << name;
    callWithoutWaiting(bus, call, this, [this](const QDBusMessage& reply) {
        // An error is the bus saying that nobody owns the name.
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1)
            setOwner(reply.arguments().constFirst().toString());
    });
}

bool BusNameOwner::isFrom(const QDBusMessage& message) const {
    return !m_owner.isEmpty() && message.service() == m_owner;
}

void BusNameOwner::setOwner(const QString& owner) {
    if (owner == m_owner)
        return;
    m_owner = owner;
    emit ownerChanged(m_owner);
}

void callWithoutWaiting(const QDBusConnection& bus, const QDBusMessage& call, QObject* context,
                        std::function<void(const QDBusMessage& reply)> onReply) {
    const int timeout = std::chrono::milliseconds(serviceCallTimeout).count();
    // Owned by the context, so its end cancels the answer's delivery.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeout), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [watcher, onReply = std::move(onReply)] {
                         watcher->deleteLater();
                         onReply(watcher->reply());
                     });
}
