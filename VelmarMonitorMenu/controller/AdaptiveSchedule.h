#pragma once

#include "BrightnessSchedule.h"

#include <QObject>

#include <optional>

class SettingsFile;
class WallClock;

// The user's brightness schedule for the time of day, and where the sun is for its sun points:
// the reference place of the system's time zone (as the time-zone database lists it), unless the
// user typed a latitude and longitude. Kept in the settings; nothing is looked up on a network.
class AdaptiveSchedule : public QObject {
    Q_OBJECT

public:
    /// The schedule a user starts from.
    static constexpr auto defaultText = "07:00=75 sunset=50 22:00=25";

    AdaptiveSchedule(SettingsFile& settings, WallClock& clock, QObject* parent = nullptr);

    const BrightnessSchedule& schedule() const { return m_schedule; }
    void setSchedule(const BrightnessSchedule& schedule);

    /// The place the user typed, or nullopt for the time zone's own.
    const std::optional<GeoPlace>& customPlace() const { return m_customPlace; }
    void setCustomPlace(std::optional<GeoPlace> place);
    /// Where the sun times are reckoned for, and in which time zone, now.
    ScheduleContext context() const;
    /// What the place is called: the time zone's name ("Europe/Berlin"), or the coordinates typed.
    QString placeTitle() const;

    /// The schedule at this moment.
    ScheduleState now() const;
    WallClock& clock() const { return m_clock; }

signals:
    /// The user changed the schedule or the place.
    void changed();

private:
    SettingsFile& m_settings;
    WallClock& m_clock;
    BrightnessSchedule m_schedule;
    std::optional<GeoPlace> m_customPlace;
};
