#include "MonitorBusService.h"

#include "controller/ConnectedMonitors.h"
#include "controller/MonitorController.h"
#include "controller/ProgramModel.h"
#include "MonitorBusAdaptor.h"

#include <set>

MonitorBusService::MonitorBusService(ProgramModel& model, QDBusConnection bus, QObject* mainObject)
    : m_model(model), m_bus(std::move(bus)),
      m_main(std::make_unique<MonitorBusAdaptor>(model, nullptr, m_bus, mainObject)) {
    forward(*m_main);
    connect(&model.monitors(), &ConnectedMonitors::controllersChanged, this, &MonitorBusService::follow);
    follow();
}

MonitorBusService::~MonitorBusService() {
    while (!m_served.empty())
        unserve(m_served.begin()->first);
}

void MonitorBusService::forward(const MonitorBusAdaptor& adaptor) {
    const ScriptedChanges& changes = adaptor.changes();
    connect(&changes, &ScriptedChanges::valueRequested, &m_changes, &ScriptedChanges::valueRequested);
    connect(&changes, &ScriptedChanges::inputRequested, &m_changes, &ScriptedChanges::inputRequested);
    connect(&changes, &ScriptedChanges::sceneRequested, &m_changes, &ScriptedChanges::sceneRequested);
    connect(&changes, &ScriptedChanges::nightModeRequested, &m_changes, &ScriptedChanges::nightModeRequested);
    connect(&changes, &ScriptedChanges::adaptiveRequested, &m_changes, &ScriptedChanges::adaptiveRequested);
}

void MonitorBusService::unserve(const QString& id) {
    const auto served = m_served.find(id);
    if (served == m_served.end())
        return;
    m_bus.unregisterObject(MonitorBus::displayPath(id));
    m_served.erase(served);
}

void MonitorBusService::dropGone() {
    for (auto it = m_served.begin(); it != m_served.end();) {
        const QString id = (it++)->first;
        if (!m_served.at(id).controller)
            unserve(id);
    }
}

MonitorBus::DisplayList MonitorBusService::displays() const {
    MonitorBus::DisplayList list;
    for (const auto* controller : m_model.monitors().controllers()) {
        const QString& id = controller->id();
        const QString path =
            id.isEmpty() ? QLatin1String(MonitorBus::objectPath) : MonitorBus::displayPath(id);
        list.append({id, controller->displayName(), QDBusObjectPath(path)});
    }
    return list;
}

void MonitorBusService::follow() {
    const auto controllers = m_model.monitors().controllers();
    // A monitor that went: its object goes before anything is served in its place.
    for (auto it = m_served.begin(); it != m_served.end();) {
        const QString id = (it++)->first;
        const auto& served = m_served.at(id);
        if (!served.controller || served.controller->id() != id)
            unserve(id);
    }
    std::set<const MonitorBusAdaptor*> added;
    for (auto* controller : controllers) {
        const QString id = controller->id();
        if (id.isEmpty() || m_served.contains(id))
            continue;
        Served served{controller, std::make_unique<QObject>(), nullptr};
        const QString path = MonitorBus::displayPath(id);
        served.adaptor = new MonitorBusAdaptor(m_model, controller, m_bus, served.object.get(), path);
        forward(*served.adaptor);
        added.insert(served.adaptor);
        m_bus.registerObject(path, served.object.get(), QDBusConnection::ExportAdaptors);
        m_served.emplace(id, std::move(served));
        // A controller goes before the monitors say so, while they are changing: its object goes
        // with it, and the list follows once they have changed.
        connect(controller, &QObject::destroyed, this, &MonitorBusService::dropGone, Qt::UniqueConnection);
        connect(controller, &MonitorController::displayNameChanged, this, &MonitorBusService::follow,
                Qt::UniqueConnection);
    }
    // An object served just now is seen with the list it starts with: no change to announce.
    const auto list = displays();
    m_main->setDisplays(list, std::exchange(m_mainAnnounces, true));
    for (const auto& [id, served] : m_served)
        served.adaptor->setDisplays(list, !added.contains(served.adaptor));
}
