#include "AdaptiveSchedule.h"

#include "SettingsFile.h"
#include "SettingsKeys.h"
#include "system/TimeZonePlace.h"
#include "system/WallClock.h"

#include <QLocale>

#include <variant>

namespace {

BrightnessSchedule defaultSchedule() {
    return std::get<BrightnessSchedule>(BrightnessSchedule::parse(QString::fromLatin1(AdaptiveSchedule::defaultText)));
}

// What the settings file holds, as long as it reads as a schedule: anyone may have edited it.
BrightnessSchedule storedSchedule(const SettingsFile& settings) {
    const auto transition = settings.storedNumber(QLatin1String(SettingsKeys::adaptiveTransition), 0,
                                                  BrightnessSchedule::longestTransition.count());
    const auto minutes = std::chrono::minutes(
        transition ? std::lround(*transition) : BrightnessSchedule::defaultTransition.count());
    const QString text = settings.value(QLatin1String(SettingsKeys::adaptiveSchedule)).toString();
    auto parsed = BrightnessSchedule::parse(text.isEmpty() ? QString::fromLatin1(AdaptiveSchedule::defaultText) : text,
                                            minutes);
    if (auto* schedule = std::get_if<BrightnessSchedule>(&parsed))
        return *schedule;
    return defaultSchedule();
}

std::optional<GeoPlace> storedPlace(const SettingsFile& settings) {
    const QStringList parts = settings.value(QLatin1String(SettingsKeys::adaptivePlace)).toString().split(u',');
    if (parts.size() != 2)
        return std::nullopt;
    bool latitudeOk = false, longitudeOk = false;
    const GeoPlace place{parts[0].trimmed().toDouble(&latitudeOk), parts[1].trimmed().toDouble(&longitudeOk)};
    if (!latitudeOk || !longitudeOk || !place.isValid())
        return std::nullopt;
    return place;
}

} // namespace

AdaptiveSchedule::AdaptiveSchedule(SettingsFile& settings, WallClock& clock, QObject* parent)
    : QObject(parent), m_settings(settings), m_clock(clock), m_schedule(storedSchedule(settings)),
      m_customPlace(storedPlace(settings)) {}

void AdaptiveSchedule::setSchedule(const BrightnessSchedule& schedule) {
    m_settings.store(QLatin1String(SettingsKeys::adaptiveSchedule), schedule.text());
    m_settings.store(QLatin1String(SettingsKeys::adaptiveTransition), qint64(schedule.transition().count()));
    if (schedule == m_schedule)
        return;
    m_schedule = schedule;
    emit changed();
}

void AdaptiveSchedule::setCustomPlace(std::optional<GeoPlace> place) {
    if (place && !place->isValid())
        return;
    if (place)
        m_settings.store(QLatin1String(SettingsKeys::adaptivePlace),
                         QStringLiteral("%1,%2").arg(place->latitude, 0, 'f', 4).arg(place->longitude, 0, 'f', 4));
    else
        m_settings.remove(QLatin1String(SettingsKeys::adaptivePlace));
    if (place == m_customPlace)
        return;
    m_customPlace = place;
    emit changed();
}

ScheduleContext AdaptiveSchedule::context() const {
    return {m_customPlace ? m_customPlace : referencePlace(m_clock.timeZoneId()), m_clock.timeZone()};
}

QString AdaptiveSchedule::placeTitle() const {
    if (!m_customPlace)
        return QString::fromLatin1(m_clock.timeZoneId());
    const QLocale locale;
    return tr("%1, %2").arg(locale.toString(m_customPlace->latitude, 'f', 2),
                            locale.toString(m_customPlace->longitude, 'f', 2));
}

ScheduleState AdaptiveSchedule::now() const {
    return m_schedule.stateAt(m_clock.now(), context());
}
