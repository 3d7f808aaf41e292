#include "DisplayLifecycleEventSource.h"

#include "DisplayLifecycleObservers.h"

DisplayLifecycleEventSource::DisplayLifecycleEventSource(Observe observe, QObject* parent)
    : QObject(parent), m_observe(observe) {}

DisplayLifecycleEventSource::~DisplayLifecycleEventSource() {
    m_observers.reset();
    m_ended = true;
    m_buffer.clear();
    // The stream ends: a waiting consumer wakes with nullopt and must not touch its owner.
    if (auto consumer = std::exchange(m_consumer, {}))
        consumer.resume();
}

void DisplayLifecycleEventSource::start() {
    if (m_running)
        return;
    m_running = true;
    if (m_observe == Observe::platform)
        m_observers = std::make_unique<DisplayLifecycleObservers>(this);
}

void DisplayLifecycleEventSource::post(DisplayLifecycleEvent event) {
    if (m_ended || !m_running)
        return;
    m_buffer.push_back(event);
    while (m_buffer.size() > bufferLimit)
        m_buffer.pop_front();
    emit posted();
    if (auto consumer = std::exchange(m_consumer, {}))
        consumer.resume();
}

std::optional<DisplayLifecycleEvent> DisplayLifecycleEventSource::NextEvent::await_resume() {
    if (m_source->m_ended || m_source->m_buffer.empty())
        return std::nullopt;
    const auto event = m_source->m_buffer.front();
    m_source->m_buffer.pop_front();
    return event;
}
