#pragma once

#include <functional>
#include <memory>
#include <vector>

// A cancellation flag shared between the owner of a task and the task itself.
// Listeners run synchronously inside cancel(), so a task waiting on a pause wakes at once.
class Cancellation {
public:
    bool isCancelled() const { return m_cancelled; }
    void cancel();

    int addListener(std::function<void()> listener);
    void removeListener(int id);

private:
    bool m_cancelled = false;
    int m_nextId = 1;
    std::vector<std::pair<int, std::function<void()>>> m_listeners;
};

// A null token can never be cancelled.
using CancelToken = std::shared_ptr<Cancellation>;

inline CancelToken makeCancelToken() {
    return std::make_shared<Cancellation>();
}
inline bool isCancelled(const CancelToken& token) {
    return token && token->isCancelled();
}
