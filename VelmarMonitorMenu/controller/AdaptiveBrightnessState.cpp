#include "AdaptiveBrightnessState.h"

namespace Adaptive {

QString sourceName(Source source) {
    switch (source) {
    case Source::lightSensor:
        return QStringLiteral("light-sensor");
    case Source::schedule:
        return QStringLiteral("schedule");
    case Source::laptop:
        break;
    }
    return QStringLiteral("laptop");
}

std::optional<Source> sourceFromName(QStringView name) {
    for (const auto source : {Source::laptop, Source::lightSensor, Source::schedule}) {
        if (name == sourceName(source))
            return source;
    }
    return std::nullopt;
}

} // namespace Adaptive
