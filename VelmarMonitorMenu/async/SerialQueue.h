#pragma once

#include <coroutine>
#include <deque>
#include <utility>

// Lets coroutines take turns, first come first served: the main-thread stand-in for an
// actor's serial executor. `auto turn = co_await queue.acquire();` holds the turn until
// `turn` goes out of scope.
class SerialQueue {
public:
    class Turn {
    public:
        explicit Turn(SerialQueue* queue) : m_queue(queue) {}
        Turn(Turn&& other) noexcept : m_queue(std::exchange(other.m_queue, nullptr)) {}
        Turn& operator=(Turn&&) = delete;
        ~Turn() {
            if (m_queue)
                m_queue->release();
        }

    private:
        SerialQueue* m_queue;
    };

    class Awaiter {
    public:
        explicit Awaiter(SerialQueue* queue) : m_queue(queue) {}
        bool await_ready() noexcept {
            if (m_queue->m_busy)
                return false;
            m_queue->m_busy = true;
            return true;
        }
        void await_suspend(std::coroutine_handle<> handle) { m_queue->m_waiters.push_back(handle); }
        Turn await_resume() noexcept { return Turn(m_queue); }

    private:
        SerialQueue* m_queue;
    };

    Awaiter acquire() { return Awaiter(this); }
    bool isBusy() const { return m_busy; }
    std::size_t waiting() const { return m_waiters.size(); }

private:
    void release() {
        if (m_waiters.empty()) {
            m_busy = false;
            return;
        }
        // The turn passes straight to the next waiter; m_busy stays set.
        auto next = m_waiters.front();
        m_waiters.pop_front();
        next.resume();
    }

    bool m_busy = false;
    std::deque<std::coroutine_handle<>> m_waiters;
};
