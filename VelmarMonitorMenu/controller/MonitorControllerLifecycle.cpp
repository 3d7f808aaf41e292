// Start-up, and re-reading the monitor after wake and display changes.
#include "MonitorController.h"

#include "async/Pause.h"

QCoro::Task<> MonitorController::start() {
    if (m_hasStarted)
        co_return;
    m_hasStarted = true;

    m_displayLifecycle->start();
    m_lifecycleTask = makeCancelToken();
    lifecycleLoop(m_lifecycleTask);
    updateAdaptiveBrightnessTask();

    co_await refresh();
    co_await applyPreferredSceneForCurrentInput();
}

QCoro::Task<> MonitorController::lifecycleLoop(CancelToken token) {
    // One event at a time: the next one waits in the stream until this refresh and scene
    // step are done. The loop ends only with the controller (the stream ends or the token is
    // cancelled); woken that way it returns without touching the controller.
    for (;;) {
        const auto event = co_await m_displayLifecycle->next();
        if (!event || token->isCancelled())
            co_return;
        const bool waited = co_await pause(lifecycleSettleDelay, token);
        if (!waited)
            co_return;
        co_await refresh();
        co_await applyPreferredSceneForCurrentInput();
    }
}
