#include "NightModeForAll.h"

#include "ConnectedMonitors.h"
#include "MonitorController.h"

NightModeForAll::NightModeForAll(ConnectedMonitors& monitors, QObject* parent)
    : QObject(parent), m_monitors(monitors) {
    bindMain();
    connect(&m_monitors, &ConnectedMonitors::mainChanged, this, [this] {
        const bool wasOn = isOn();
        bindMain();
        if (isOn() != wasOn)
            emit isOnChanged();
        emit isChangingChanged();
    });
    connect(&m_monitors, &ConnectedMonitors::controllerStarted, this, [this](MonitorController* controller) {
        if (controller != &m_monitors.main())
            controller->setNightMode(isOn());
    });
}

void NightModeForAll::bindMain() {
    disconnect(m_mainOn);
    disconnect(m_mainChanging);
    auto& main = m_monitors.main();
    m_mainOn = connect(&main, &MonitorController::isNightModeChanged, this, &NightModeForAll::isOnChanged);
    m_mainChanging =
        connect(&main, &MonitorController::isChangingNightModeChanged, this, &NightModeForAll::isChangingChanged);
}

bool NightModeForAll::isOn() const {
    return m_monitors.main().isNightMode();
}

bool NightModeForAll::isChanging() const {
    return m_monitors.main().isChangingNightMode();
}

void NightModeForAll::setEnabled(bool on) {
    for (auto* controller : m_monitors.controllers())
        controller->setNightMode(on);
}
