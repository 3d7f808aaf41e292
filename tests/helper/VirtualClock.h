#pragma once

#include "Clock.h"

#include <functional>

// Time that passes only when the code under test waits: no sleeps, and every wait can be checked.
class VirtualClock final : public m1ddc::Clock {
public:
    TimePoint now() override { return TimePoint() + elapsed; }
    void sleep(Duration duration) override {
        elapsed += duration;
        if (afterSleep)
            afterSleep();
    }

    Duration elapsed{};
    /// Called after every wait, so a test can change the world as time passes.
    std::function<void()> afterSleep;
};
