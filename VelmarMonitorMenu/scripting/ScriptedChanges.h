#pragma once

#include "monitor/MonitorFeature.h"
#include "monitor/MonitorInput.h"
#include "scenes/MonitorScene.h"

#include <QObject>

// Changes a script or a keyboard shortcut asked for, once the controller has taken them on: what
// the on-screen indicator shows. Kept apart from the bus adaptor, which would publish every
// signal of its own on the bus.
class ScriptedChanges : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    /// A value was set or adjusted; the controller already holds the new value.
    void valueRequested(MonitorFeature feature);
    void inputRequested(MonitorInput input);
    void sceneRequested(const MonitorScene& scene);
    void nightModeRequested(bool on);
};
