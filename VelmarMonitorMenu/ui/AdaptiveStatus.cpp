#include "AdaptiveStatus.h"

#include "controller/AdaptiveBrightness.h"
#include "system/PlatformWording.h"

#include <QCoreApplication>

namespace AdaptiveStatus {

QString text(const AdaptiveBrightness& adaptive) {
    switch (adaptive.state()) {
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

bool isWarning(const AdaptiveBrightness& adaptive) {
    return adaptive.isEnabled() && adaptive.support() == Adaptive::Support::no;
}

} // namespace AdaptiveStatus
