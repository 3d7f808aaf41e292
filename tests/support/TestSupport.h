#pragma once

#include <QCoro/QCoroTask>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <optional>
#include <type_traits>

// Runs a coroutine to completion inside a nested event loop; gives up (returning nothing, or
// false for a task without a value) instead of hanging when it takes longer than `timeout`.
template <class T>
auto runTask(QCoro::Task<T> task, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    QEventLoop loop;
    bool done = false;
    std::optional<std::conditional_t<std::is_void_v<T>, bool, T>> result;
    auto wrapper = [&]() -> QCoro::Task<> {
        if constexpr (std::is_void_v<T>) {
            co_await task;
            result = true;
        } else {
            result = co_await task;
        }
        done = true;
        loop.quit();
    };
    auto running = wrapper();
    if (!done) {
        QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if constexpr (std::is_void_v<T>)
        return done;
    else
        return result;
}

inline double msBetween(std::chrono::steady_clock::time_point from,
                        std::chrono::steady_clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}
