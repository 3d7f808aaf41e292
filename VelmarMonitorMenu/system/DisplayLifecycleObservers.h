#pragma once

class DisplayLifecycleEventSource;

// The platform side of DisplayLifecycleEventSource: registers for the platform's wake and
// display-configuration signals when constructed and posts the matching events to the
// source; unregisters when destroyed. One implementation per platform, chosen in CMake.
class DisplayLifecycleObservers {
public:
    explicit DisplayLifecycleObservers(DisplayLifecycleEventSource* source);
    ~DisplayLifecycleObservers();
    DisplayLifecycleObservers(const DisplayLifecycleObservers&) = delete;
    DisplayLifecycleObservers& operator=(const DisplayLifecycleObservers&) = delete;

    /// Number of platform registrations that took (a missing bus or service leaves its source silent).
    int registrationCount() const;

private:
    struct Private;
    Private* d;
};
