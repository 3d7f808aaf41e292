#include "BusPeer.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QSignalSpy>

namespace {

const QString barrierPath = QStringLiteral("/test/velmar/Barrier");
const QString barrierInterface = QStringLiteral("test.velmar.Barrier");
const QString barrierMember = QStringLiteral("Reached");

} // namespace

BusPeer::BusPeer(const QString& address, const QString& connectionName)
    : m_name(connectionName), m_bus(QDBusConnection::connectToBus(address, connectionName)) {}

BusPeer::~BusPeer() {
    QDBusConnection::disconnectFromBus(m_name);
}

bool BusPeer::announce(const QString& path, const QString& interface, const QVariantMap& changed,
                       const QStringList& invalidated) {
    auto signal = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                             QStringLiteral("PropertiesChanged"));
    signal << interface << changed << invalidated;
    return m_bus.send(signal);
}

BusBarrier::BusBarrier(QDBusConnection listener) : m_listener(std::move(listener)) {
    m_listener.connect(QString(), barrierPath, barrierInterface, barrierMember, this, SLOT(onReached()));
}

bool BusBarrier::pass(BusPeer& peer) {
    QSignalSpy heard(this, &BusBarrier::reached);
    if (!peer.bus().send(QDBusMessage::createSignal(barrierPath, barrierInterface, barrierMember)) ||
        !heard.wait(10000))
        return false;
    QCoreApplication::sendPostedEvents();
    return true;
}

bool BusBarrier::sync() {
    return m_listener.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus")).isValid();
}
