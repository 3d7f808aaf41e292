#include "AdaptiveStatus.h"

#include "controller/AdaptiveBrightness.h"
#include "controller/AdaptiveSchedule.h"
#include "system/PlatformWording.h"
#include "system/WallClock.h"

#include <QCoreApplication>
#include <QLocale>

namespace AdaptiveStatus {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("AdaptiveStatus", text);
}

// "22:00" today, "Tue 07:00" on another day.
QString momentText(const QDateTime& moment, const WallClock& clock) {
    const QTimeZone zone = clock.timeZone();
    const QDateTime local = moment.toTimeZone(zone);
    const QLocale locale;
    // To the minute, as the schedule's points are written.
    const QString time = local.time().toString(QStringLiteral("HH:mm"));
    if (local.date() == clock.now().toTimeZone(zone).date())
        return time;
    return QStringLiteral("%1 %2").arg(locale.dayName(local.date().dayOfWeek(), QLocale::ShortFormat), time);
}

} // namespace

QString text(const AdaptiveBrightness& adaptive) {
    const auto source = adaptive.source();
    const bool laptop = source == Adaptive::Source::laptop;
    switch (adaptive.state()) {
    case Adaptive::State::off:
        return tr("Off");
    case Adaptive::State::paused:
        if (laptop || !adaptive.pausedUntil())
            return tr("Paused after manual adjustment");
        return tr("Paused until %1").arg(momentText(*adaptive.pausedUntil(), adaptive.schedule().clock()));
    case Adaptive::State::unavailable:
        return laptop ? PlatformWording::unavailableOnThisComputer() : tr("No light sensor found");
    case Adaptive::State::checking:
        if (laptop)
            return PlatformWording::checkingBuiltInBrightness();
        return source == Adaptive::Source::lightSensor ? tr("Checking light sensor…") : tr("Checking schedule…");
    case Adaptive::State::following:
        break;
    }
    switch (source) {
    case Adaptive::Source::lightSensor:
        return tr("Following light sensor");
    case Adaptive::Source::schedule:
        return tr("Following schedule");
    case Adaptive::Source::laptop:
        break;
    }
    return PlatformWording::followingBuiltInBrightness();
}

bool isWarning(const AdaptiveBrightness& adaptive) {
    return adaptive.isEnabled() && adaptive.support() == Adaptive::Support::no;
}

QString sourceTitle(Adaptive::Source source) {
    switch (source) {
    case Adaptive::Source::lightSensor:
        return tr("Light sensor");
    case Adaptive::Source::schedule:
        return tr("Time of day");
    case Adaptive::Source::laptop:
        break;
    }
    return PlatformWording::builtInBrightnessSource();
}

QString switchText(Adaptive::Source source) {
    switch (source) {
    case Adaptive::Source::lightSensor:
        return tr("Follow light sensor");
    case Adaptive::Source::schedule:
        return tr("Follow schedule");
    case Adaptive::Source::laptop:
        break;
    }
    return PlatformWording::followBuiltInBrightnessSwitch();
}

QString explanation(Adaptive::Source source) {
    switch (source) {
    case Adaptive::Source::lightSensor:
        return tr("Follows the light in the room as the light sensor measures it. Manual changes pause "
                  "following for 30 minutes.");
    case Adaptive::Source::schedule:
        return tr("Follows a schedule of brightness through the day. A manual change holds until the "
                  "schedule's next point.");
    case Adaptive::Source::laptop:
        break;
    }
    return PlatformWording::adaptiveBrightnessExplanation();
}

QString unavailableText(Adaptive::Source source) {
    switch (source) {
    case Adaptive::Source::lightSensor:
        return tr("No light sensor is available.");
    case Adaptive::Source::schedule:
        return {};
    case Adaptive::Source::laptop:
        break;
    }
    return PlatformWording::builtInBrightnessUnavailable();
}

QString toolTip(Adaptive::Source source) {
    switch (source) {
    case Adaptive::Source::lightSensor:
        return tr("Follow the light in the room");
    case Adaptive::Source::schedule:
        return tr("Follow the brightness schedule for the time of day");
    case Adaptive::Source::laptop:
        break;
    }
    return PlatformWording::followAutomaticBrightness();
}

} // namespace AdaptiveStatus
