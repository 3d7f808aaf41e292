#include "Cancellation.h"

#include <algorithm>
#include <utility>

void Cancellation::cancel() {
    if (m_cancelled)
        return;
    m_cancelled = true;
    // A listener may resume a coroutine that removes other listeners; work on a copy.
    auto listeners = std::exchange(m_listeners, {});
    for (auto& [id, listener] : listeners)
        listener();
}

int Cancellation::addListener(std::function<void()> listener) {
    const int id = m_nextId++;
    m_listeners.emplace_back(id, std::move(listener));
    return id;
}

void Cancellation::removeListener(int id) {
    std::erase_if(m_listeners, [id](const auto& entry) { return entry.first == id; });
}
