#pragma once

#include <QMetaObject>
#include <QObject>

class ConnectedMonitors;
class MonitorController;

// Night Mode is on or off for every monitor together, each keeping and restoring its own values;
// a monitor that comes joins the main monitor's Night Mode, or leaves the one it was left in. A
// scene ends Night Mode on its own monitor alone. What the switch shows is the main monitor's.
class NightModeForAll : public QObject {
    Q_OBJECT

public:
    explicit NightModeForAll(ConnectedMonitors& monitors, QObject* parent = nullptr);

    bool isOn() const;
    /// The main monitor's Night Mode is being switched: the switch waits.
    bool isChanging() const;
    /// Every monitor, each as its own Night Mode switch would (see MonitorController::setNightMode).
    void setEnabled(bool on);

signals:
    void isOnChanged();
    void isChangingChanged();

private:
    void bindMain();

    ConnectedMonitors& m_monitors;
    QMetaObject::Connection m_mainOn;
    QMetaObject::Connection m_mainChanging;
};
