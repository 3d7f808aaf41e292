#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QTimeZone>

#include <memory>

// The time of day as the user's machine has it, and word when it jumps.
class WallClock : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual QDateTime now() const = 0;
    virtual QTimeZone timeZone() const = 0;
    virtual QByteArray timeZoneId() const = 0;
signals:
    void changed();
};

std::unique_ptr<WallClock> makeSystemWallClock();
