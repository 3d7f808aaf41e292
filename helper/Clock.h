#pragma once

#include <chrono>
#include <thread>

namespace m1ddc {

/// The monotonic time the helper waits on. Tests bring a virtual one, so their waits cost nothing.
class Clock {
public:
    using Duration = std::chrono::steady_clock::duration;
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;

    virtual TimePoint now() = 0;
    virtual void sleep(Duration duration) = 0;
};

/// The system's monotonic clock, with real sleeps.
class SteadyClock final : public Clock {
public:
    TimePoint now() override { return std::chrono::steady_clock::now(); }
    void sleep(Duration duration) override { std::this_thread::sleep_for(duration); }
};

} // namespace m1ddc
