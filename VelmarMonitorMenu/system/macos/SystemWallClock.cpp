#include "system/WallClock.h"

namespace {

// Qt's time and zone. The setting of the clock and a change of zone are not heard yet, so a
// plan made by the clock is made again only when its own timer fires.
class QtWallClock final : public WallClock {
public:
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }
    QTimeZone timeZone() const override { return QTimeZone::systemTimeZone(); }
};

} // namespace

std::unique_ptr<WallClock> makeSystemWallClock() {
    return std::make_unique<QtWallClock>();
}
