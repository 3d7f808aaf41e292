#pragma once

#include "system/WallClock.h"

#include <QDBusConnection>
#include <QString>

class BusNameOwner;
class QDBusMessage;
class QFileSystemWatcher;
class QSocketNotifier;

/// The system's clock and time zone on Linux.
///
/// The zone is read afresh on every call: $TZ, else the zone the `localtime` link in the
/// configuration folder points to, else the name in its `timezone` file, else Qt's system zone.
/// A zone name is taken only when it is well-formed and names a zone Qt knows.
///
/// changed() comes from the kernel when the clock is set (a timer that is cancelled by any
/// setting of the clock and otherwise never expires), from watching the configuration folder
/// when the zone it names changes, and from timedated when it says the zone changed. Nothing
/// wakes the program while neither the clock nor the zone changes.
class SystemWallClock final : public WallClock {
    Q_OBJECT
public:
    static constexpr auto defaultConfigurationFolder = "/etc";

    /// `configurationFolder` stands for /etc and `bus` for the system bus; tests hand in their own.
    SystemWallClock(QString configurationFolder, QDBusConnection bus, QObject* parent = nullptr);
    ~SystemWallClock() override;

    QDateTime now() const override;
    QTimeZone timeZone() const override;

private Q_SLOTS:
    void onTimedatePropertiesChanged(const QDBusMessage& message);

private:
    void watchClock();
    void onClockSet();
    void watchZoneFiles();
    void checkZone();

    QString m_folder;
    QDBusConnection m_bus;
    BusNameOwner* m_timedate;
    QFileSystemWatcher* m_watcher;
    int m_clockTimer = -1;
    QSocketNotifier* m_clockNotifier = nullptr;
    QByteArray m_zoneId; // the zone last seen, so only a change is announced
};
