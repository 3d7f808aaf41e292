#pragma once

#include "async/Cancellation.h"
#include "MonitorControllerEnvironment.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>

class BuiltInDisplayBrightnessReadingSource;
class InputScenePreferenceStore;
class MonitorController;
class MonitorSceneStore;
class SerialQueue;

// Every monitor that answers DDC/CI, with a controller each, and which of them is the main one.
//
// The main monitor's controller is one object for the whole life of the program: the views and
// scripts bound to it stay bound, and when another monitor becomes the main one that controller
// moves to it. The controllers of the other monitors come and go with their monitors.
//
// The helper lists the monitors after start-up and after every wake or display change. Knowing
// one monitor (or none), commands carry no display and go wherever the helper sends them, as
// they always have, and the listing follows each reading. Knowing several, the listing comes
// first and every command carries its monitor's id.
//
// A monitor's own settings (Night Mode, per-input scenes) stay behind when it goes and are its
// own again when it comes back: the first monitor the program knew keeps them at the top level,
// where they have always been, every other in a group named after its id.
//
// Night Mode is on or off for every monitor together, each keeping and restoring its own
// values; a monitor that comes joins in. A scene is applied to one monitor alone.
//
// Linked brightness: while it is on, a brightness chosen for one monitor moves every other by
// the same amount. Each keeps the difference it had when linking began (or when its brightness
// was first read after that): a monitor held at 0 or 100 gets its difference back once the
// others return. The differences are remembered by monitor id, so a restart, or a monitor that
// goes and comes back, keeps them.
class ConnectedMonitors : public QObject {
    Q_OBJECT

public:
    /// The main controller is built at once, from the environment as a controller on its own
    /// would be, over `mainPreferences`; the others are built like it as their monitors appear.
    ConnectedMonitors(MonitorSceneStore& sceneStore, BuiltInDisplayBrightnessReadingSource& brightnessReader,
                      InputScenePreferenceStore& mainPreferences, MonitorControllerEnvironment environment,
                      QObject* parent = nullptr);
    /// Every controller goes, with whatever it has under way (see ~MonitorController).
    ~ConnectedMonitors() override;

    MonitorController& main() const { return *m_main; }
    /// The main controller first, then the others in the order the helper listed their monitors.
    QList<MonitorController*> controllers() const;
    /// The controller of the monitor with this id, if it is connected.
    MonitorController* controller(const QString& id) const;

    /// Makes the monitor with this id the main one, now if it is connected and whenever it is
    /// from now on. Until a choice is made, the main monitor is the helper's default.
    void setMainMonitor(const QString& id);

    /// Lists the monitors and follows what the helper says; one listing at a time. A helper that
    /// cannot list them changes nothing.
    QCoro::Task<> list();

    /// Off until the user turns it on; remembered.
    bool isBrightnessLinked() const { return m_brightnessLinked; }
    void setBrightnessLinked(bool linked);

signals:
    /// A monitor came or went, or another one became the main monitor.
    void controllersChanged();
    void brightnessLinkedChanged();

private:
    struct Other {
        std::unique_ptr<InputScenePreferenceStore> preferences; // the controller's; goes after it
        std::unique_ptr<MonitorController> controller;
        DisplayLifecycleEventSource* lifecycle = nullptr; // owned by the controller
    };

    bool knowsSeveral() const { return m_known.size() > 1; }
    /// The id the user chose, or empty.
    QString chosenMain() const;
    QString settingsGroup(const QString& id) const;
    QCoro::Task<> listBeforeReading();
    QCoro::Task<> listAfterReading();
    /// `mainReadsNext`: the main controller reads its monitor right after, wherever it is.
    QCoro::Task<> listing(bool mainReadsNext);
    QCoro::Task<> follow(QList<ListedDisplay> displays, bool mainReadsNext);
    void remember(const QList<ListedDisplay>& displays);
    void addOther(const ListedDisplay& display);
    void watch(MonitorController& controller);
    /// Takes the difference of a monitor whose brightness is now known, forgets it when it is not.
    void updateOffset(MonitorController& controller);
    /// The difference remembered for the monitor with this id, if a sound one is.
    std::optional<double> storedOffset(const QString& id) const;
    void storeLinkedLevel();
    void storeOffset(const MonitorController& controller);
    void followBrightness(MonitorController& source, double brightness, bool live);
    void followNightMode(const MonitorController& source, bool enabled);
    QCoro::Task<> startOther(QPointer<MonitorController> controller);

    MonitorSceneStore& m_sceneStore;
    BuiltInDisplayBrightnessReadingSource& m_brightnessReader;
    std::unique_ptr<QSettings> m_ownSettings;
    QSettings* m_settings;
    // What every other controller is built with, as the main one was.
    HelperLocator m_helperLocator;
    std::shared_ptr<ScreenNameSource> m_screens;
    std::function<QDateTime()> m_now;
    MonitorControllerTimings m_timings;

    QStringList m_known; // the ids of the last listing, as the settings keep them
    std::unique_ptr<MonitorController> m_main;
    std::map<QString, Other> m_others;
    QStringList m_order; // the others' ids as listed
    bool m_listedBeforeReading = false;

    bool m_brightnessLinked = false;
    std::optional<double> m_linkedLevel; // the brightness a monitor with no difference would have
    std::map<const MonitorController*, double> m_offsets; // each one's difference to it
    bool m_followingBrightness = false; // the others are being moved: not a choice of theirs
    bool m_followingNightMode = false;

    std::shared_ptr<SerialQueue> m_listings;
    CancelToken m_lifetime = makeCancelToken();
};
