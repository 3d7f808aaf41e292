#pragma once

#include "async/Cancellation.h"

#include <utility>

// Counts a task as running while it lives, so that its owner can tell when it has nothing
// under way. A task that outlives its owner (`lifetime` cancelled) leaves the count alone.
class RunningTask {
public:
    RunningTask(int& count, CancelToken lifetime) : m_count(count), m_lifetime(std::move(lifetime)) {
        ++m_count;
    }
    ~RunningTask() {
        if (!m_lifetime->isCancelled())
            --m_count;
    }
    RunningTask(const RunningTask&) = delete;
    RunningTask& operator=(const RunningTask&) = delete;

private:
    int& m_count;
    CancelToken m_lifetime;
};
