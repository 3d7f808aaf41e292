#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

class QDBusMessage;

/// The bus client that owns a well-known name, followed as the name changes hands. On the
/// system bus any account may send a signal with a service's path and interface; only the
/// owner of the service's name speaks for it, so its signals are believed only from there.
class BusNameOwner : public QObject {
    Q_OBJECT
public:
    /// Asks the bus for the owner without waiting; ownerChanged() follows once it is known.
    BusNameOwner(QDBusConnection bus, QString name, QObject* parent = nullptr);

    /// The owner's unique name; empty while the name has no owner (or the answer is awaited).
    QString owner() const { return m_owner; }
    /// The message was sent by the current owner.
    bool isFrom(const QDBusMessage& message) const;

signals:
    void ownerChanged(const QString& owner);

private:
    void setOwner(const QString& owner);

    QString m_owner;
};

/// A stuck service must not leave a call outstanding for D-Bus's default 25 seconds.
constexpr std::chrono::seconds serviceCallTimeout{5};

/// Sends `call` without blocking. `onReply` gets the reply, or the error (a timeout included),
/// unless `context` is destroyed first.
void callWithoutWaiting(const QDBusConnection& bus, const QDBusMessage& call, QObject* context,
                        std::function<void(const QDBusMessage& reply)> onReply);
