#include "AdaptiveStatus.h"

#include "controller/MonitorController.h"
#include "system/PlatformWording.h"

#include <QCoreApplication>

namespace AdaptiveStatus {

QString text(const MonitorController& monitor) {
    if (!monitor.adaptiveBrightnessEnabled())
        return QCoreApplication::translate("AdaptiveStatus", "Off");
    if (monitor.isAdaptiveBrightnessPaused())
        return QCoreApplication::translate("AdaptiveStatus", "Paused after manual adjustment");
    switch (monitor.adaptiveBrightnessSupported()) {
    case MonitorController::AdaptiveSupport::no:
        return PlatformWording::unavailableOnThisComputer();
    case MonitorController::AdaptiveSupport::unknown:
        return PlatformWording::checkingBuiltInBrightness();
    case MonitorController::AdaptiveSupport::yes:
        break;
    }
    return PlatformWording::followingBuiltInBrightness();
}

bool isWarning(const MonitorController& monitor) {
    return monitor.adaptiveBrightnessEnabled() &&
           monitor.adaptiveBrightnessSupported() == MonitorController::AdaptiveSupport::no;
}

} // namespace AdaptiveStatus
