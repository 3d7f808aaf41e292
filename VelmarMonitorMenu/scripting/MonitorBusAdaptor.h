#pragma once

#include "MonitorBus.h"
#include "ScriptedChanges.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QVariantMap>

class MonitorController;
class ProgramModel;

// The controller on the session bus as com.velmar.Monitor1, for scripts and keyboard shortcuts.
// A thin layer: each command is checked, then carried out by the controller operation a widget
// would call (a brightness set here pauses adaptive brightness as a slider does). Bad arguments
// are refused with InvalidArgs and change nothing. Property changes go out as
// org.freedesktop.DBus.Properties.PropertiesChanged, one signal per burst.
//
// Values are whole percentages; -1 stands for a value not read from the monitor yet.
//
// One adaptor serves one monitor's controller at its own path, or, at MonitorBus::objectPath,
// the main monitor's, whichever that is. Night Mode and adaptive brightness are every monitor's.
// Displays is the same on every object; its owner keeps it. A Refresh still waiting when its
// monitor goes is answered with MonitorBus::disconnectedError.
class MonitorBusAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.velmar.Monitor1")
    Q_PROPERTY(int Brightness READ brightness)
    Q_PROPERTY(int Contrast READ contrast)
    Q_PROPERTY(int Volume READ volume)
    Q_PROPERTY(int Red READ red)
    Q_PROPERTY(int Green READ green)
    Q_PROPERTY(int Blue READ blue)
    Q_PROPERTY(QString Input READ input)
    Q_PROPERTY(QString DisplayName READ displayName)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(bool HasError READ hasError)
    Q_PROPERTY(bool Busy READ busy)
    Q_PROPERTY(bool NightMode READ nightMode)
    Q_PROPERTY(bool AdaptiveBrightness READ adaptiveBrightness)
    Q_PROPERTY(QString AdaptiveBrightnessState READ adaptiveBrightnessState)
    Q_PROPERTY(QString AdaptiveBrightnessSource READ adaptiveBrightnessSource)
    Q_PROPERTY(MonitorBus::Schedule Schedule READ schedule)
    Q_PROPERTY(int ScheduleTransition READ scheduleTransition)
    Q_PROPERTY(QString ActiveScene READ activeScene)
    Q_PROPERTY(MonitorBus::SceneList Scenes READ scenes)
    Q_PROPERTY(MonitorBus::DisplayList Displays READ displays)

public:
    /// Serves `monitor`, or the main monitor when null, on `object`, which must be registered at
    /// `path` on `bus` with QDBusConnection::ExportAdaptors; the adaptor is one of its children.
    MonitorBusAdaptor(ProgramModel& model, MonitorController* monitor, QDBusConnection bus, QObject* object,
                      QString path = QLatin1String(MonitorBus::objectPath));
    ~MonitorBusAdaptor() override;

    /// Tells of every change a command asked for, for the on-screen indicator.
    const ScriptedChanges& changes() const { return m_changes; }

    int brightness() const { return level(MonitorFeature::brightness); }
    int contrast() const { return level(MonitorFeature::contrast); }
    int volume() const { return level(MonitorFeature::volume); }
    int red() const { return level(MonitorFeature::red); }
    int green() const { return level(MonitorFeature::green); }
    int blue() const { return level(MonitorFeature::blue); }
    QString input() const;
    QString displayName() const;
    QString status() const;
    bool hasError() const;
    bool busy() const;
    bool nightMode() const;
    bool adaptiveBrightness() const;
    /// off, checking, following, paused or unavailable.
    QString adaptiveBrightnessState() const;
    /// laptop, light-sensor or schedule.
    QString adaptiveBrightnessSource() const;
    MonitorBus::Schedule schedule() const;
    /// Minutes.
    int scheduleTransition() const;
    /// The active scene's id, empty for none.
    QString activeScene() const;
    MonitorBus::SceneList scenes() const;
    /// Every connected monitor, the main one first; empty until set.
    const MonitorBus::DisplayList& displays() const { return m_displays; }
    /// `announce` false: the list the object starts with, which no one has seen change.
    void setDisplays(MonitorBus::DisplayList displays, bool announce = true);

public slots:
    /// Sets a feature to a value from 0 to 100.
    void SetValue(const QString& feature, int value, const QDBusMessage& message);
    /// Moves a feature by `delta` (-100 to 100), stopping at 0 and 100; returns the new value.
    /// Refused with NotRead until the monitor's value is known.
    int AdjustValue(const QString& feature, int delta, const QDBusMessage& message);
    void SetInput(const QString& input, const QDBusMessage& message);
    /// Applies the scene with this id, or with this name in any case.
    void ApplyScene(const QString& scene, const QDBusMessage& message);
    void SetNightMode(bool on, const QDBusMessage& message);
    /// Adaptive brightness on or off, for every monitor.
    void SetAdaptiveBrightness(bool on);
    /// What adaptive brightness follows: laptop, light-sensor (only while there is one) or schedule.
    void SetAdaptiveBrightnessSource(const QString& source, const QDBusMessage& message);
    /// The schedule's points in its text form ("07:00=80 sunset-30=50 22:00=20"); the transition
    /// stays.
    void SetSchedule(const QString& points, const QDBusMessage& message);
    /// Minutes, 0 to 120.
    void SetScheduleTransition(int minutes, const QDBusMessage& message);
    /// One line per point: its text form, a tab, and when it happens today ("HH:MM"), nothing
    /// after the tab when it does not happen today.
    QStringList ScheduleToday();
    /// Reads every value again; answers once the monitor has been read.
    void Refresh(const QDBusMessage& message);

private:
    struct RefreshCall {
        QPointer<MonitorController> monitor;
        QDBusMessage message;
    };

    MonitorController& monitor() const { return *m_monitor; }
    void bind(MonitorController& monitor);
    int level(MonitorFeature feature) const;
    void refuse(const QDBusMessage& message, const char* error, const QString& text) const;
    std::optional<MonitorFeature> knownFeature(const QString& name, const QDBusMessage& message) const;
    void scheduleChangeSignal();
    QVariantMap propertyValues() const;
    void publishChanges();
    void answerRefreshes();
    /// Those of a monitor that went are refused.
    void answerRefreshesOf(QObject* gone);

    ProgramModel& m_model;
    QPointer<MonitorController> m_monitor;
    bool m_followsMain;
    QList<QMetaObject::Connection> m_bound; // to the monitor served
    QDBusConnection m_bus;
    QString m_path;
    MonitorBus::DisplayList m_displays;
    ScriptedChanges m_changes;
    QTimer m_changeSignal;
    QVariantMap m_published;
    QList<RefreshCall> m_refreshCalls; // answered when the refresh under way ends
};
