#include "monitor/HelperWording.h"

#include <QCoreApplication>

namespace HelperWording {

QString helperMissing() {
    return QCoreApplication::translate("PlatformWording", "DDC helper is missing from the app bundle.");
}

} // namespace HelperWording
