#pragma once

#include <QCoro/QCoroTask>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <optional>

// Runs a coroutine to completion inside a nested event loop; fails the test instead of
// hanging when it takes longer than `timeout`.
template <class T>
std::optional<T> runTask(QCoro::Task<T> task, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    std::optional<T> result;
    QEventLoop loop;
    bool done = false;
    auto wrapper = [&]() -> QCoro::Task<> {
        result = co_await task;
        done = true;
        loop.quit();
    };
    auto running = wrapper();
    if (!done) {
        QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return result;
}

inline bool runTask(QCoro::Task<> task, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    QEventLoop loop;
    bool done = false;
    auto wrapper = [&]() -> QCoro::Task<> {
        co_await task;
        done = true;
        loop.quit();
    };
    auto running = wrapper();
    if (!done) {
        QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done;
}

inline double msBetween(std::chrono::steady_clock::time_point from,
                        std::chrono::steady_clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}
