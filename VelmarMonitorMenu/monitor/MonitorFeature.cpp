#include "MonitorFeature.h"

QString rawValue(MonitorFeature feature) {
    switch (feature) {
    case MonitorFeature::brightness:
        return QStringLiteral("luminance");
    case MonitorFeature::contrast:
        return QStringLiteral("contrast");
    case MonitorFeature::volume:
        return QStringLiteral("volume");
    case MonitorFeature::red:
        return QStringLiteral("red");
    case MonitorFeature::green:
        return QStringLiteral("green");
    case MonitorFeature::blue:
        return QStringLiteral("blue");
    }
    return {};
}
