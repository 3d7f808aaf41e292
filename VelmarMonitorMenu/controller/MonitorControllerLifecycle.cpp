// Start-up, and re-reading the monitor after wake and display changes.
#include "MonitorController.h"

#include "async/Pause.h"

QCoro::Task<> MonitorController::start() {
    if (m_hasStarted)
        co_return;
    m_hasStarted = true;
    const auto lifetime = m_lifetime;

    m_displayLifecycle->start();
    lifecycleLoop();
    updateAdaptiveBrightnessTask();

    co_await refresh();
    if (lifetime->isCancelled())
        co_return;
    co_await applyPreferredSceneForCurrentInput();
}

QCoro::Task<> MonitorController::lifecycleLoop() {
    // One event at a time: the next one waits in the stream until this refresh and scene
    // step are done. The loop lasts as long as the controller: the stream ends with it.
    const auto lifetime = m_lifetime;
    for (;;) {
        const auto event = co_await m_displayLifecycle->next();
        if (!event || lifetime->isCancelled())
            co_return;
        const bool waited = co_await pause(m_timings.lifecycleSettleDelay, lifetime);
        if (!waited)
            co_return;
        co_await refresh();
        if (lifetime->isCancelled())
            co_return;
        co_await applyPreferredSceneForCurrentInput();
        if (lifetime->isCancelled())
            co_return;
    }
}
