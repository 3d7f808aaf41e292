#pragma once

#include "Clock.h"

// Time that passes only when the code under test waits: no sleeps, and every wait can be checked.
class VirtualClock final : public m1ddc::Clock {
public:
    TimePoint now() override { return TimePoint() + elapsed; }
    void sleep(Duration duration) override { elapsed += duration; }

    Duration elapsed{};
};
