#pragma once

#include "Cancellation.h"

#include <QCoro/QCoroTask>

#include <chrono>

// Pause on the monotonic clock that never blocks the event loop.
// `co_await pause(50ms)` yields true when the whole time has passed, and false when a token
// was cancelled first (at once if one already was). Two tokens let a wait end either for its
// own reason (a newer slider value) or because its owner is going away.
// Await it into a local, not inside an `if` condition: GCC 12 destroys a task awaited in a
// condition twice when the branch returns from the coroutine.
QCoro::Task<bool> pause(std::chrono::milliseconds duration, CancelToken token = {}, CancelToken other = {});
