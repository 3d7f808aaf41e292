#pragma once

#include "MonitorBus.h"
#include "ScriptedChanges.h"

#include <QDBusConnection>
#include <QObject>
#include <QPointer>

#include <map>
#include <memory>

class ProgramModel;
class MonitorBusAdaptor;
class MonitorController;

// Every connected monitor on the session bus: the main one at MonitorBus::objectPath, as it has
// always been, whichever monitor that is, and each one (the main one too) at
// MonitorBus::displayPath(id), added and taken away as monitors come and go. Every object lists
// them all in its Displays property.
class MonitorBusService : public QObject {
    Q_OBJECT
public:
    /// `mainObject` must be registered at MonitorBus::objectPath on `bus` with
    /// QDBusConnection::ExportAdaptors; the main adaptor is one of its children.
    MonitorBusService(ProgramModel& model, QDBusConnection bus, QObject* mainObject);
    ~MonitorBusService() override;

    /// Every change a command asked for, of any monitor, for the on-screen indicator.
    const ScriptedChanges& changes() const { return m_changes; }

private:
    struct Served {
        QPointer<MonitorController> controller;
        std::unique_ptr<QObject> object; // registered at the monitor's path; holds its adaptor
        MonitorBusAdaptor* adaptor = nullptr;
    };

    void follow();
    void dropGone();
    void forward(const MonitorBusAdaptor& adaptor);
    void unserve(const QString& id);
    MonitorBus::DisplayList displays() const;

    ProgramModel& m_model;
    QDBusConnection m_bus;
    ScriptedChanges m_changes;
    std::unique_ptr<MonitorBusAdaptor> m_main;
    bool m_mainAnnounces = false; // its first list is where it starts, not a change
    std::map<QString, Served> m_served;
};
