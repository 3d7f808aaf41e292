#pragma once

#include "scripting/MonitorBus.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

// One Velmar Monitor per user: the first instance owns a well-known name on the user's session
// bus; a later one finds the name taken, asks its owner to show its window, and ends. The bus
// frees the name when its owner dies, however it dies, so nothing stale is ever left behind.
class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.velmar.Monitor.Application")
public:
    static constexpr auto serviceName = MonitorBus::serviceName;
    static constexpr auto objectPath = MonitorBus::objectPath;

    explicit SingleInstance(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~SingleInstance() override;

    /// True when this process is the first instance (or no session bus can tell); false when
    /// another instance owns the name and has been asked to show itself.
    bool claim();
    /// Whether this process owns the name, and so serves the object at objectPath.
    bool ownsName() const { return m_owner; }
    QDBusConnection bus() const { return m_bus; }

public slots:
    /// Called over the bus by a later launch.
    Q_SCRIPTABLE void Activate();

signals:
    /// A later launch asked this instance to show itself.
    void activationRequested();

private:
    QDBusConnection m_bus;
    bool m_owner = false;
};
