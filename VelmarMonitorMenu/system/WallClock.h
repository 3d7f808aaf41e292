#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QTimeZone>

#include <memory>

/// The time and the system's time zone, for plans made by the clock (a brightness schedule
/// plans one timer to its next point). changed() says when such a plan must be made again.
class WallClock : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    /// The current time, in UTC.
    virtual QDateTime now() const = 0;
    /// The system's time zone as it is now, read afresh on every call.
    virtual QTimeZone timeZone() const = 0;
    /// The zone's IANA id, such as "Europe/Berlin".
    QByteArray timeZoneId() const { return timeZone().id(); }

signals:
    /// The clock was set or the time zone changed: times planned before may be wrong. Not
    /// emitted for time simply passing.
    void changed();
};

std::unique_ptr<WallClock> makeSystemWallClock();
