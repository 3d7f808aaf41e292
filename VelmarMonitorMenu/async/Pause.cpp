#include "Pause.h"

PauseAwaiter::~PauseAwaiter() {
    if (m_token && m_listenerId)
        m_token->removeListener(m_listenerId);
}

void PauseAwaiter::await_suspend(std::coroutine_handle<> handle) {
    m_handle = handle;
    m_timer = std::make_unique<QTimer>();
    m_timer->setSingleShot(true);
    // Pacing between monitor commands is part of the protocol; a coarse timer may fire 5% early.
    m_timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_timer.get(), &QTimer::timeout, [this] { finish(true); });
    if (m_token)
        m_listenerId = m_token->addListener([this] { finish(false); });
    m_timer->start(m_duration);
}

void PauseAwaiter::finish(bool elapsed) {
    if (!m_handle)
        return;
    m_elapsed = elapsed;
    m_timer->stop();
    if (m_token && m_listenerId) {
        m_token->removeListener(m_listenerId);
        m_listenerId = 0;
    }
    std::exchange(m_handle, {}).resume();
}
