#pragma once

#include "controller/MonitorController.h"
#include "monitor/MonitorFeature.h"
#include "monitor/MonitorInput.h"
#include "scenes/MonitorScene.h"

#include <QObject>

// Changes a script or a keyboard shortcut asked for, once the controller has taken them on: what
// the on-screen indicator shows. Kept apart from the bus adaptor, which would publish every
// signal of its own on the bus. Each names the controller of the monitor it was asked of.
class ScriptedChanges : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    /// A value was set or adjusted; the controller already holds the new value.
    void valueRequested(MonitorFeature feature, MonitorController* monitor);
    void inputRequested(MonitorInput input, MonitorController* monitor);
    void sceneRequested(const MonitorScene& scene, MonitorController* monitor);
    void nightModeRequested(bool on, MonitorController* monitor);
    /// Adaptive brightness was switched on or off (every monitor's).
    void adaptiveRequested(bool on);
};
