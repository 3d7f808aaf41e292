#include "Pause.h"

#include <QTimer>

#include <array>
#include <coroutine>
#include <utility>

namespace {

// Everything the suspended pause needs, kept as a named local of the pause coroutine. The
// awaiter only points at it: GCC 12 copies awaiter objects, so they must carry no state.
struct PauseState {
    QTimer timer;
    std::array<CancelToken, 2> tokens;
    std::array<int, 2> listenerIds{};
    std::coroutine_handle<> handle;
    bool elapsed = false;

    bool anyCancelled() const { return isCancelled(tokens[0]) || isCancelled(tokens[1]); }

    void finish(bool hasElapsed) {
        if (!handle)
            return;
        elapsed = hasElapsed;
        timer.stop();
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            if (tokens[i] && listenerIds[i])
                tokens[i]->removeListener(std::exchange(listenerIds[i], 0));
        }
        std::exchange(handle, {}).resume();
    }
};

struct PauseAwaiter {
    PauseState* state;
    std::chrono::milliseconds duration;

    bool await_ready() const noexcept { return state->anyCancelled(); }
    void await_suspend(std::coroutine_handle<> handle) const {
        PauseState* s = state;
        s->handle = handle;
        s->timer.setSingleShot(true);
        // Pacing between monitor commands is part of the protocol; a coarse timer may fire 5% early.
        s->timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&s->timer, &QTimer::timeout, [s] { s->finish(true); });
        for (std::size_t i = 0; i < s->tokens.size(); ++i) {
            if (s->tokens[i])
                s->listenerIds[i] = s->tokens[i]->addListener([s] { s->finish(false); });
        }
        s->timer.start(duration);
    }
    bool await_resume() const noexcept { return state->elapsed; }
};

} // namespace

QCoro::Task<bool> pause(std::chrono::milliseconds duration, CancelToken token, CancelToken other) {
    PauseState state;
    state.tokens = {std::move(token), std::move(other)};
    co_return co_await PauseAwaiter{&state, duration};
}
