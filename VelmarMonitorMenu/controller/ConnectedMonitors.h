#pragma once

#include "async/Cancellation.h"
#include "MonitorControllerEnvironment.h"
#include "system/DisplayLifecycleEventSource.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>

class MonitorController;
class MonitorSceneStore;
class SerialQueue;
class SettingsFile;
struct ListedDisplay;

// Every monitor that answers DDC/CI, each with a controller of its own for as long as it stays
// connected, and which of them is the main one.
//
// A controller stands for one monitor all its life: when a monitor goes, its controller goes with
// whatever it had under way, so nothing started for one monitor ever reaches another. "Main" is a
// choice among the controllers; the views, the bus and the command line follow it by binding to
// the new main controller when mainChanged() says so. Until the user chooses, the main monitor is
// the helper's default.
//
// At launch the first controller stands for the helper's default monitor, its commands carrying no
// id, and reads it; the listing that follows tells its id and whether there are others. After a
// wake or display change, with one monitor known, it is read first and listed after, as at launch;
// with several, the listing comes first, so that no monitor that went is asked, and then every
// monitor is read, side by side. Knowing one monitor, commands carry no id, as they always have.
//
// Each monitor keeps its own settings (Night Mode's way back, scenes by input) under its id, and
// finds them again when it comes back: the first monitor the program knew keeps them at the top
// level, where they have always been, every other in a group named after its id. A monitor seen
// for the first time starts from the first one's choices (never from its Night Mode). Settings of
// at most rememberedMonitors monitors are kept, the least recently seen dropped first.
class ConnectedMonitors : public QObject {
    Q_OBJECT

public:
    static constexpr int rememberedMonitors = 16;

    /// Builds the first controller at once, from `controllers` (the environment every controller
    /// is built from), over the keys of the monitor that was the helper's default last time.
    /// `lifecycle` brings the wake and display-change events.
    ConnectedMonitors(MonitorSceneStore& sceneStore, SettingsFile& settings,
                      MonitorControllerEnvironment controllers,
                      std::unique_ptr<DisplayLifecycleEventSource> lifecycle, QObject* parent = nullptr);
    /// Every controller goes, with whatever it has under way (see ~MonitorController).
    ~ConnectedMonitors() override;

    MonitorController& main() const { return *m_main; }
    /// The main controller first, then the others in the order the helper listed their monitors.
    QList<MonitorController*> controllers() const;
    /// The controller of the monitor with this id, if it is connected.
    MonitorController* controller(const QString& id) const;
    DisplayLifecycleEventSource& lifecycle() const { return *m_lifecycle; }

    /// Makes the monitor with this id the main one, now if it is connected and whenever it is
    /// from now on.
    void setMainMonitor(const QString& id);

    /// Once: starts listening to wake and display changes, reads the first monitor, then lists them.
    QCoro::Task<> start();
    /// Lists the monitors and follows what the helper says; one listing at a time. A helper that
    /// cannot list them, or finds none, changes nothing.
    QCoro::Task<> list();
    /// Before the program ends: see MonitorController::finishWork, for every monitor at once.
    QCoro::Task<> finishWork(std::chrono::milliseconds bound);

signals:
    /// Another controller is the main one; the views bound to the old one bind to it.
    void mainChanged();
    /// A monitor came or went, or the order changed.
    void controllersChanged();
    /// A controller that came with its monitor has read it for the first time.
    void controllerStarted(MonitorController* controller);
    /// The machine woke or the displays changed; the monitors are read once things settle.
    void changeNoticed(DisplayLifecycleEvent event);
    /// The monitors have been read after a wake or a display change (those that answered).
    void monitorsRead();

private:
    QString chosenMain() const;
    QString settingsGroup(const QString& id) const;
    QCoro::Task<> lifecycleLoop();
    QCoro::Task<> readAll(QList<QPointer<MonitorController>> controllers, CancelToken interrupted);
    void follow(const QList<ListedDisplay>& displays);
    /// Settings kept under a monitor's former id become its new id's.
    void takeOverFormerIds(const QList<ListedDisplay>& displays);
    bool hasOwnSettings(const QString& id) const;
    void claimOriginal(const QList<ListedDisplay>& displays);
    /// The ids listed now, and those seen lately; the settings of monitors not seen for long go.
    void remember(const QList<ListedDisplay>& displays);
    /// A monitor seen for the first time starts from the first monitor's choices.
    void prepareSettings(const QString& id);
    MonitorController* add(const ListedDisplay& display, bool addressed);
    QCoro::Task<> startController(QPointer<MonitorController> controller);

    MonitorSceneStore& m_sceneStore;
    SettingsFile& m_settings;
    MonitorControllerEnvironment m_environment; // what every controller is built with
    std::unique_ptr<DisplayLifecycleEventSource> m_lifecycle;

    QStringList m_known; // the ids of the last listing, as the settings keep them
    // The controllers in the order they are shown; the main one is among them.
    std::vector<std::unique_ptr<MonitorController>> m_controllers;
    MonitorController* m_main = nullptr;
    bool m_hasStarted = false;

    // Listings run a helper of their own: a monitor busy with a slow command (or one that has just
    // been pulled out) does not hold up learning which monitors there are.
    std::unique_ptr<DDCClient> m_listing;
    std::shared_ptr<SerialQueue> m_listings;
    CancelToken m_interrupt; // cancelled when a newer event makes the readings under way moot
    CancelToken m_lifetime = makeCancelToken();
};
