// Start-up, re-reading the monitor after wake and display changes, and which monitor that is.
#include "MonitorController.h"

#include "AdaptiveBrightness.h"
#include "async/Pause.h"
#include "ControllerSettings.h"
#include "NightMode.h"
#include "RunningTask.h"
#include "scenes/InputScenePreferenceStore.h"

#include <QElapsedTimer>

using namespace std::chrono_literals;

QCoro::Task<> MonitorController::start() {
    if (m_hasStarted)
        co_return;
    m_hasStarted = true;
    const auto lifetime = m_lifetime;

    m_displayLifecycle->start();
    lifecycleLoop();
    co_await runReadingHook(m_readingHooks.before);
    if (lifetime->isCancelled())
        co_return;
    m_adaptive->start();

    co_await refresh();
    if (lifetime->isCancelled())
        co_return;
    co_await applyPreferredSceneForCurrentInput();
    if (lifetime->isCancelled())
        co_return;
    co_await runReadingHook(m_readingHooks.after);
}

QCoro::Task<> MonitorController::finishWork(std::chrono::milliseconds bound) {
    cancelPendingWrites();
    m_adaptive->stop();
    co_await waitWhile([this] { return !m_ddc->isIdle(); }, bound);
}

QCoro::Task<> MonitorController::waitWhile(std::function<bool()> busy, std::chrono::milliseconds bound) {
    const auto lifetime = m_lifetime;
    // Looked at every few milliseconds, and only while the program ends or the monitor changes.
    constexpr auto look = 10ms;
    QElapsedTimer waited;
    waited.start();
    while (busy() && waited.elapsed() < bound.count()) {
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
        co_await runReadingHook(m_readingHooks.before);
        if (lifetime->isCancelled())
            co_return;
        // The monitor may be another one now, or have new firmware: ask it again what it offers.
        m_inputsAsked = false;
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
        // Nothing known of the monitor now: no scene to apply to it.
        if (readBrightness != false) {
            co_await applyPreferredSceneForCurrentInput();
            if (lifetime->isCancelled())
                co_return;
        }
        co_await runReadingHook(m_readingHooks.after);
        if (lifetime->isCancelled())
            co_return;
    }
}

QCoro::Task<> MonitorController::runReadingHook(const std::function<QCoro::Task<>()>& hook) {
    if (!hook)
        co_return;
    const RunningTask listing(m_readingHooksUnderWay, m_lifetime);
    co_await hook();
}

QCoro::Task<Result<QList<ListedDisplay>>> MonitorController::listDisplays() {
    return m_ddc->listDisplays();
}

QCoro::Task<bool> MonitorController::standFor(ListedDisplay display, QString settingsGroup, bool addressed) {
    const auto lifetime = m_lifetime;
    // Before its first listing the controller stands for the monitor whose keys it was given.
    const bool sameMonitor = display.id == m_listedDisplay.id ||
                             (m_listedDisplay.id.isEmpty() && settingsGroup == m_settings->monitorGroup());
    const bool readAgain = !sameMonitor || addressed != isAddressed();
    if (!sameMonitor) {
        // A value meant for the old monitor must not reach the new one.
        cancelPendingWrites();
        const auto busy = [this] {
            return m_runningTasks > 0 || m_adaptive->isSampling() || !m_ddc->isIdle();
        };
        co_await waitWhile(busy, m_timings.helperTimeLimit);
        if (lifetime->isCancelled())
            co_return false;
        m_settings->setMonitorGroup(settingsGroup);
        m_inputScenePreferences.setStorageKey(settingsGroup +
                                              QLatin1String(InputScenePreferenceStore::defaultKey));
        m_nightMode->reload();
        assign(m_perInputScenesEnabled, m_settings->perInputScenesEnabled(),
               &MonitorController::perInputScenesEnabledChanged);
        forgetReadings();
    }
    m_listedDisplay = std::move(display);
    m_ddc->setDisplay(addressed ? std::optional<QString>(m_listedDisplay.id) : std::nullopt);
    detectDisplayName();
    co_return readAgain;
}
