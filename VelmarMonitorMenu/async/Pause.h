#pragma once

#include "Cancellation.h"

#include <QTimer>

#include <chrono>
#include <coroutine>
#include <memory>
#include <utility>

// Awaitable pause on the monotonic clock that never blocks the event loop.
// `co_await pause(50ms)` yields true when the whole time has passed and false when the
// token was cancelled first (at once if it already was).
class PauseAwaiter {
public:
    PauseAwaiter(std::chrono::milliseconds duration, CancelToken token)
        : m_duration(duration), m_token(std::move(token)) {}
    PauseAwaiter(PauseAwaiter&&) = default;
    ~PauseAwaiter();

    bool await_ready() const noexcept { return isCancelled(m_token); }
    void await_suspend(std::coroutine_handle<> handle);
    bool await_resume() const noexcept { return m_elapsed; }

private:
    void finish(bool elapsed);

    std::chrono::milliseconds m_duration;
    CancelToken m_token;
    std::unique_ptr<QTimer> m_timer;
    std::coroutine_handle<> m_handle;
    int m_listenerId = 0;
    bool m_elapsed = false;
};

inline PauseAwaiter pause(std::chrono::milliseconds duration, CancelToken token = {}) {
    return PauseAwaiter(duration, std::move(token));
}
