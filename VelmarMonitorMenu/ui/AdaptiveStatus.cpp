#include "AdaptiveStatus.h"

#include "controller/MonitorController.h"
#include "system/PlatformWording.h"

#include <QCoreApplication>

namespace AdaptiveStatus {

QString text(const MonitorController& monitor) {
    switch (monitor.adaptiveBrightnessState()) {
    case Adaptive::State::off:
        return QCoreApplication::translate("AdaptiveStatus", "Off");
    case Adaptive::State::paused:
        return QCoreApplication::translate("AdaptiveStatus", "Paused after manual adjustment");
    case Adaptive::State::unavailable:
        return PlatformWording::unavailableOnThisComputer();
    case Adaptive::State::checking:
        return PlatformWording::checkingBuiltInBrightness();
    case Adaptive::State::following:
        break;
    }
    return PlatformWording::followingBuiltInBrightness();
}

bool isWarning(const MonitorController& monitor) {
    return monitor.adaptiveBrightnessEnabled() &&
           monitor.adaptiveBrightnessSupported() == MonitorController::AdaptiveSupport::no;
}

} // namespace AdaptiveStatus
