#pragma once

#include <QObject>

#include <map>
#include <optional>
#include <set>

class ConnectedMonitors;
class MonitorController;
class SettingsFile;

// Linked brightness: while it is on, a brightness chosen for one monitor (by hand, by a script or
// by adaptive brightness) moves every other by the same amount. Each keeps the difference it had
// when linking began (or when its brightness was first read after that): a monitor held at 0 or
// 100 gets its difference back once the others return. The differences are remembered by monitor
// id, so a restart, or a monitor that goes and comes back, keeps them.
class LinkedBrightness : public QObject {
    Q_OBJECT

public:
    LinkedBrightness(ConnectedMonitors& monitors, SettingsFile& settings, QObject* parent = nullptr);

    /// Off until the user turns it on; remembered.
    bool isLinked() const { return m_linked; }
    void setLinked(bool linked);
    /// The monitor moves with the others: linking is on and its brightness is known.
    bool isLinked(const MonitorController& controller) const;

signals:
    void linkedChanged();

private:
    void watch(MonitorController* controller);
    /// Takes the difference of a monitor whose brightness is now known, forgets it when it is not.
    void updateOffset(MonitorController& controller);
    /// The difference remembered for the monitor with this id, if a sound one is.
    std::optional<double> storedOffset(const QString& id) const;
    void storeLevel();
    void storeOffset(const MonitorController& controller);
    void follow(MonitorController& source, double brightness, bool live);

    ConnectedMonitors& m_monitors;
    SettingsFile& m_settings;
    bool m_linked = false;
    std::optional<double> m_level; // the brightness a monitor with no difference would have
    std::map<const MonitorController*, double> m_offsets; // each one's difference to it
    std::set<const MonitorController*> m_watched;
};
