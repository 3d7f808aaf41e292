// Changes the user makes directly: slider drags and releases, colour presets, input switches.
#include "MonitorController.h"

#include "AdaptiveBrightness.h"
#include "async/Pause.h"
#include "monitor/ColorPreset.h"
#include "MonitorValue.h"
#include "PacedCommands.h"
#include "RunningTask.h"

void MonitorController::markManualChange() {
    setActiveSceneID(std::nullopt);
    m_adaptive->pauseAfterManualChange();
}

void MonitorController::setLive(MonitorFeature feature, double value) {
    setValue(feature, value);
    markManualChange();
    if (const auto pending = m_pendingWrites.find(feature); pending != m_pendingWrites.end())
        pending->second->cancel();
    auto token = makeCancelToken();
    m_pendingWrites[feature] = token;
    liveWrite(feature, value, std::move(token));
    if (feature == MonitorFeature::brightness)
        emit brightnessChosen(value, true);
}

QCoro::Task<> MonitorController::liveWrite(MonitorFeature feature, double value, CancelToken token) {
    // Only a value that stood still for the whole delay is written. Once the write has begun a
    // cancel no longer stops it; a later value is then written after it, in order.
    const RunningTask running(m_runningTasks, m_lifetime);
    const bool waited = co_await pause(m_timings.liveWriteDelay, token, m_lifetime);
    if (!waited)
        co_return;
    m_pendingWrites.erase(feature); // the value is on its way: nothing pends any more
    writeNewest(feature, value);
}

void MonitorController::set(MonitorFeature feature, double value) {
    setValue(feature, value);
    markManualChange();
    if (const auto pending = m_pendingWrites.find(feature); pending != m_pendingWrites.end()) {
        pending->second->cancel();
        m_pendingWrites.erase(pending);
    }
    writeNewest(feature, value);
    if (feature == MonitorFeature::brightness)
        emit brightnessChosen(value, false);
}

bool MonitorController::isWriteUnderWay(MonitorFeature feature) const {
    const auto writes = m_featureWrites.find(feature);
    return m_pendingWrites.contains(feature) || (writes != m_featureWrites.end() && writes->second.writing);
}

void MonitorController::writeNewest(MonitorFeature feature, double value) {
    auto& writes = m_featureWrites[feature];
    if (writes.writing) {
        writes.next = value; // replaces any value still waiting: only the newest is worth writing
        return;
    }
    writes.writing = true;
    writeFeature(feature, value);
}

QCoro::Task<> MonitorController::writeFeature(MonitorFeature feature, double value) {
    const auto lifetime = m_lifetime;
    const RunningTask running(m_runningTasks, m_lifetime);
    for (std::optional<double> next = value; next;) {
        co_await performWrite(feature, *next);
        if (lifetime->isCancelled())
            co_return;
        next = std::exchange(m_featureWrites[feature].next, std::nullopt);
    }
    m_featureWrites[feature].writing = false;
}

QCoro::Task<Result<void>> MonitorController::performWrite(MonitorFeature feature, double value) {
    const auto lifetime = m_lifetime;
    const RunningTask running(m_runningTasks, m_lifetime);
    const auto result = co_await m_ddc->write(feature, wholeMonitorValue(value));
    if (lifetime->isCancelled())
        co_return ClientError::cancelled();
    if (!result) {
        // The slider keeps the user's value; nothing is read back or retried.
        setStatus(result.error().errorDescription(), true);
        co_return result;
    }
    markLoaded(feature);
    setStatus(connectedStatus(tr("Connected via DDC/CI")), false);
    updateActiveSceneMatch();
    co_return result;
}

void MonitorController::applyPreset(ColorPreset preset) {
    markManualChange();
    const auto gains = ColorPresets::gains(preset);
    setValue(MonitorFeature::red, gains.red);
    setValue(MonitorFeature::green, gains.green);
    setValue(MonitorFeature::blue, gains.blue);
    writePreset(gains);
}

QCoro::Task<> MonitorController::writePreset(ColorGains gains) {
    // Each write reports its own status and a failure does not stop the next gain.
    const RunningTask running(m_runningTasks, m_lifetime);
    const std::vector<std::pair<MonitorFeature, double>> writes{{MonitorFeature::red, gains.red},
                                                                {MonitorFeature::green, gains.green},
                                                                {MonitorFeature::blue, gains.blue}};
    const auto write = [this](const auto& gain) { return performWrite(gain.first, gain.second); };
    const auto nothingMore = [](const auto&) {};
    co_await runPaced(writes, m_timings.presetWritePause, OnFailure::carryOn, m_lifetime, write, nothingMore);
}

QCoro::Task<Result<void>> MonitorController::selectInput(MonitorInput input) {
    return m_inputRegister == InputRegister::standard ? m_ddc->setStandardInput(input)
                                                      : m_ddc->setVelmarInput(input);
}

void MonitorController::setInput(MonitorInput input) {
    ++m_inputChoices;
    const auto previous = m_activeInput;
    setActiveInput(input);
    assign(m_status, tr("Switching to %1…").arg(MonitorInputs::title(input)),
           &MonitorController::statusChanged);
    if (m_switchingInput) {
        // Replaces a switch still waiting: the monitor need not pass through inputs no one wants now.
        const auto waiting = std::exchange(m_nextInputSwitch, std::nullopt);
        m_nextInputSwitch = InputSwitch{input, waiting ? waiting->previous : previous};
        return;
    }
    m_switchingInput = true;
    switchInputs({input, previous});
}

QCoro::Task<> MonitorController::switchInputs(InputSwitch first) {
    const auto lifetime = m_lifetime;
    const RunningTask running(m_runningTasks, m_lifetime);
    for (std::optional<InputSwitch> current = first; current;) {
        const auto result = co_await selectInput(current->input);
        if (lifetime->isCancelled())
            co_return;
        auto next = std::exchange(m_nextInputSwitch, std::nullopt);
        if (!result) {
            setStatus(result.error().errorDescription(), true);
            if (next)
                next->previous = current->previous; // the monitor never left that input
            else
                setActiveInput(current->previous);
        } else {
            setStatus(tr("%1 • Connected").arg(MonitorInputs::title(current->input)), false);
            if (!next) {
                co_await applyPreferredSceneForCurrentInput();
                if (lifetime->isCancelled())
                    co_return;
                next = std::exchange(m_nextInputSwitch, std::nullopt);
            }
        }
        current = next;
    }
    m_switchingInput = false;
}
