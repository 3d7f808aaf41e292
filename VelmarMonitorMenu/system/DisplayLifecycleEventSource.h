#pragma once

#include <QObject>

#include <coroutine>
#include <deque>
#include <memory>
#include <optional>

enum class DisplayLifecycleEvent { systemDidWake, screensDidWake, displayConfigurationDidChange };

class DisplayLifecycleObservers;

// Turns the platform's wake and display-configuration signals into one ordered stream of
// events for a single consumer. While the consumer is busy at most the newest eight
// undelivered events are kept, so a burst of changes cannot pile up.
class DisplayLifecycleEventSource : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t bufferLimit = 8;

    enum class Observe {
        platform, // the platform's wake and display signals
        nothing,  // only events handed to post(): for tests, which must not hear the real desktop
    };

    explicit DisplayLifecycleEventSource(Observe observe = Observe::platform, QObject* parent = nullptr);
    ~DisplayLifecycleEventSource() override;

    /// Starts observing the platform. Idempotent; nothing is observed before it.
    void start();
    bool isRunning() const { return m_running; }

    /// Awaitable: the next event, or nullopt once the source is being destroyed (the
    /// stream has ended). Only one consumer may wait at a time.
    class NextEvent {
    public:
        explicit NextEvent(DisplayLifecycleEventSource* source) : m_source(source) {}
        bool await_ready() const noexcept { return !m_source->m_buffer.empty(); }
        void await_suspend(std::coroutine_handle<> handle) { m_source->m_consumer = handle; }
        std::optional<DisplayLifecycleEvent> await_resume();

    private:
        DisplayLifecycleEventSource* m_source;
    };
    NextEvent next() { return NextEvent(this); }

    /// Hands an event to the stream (delivered, buffered, or pushing out the oldest held one).
    /// The platform observers call it; so can tests.
    void post(DisplayLifecycleEvent event);

    /// Events held for the consumer.
    std::size_t pendingCount() const { return m_buffer.size(); }
    /// The consumer waits in next(): every event posted so far has been taken and dealt with.
    bool isConsumerWaiting() const { return bool(m_consumer); }
    /// Drops the events held: the consumer will act on the state they announced anyway.
    void discardPending() { m_buffer.clear(); }

signals:
    /// An event entered the stream (after start()).
    void posted();

private:
    Observe m_observe;
    bool m_running = false;
    bool m_ended = false;
    std::deque<DisplayLifecycleEvent> m_buffer;
    std::coroutine_handle<> m_consumer;
    std::unique_ptr<DisplayLifecycleObservers> m_observers;
};
