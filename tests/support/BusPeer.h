#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// Another client of a test's private bus: a stand-in for a system service (once it owns the
// service's name), or an impostor sending what only the service may.
class BusPeer {
public:
    BusPeer(const QString& address, const QString& connectionName);
    ~BusPeer();
    BusPeer(const BusPeer&) = delete;
    BusPeer& operator=(const BusPeer&) = delete;

    QDBusConnection& bus() { return m_bus; }

    /// Sends org.freedesktop.DBus.Properties.PropertiesChanged for `interface` at `path`.
    bool announce(const QString& path, const QString& interface, const QVariantMap& changed,
                  const QStringList& invalidated = {});

private:
    QString m_name;
    QDBusConnection m_bus;
};

// A bus keeps one sender's messages in order: once a barrier a peer sends is heard on the
// connection under test, everything the peer sent before it has been dispatched there.
class BusBarrier : public QObject {
    Q_OBJECT
public:
    /// Listens on `listener`, the connection of the code under test.
    explicit BusBarrier(QDBusConnection listener);

    /// Sends a barrier from `peer` and waits until it is heard.
    bool pass(BusPeer& peer);
    /// Returns once the bus has handled everything sent on the listener so far (a call's answer
    /// comes after them), so the listener's subscriptions are in place and its questions asked.
    bool sync();

signals:
    void reached();

private Q_SLOTS:
    void onReached() { emit reached(); }

private:
    QDBusConnection m_listener;
};
