#include "Pause.h"

#include <QTimer>

#include <coroutine>
#include <utility>

namespace {

// Everything the suspended pause needs, kept as a named local of the pause coroutine. The
// awaiter only points at it: GCC 12 copies awaiter objects, so they must carry no state.
struct PauseState {
    QTimer timer;
    CancelToken token;
    std::coroutine_handle<> handle;
    int listenerId = 0;
    bool elapsed = false;

    void finish(bool hasElapsed) {
        if (!handle)
            return;
        elapsed = hasElapsed;
        timer.stop();
        if (token && listenerId) {
            token->removeListener(listenerId);
            listenerId = 0;
        }
        std::exchange(handle, {}).resume();
    }
};

struct PauseAwaiter {
    PauseState* state;
    std::chrono::milliseconds duration;

    bool await_ready() const noexcept { return isCancelled(state->token); }
    void await_suspend(std::coroutine_handle<> handle) const {
        PauseState* s = state;
        s->handle = handle;
        s->timer.setSingleShot(true);
        // Pacing between monitor commands is part of the protocol; a coarse timer may fire 5% early.
        s->timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&s->timer, &QTimer::timeout, [s] { s->finish(true); });
        if (s->token)
            s->listenerId = s->token->addListener([s] { s->finish(false); });
        s->timer.start(duration);
    }
    bool await_resume() const noexcept { return state->elapsed; }
};

} // namespace

QCoro::Task<bool> pause(std::chrono::milliseconds duration, CancelToken token) {
    PauseState state;
    state.token = std::move(token);
    co_return co_await PauseAwaiter{&state, duration};
}
