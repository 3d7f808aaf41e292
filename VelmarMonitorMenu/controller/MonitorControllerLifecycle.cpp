// Start-up, and re-reading the monitor after wake and display changes.
#include "MonitorController.h"

#include "AdaptiveBrightness.h"
#include "async/Pause.h"

#include <QElapsedTimer>

using namespace std::chrono_literals;

QCoro::Task<> MonitorController::start() {
    if (m_hasStarted)
        co_return;
    m_hasStarted = true;
    const auto lifetime = m_lifetime;

    m_displayLifecycle->start();
    lifecycleLoop();
    m_adaptive->start();

    co_await refresh();
    if (lifetime->isCancelled())
        co_return;
    co_await applyPreferredSceneForCurrentInput();
}

QCoro::Task<> MonitorController::finishWork(std::chrono::milliseconds bound) {
    const auto lifetime = m_lifetime;
    cancelPendingWrites();
    m_adaptive->stop();
    // Looked at every few milliseconds, and only while the program is ending.
    constexpr auto look = 10ms;
    QElapsedTimer waited;
    waited.start();
    while (!m_ddc->isIdle() && waited.elapsed() < bound.count()) {
        co_await pause(look, lifetime);
        if (lifetime->isCancelled())
            co_return;
    }
}

QCoro::Task<> MonitorController::lifecycleLoop() {
    // One event at a time: the next one waits in the stream until this refresh and scene
    // step are done. The loop lasts as long as the controller: the stream ends with it.
    const auto lifetime = m_lifetime;
    for (;;) {
        const auto event = co_await m_displayLifecycle->next();
        if (!event || lifetime->isCancelled())
            co_return;
        // Events that come while the monitor settles belong to the same change (a wake brings
        // several, a dock or a flapping cable a burst): wait until they stop, then read once. A
        // display that never calms down is read after a few rounds all the same.
        constexpr int settleRounds = 8;
        for (int round = 0; round < settleRounds; ++round) {
            if (!co_await pause(m_timings.lifecycleSettleDelay, lifetime))
                co_return;
            if (m_displayLifecycle->pendingCount() == 0)
                break;
            m_displayLifecycle->discardPending();
        }
        auto readBrightness = co_await readMonitor({});
        if (lifetime->isCancelled())
            co_return;

        // A monitor that has just woken may stay silent for seconds: try again, farther apart each
        // time, until it answers, the time is up, or the next event takes over.
        auto delay = m_timings.wakeRetryFirstDelay;
        auto waitedSoFar = std::chrono::milliseconds(0);
        while (readBrightness == false && waitedSoFar + delay <= m_timings.wakeRetryGiveUpAfter) {
            const auto nextEvent = makeCancelToken();
            const auto connection = connect(m_displayLifecycle.get(), &DisplayLifecycleEventSource::posted,
                                            m_displayLifecycle.get(), [nextEvent] { nextEvent->cancel(); });
            const bool retry = co_await pause(delay, nextEvent, lifetime);
            if (lifetime->isCancelled())
                co_return;
            disconnect(connection);
            if (!retry)
                break; // the new event gets a refresh of its own
            waitedSoFar += delay;
            delay *= 2;
            readBrightness = co_await readMonitor({});
            if (lifetime->isCancelled())
                co_return;
        }
        if (readBrightness == false)
            continue; // nothing known of the monitor now: no scene to apply to it
        co_await applyPreferredSceneForCurrentInput();
        if (lifetime->isCancelled())
            co_return;
    }
}
