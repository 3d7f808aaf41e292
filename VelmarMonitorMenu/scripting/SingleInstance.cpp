#include "SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace {
constexpr int answerTimeoutMs = 2000;
}

SingleInstance::SingleInstance(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)) {}

SingleInstance::~SingleInstance() {
    if (m_owner) {
        m_bus.unregisterObject(QLatin1String(objectPath));
        m_bus.unregisterService(QLatin1String(serviceName));
    }
}

bool SingleInstance::claim() {
    // Without a session bus (a bare X server, a test) there is nobody to ask: run.
    if (!m_bus.isConnected())
        return true;
    if (m_bus.registerService(QLatin1String(serviceName))) {
        m_owner = true;
        m_bus.registerObject(QLatin1String(objectPath), this,
                             QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportAdaptors);
        return true;
    }
    auto call = QDBusMessage::createMethodCall(QLatin1String(serviceName), QLatin1String(objectPath),
                                               QLatin1String(MonitorBus::applicationInterface),
                                               QStringLiteral("Activate"));
    m_bus.call(call, QDBus::BlockWithGui, answerTimeoutMs);
    // Even if the owner did not answer in time, it is running: two instances would fight over
    // the monitor.
    return false;
}

void SingleInstance::Activate() {
    emit activationRequested();
}
