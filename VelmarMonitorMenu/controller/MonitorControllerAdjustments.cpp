// Changes the user makes directly: slider drags and releases, colour presets, input switches;
// and the brightness that linked monitors and adaptive brightness choose.
#include "MonitorController.h"

#include "async/Pause.h"
#include "monitor/ColorPreset.h"
#include "MonitorValue.h"
#include "PacedCommands.h"
#include "RunningTask.h"

namespace {
QCoro::Task<Result<void>> refused(QString text) {
    co_return ClientError::failed(std::move(text));
}
} // namespace

void MonitorController::markManualChange() {
    setActiveSceneID(std::nullopt);
    emit adjustedByHand();
}

void MonitorController::setLive(MonitorFeature feature, double value) {
    setValue(feature, value);
    markManualChange();
    writeLive(feature, value);
    if (feature == MonitorFeature::brightness)
        emit brightnessChosen(value, true);
}

void MonitorController::set(MonitorFeature feature, double value) {
    setValue(feature, value);
    markManualChange();
    writeNewest(feature, value);
    if (feature == MonitorFeature::brightness)
        emit brightnessChosen(value, false);
}

void MonitorController::followBrightness(double brightness, bool live) {
    setValue(MonitorFeature::brightness, brightness);
    setActiveSceneID(std::nullopt);
    if (live)
        writeLive(MonitorFeature::brightness, brightness);
    else
        writeNewest(MonitorFeature::brightness, brightness);
}

void MonitorController::writeLive(MonitorFeature feature, double value) {
    if (const auto pending = m_writes.pending.find(feature); pending != m_writes.pending.end())
        pending->second->cancel();
    auto token = makeCancelToken();
    m_writes.pending[feature] = token;
    liveWrite(feature, value, std::move(token));
}

QCoro::Task<> MonitorController::liveWrite(MonitorFeature feature, double value, CancelToken token) {
    // Only a value that stood still for the whole delay is written. Once the write has begun a
    // cancel no longer stops it; a later value is then written after it, in order.
    const RunningTask running(m_writes.runningTasks, m_lifetime);
    const bool waited = co_await pause(m_timings.liveWriteDelay, token, m_lifetime);
    if (!waited)
        co_return;
    m_writes.pending.erase(feature); // the value is on its way: nothing pends any more
    writeNewest(feature, value);
}

void MonitorController::writeNewest(MonitorFeature feature, double value) {
    if (const auto pending = m_writes.pending.find(feature); pending != m_writes.pending.end()) {
        pending->second->cancel();
        m_writes.pending.erase(pending);
    }
    auto& writes = m_writes.features[feature];
    if (writes.writing) {
        writes.next = value; // replaces any value still waiting: only the newest is worth writing
        return;
    }
    writes.writing = true;
    writeFeature(feature, value);
}

QCoro::Task<> MonitorController::writeFeature(MonitorFeature feature, double value) {
    const auto lifetime = m_lifetime;
    const RunningTask running(m_writes.runningTasks, m_lifetime);
    for (std::optional<double> next = value; next;) {
        co_await performWrite(feature, *next);
        if (lifetime->isCancelled())
            co_return;
        next = std::exchange(m_writes.features[feature].next, std::nullopt);
    }
    m_writes.features[feature].writing = false;
}

QCoro::Task<Result<void>> MonitorController::performWrite(MonitorFeature feature, double value) {
    const auto lifetime = m_lifetime;
    const RunningTask running(m_writes.runningTasks, m_lifetime);
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

QCoro::Task<bool> MonitorController::writeAdaptiveBrightness(int brightness, QString status) {
    const auto lifetime = m_lifetime;
    const RunningTask running(m_writes.runningTasks, m_lifetime);
    const auto result = co_await m_ddc->write(MonitorFeature::brightness, brightness);
    if (lifetime->isCancelled())
        co_return false;
    if (!result) {
        setStatus(result.error().errorDescription(), true);
        co_return false;
    }
    setValue(MonitorFeature::brightness, brightness);
    setActiveSceneID(std::nullopt);
    markLoaded(MonitorFeature::brightness);
    setStatus(status, false);
    emit brightnessChosen(brightness, false); // monitors linked to this one follow
    co_return true;
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
    const RunningTask running(m_writes.runningTasks, m_lifetime);
    const std::vector<std::pair<MonitorFeature, double>> writes{{MonitorFeature::red, gains.red},
                                                                {MonitorFeature::green, gains.green},
                                                                {MonitorFeature::blue, gains.blue}};
    const auto write = [this](const auto& gain) { return performWrite(gain.first, gain.second); };
    const auto nothingMore = [](const auto&) {};
    co_await runPaced(writes, m_timings.presetWritePause, OnFailure::carryOn, m_lifetime, write, nothingMore);
}

QCoro::Task<Result<void>> MonitorController::selectInput(MonitorInput input) {
    switch (m_input.kind) {
    case InputRegister::Kind::vendor:
        return m_ddc->setVelmarInput(input);
    case InputRegister::Kind::standard:
        return m_ddc->setStandardInput(input);
    case InputRegister::Kind::unknown:
        break;
    }
    // Neither register has answered: a vendor command could mean something else to another make's
    // monitor, and the standard one may not be this monitor's way either.
    return refused(
        tr("The monitor's input has not been read yet, so it cannot be switched. Refresh and try again."));
}

void MonitorController::setInput(MonitorInput input) {
    ++m_writes.inputChoices;
    const auto previous = m_activeInput;
    setActiveInput(input);
    setStatus(tr("Switching to %1…").arg(MonitorInputs::title(input)), false);
    if (m_writes.switchingInput) {
        // Replaces a switch still waiting: the monitor need not pass through inputs no one wants now.
        const auto waiting = std::exchange(m_writes.nextInputSwitch, std::nullopt);
        m_writes.nextInputSwitch = MonitorWrites::InputSwitch{input, waiting ? waiting->previous : previous};
        return;
    }
    m_writes.switchingInput = true;
    switchInputs({input, previous});
}

QCoro::Task<> MonitorController::switchInputs(MonitorWrites::InputSwitch first) {
    const auto lifetime = m_lifetime;
    const RunningTask running(m_writes.runningTasks, m_lifetime);
    for (std::optional<MonitorWrites::InputSwitch> current = first; current;) {
        const auto result = co_await selectInput(current->input);
        if (lifetime->isCancelled())
            co_return;
        auto next = std::exchange(m_writes.nextInputSwitch, std::nullopt);
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
                next = std::exchange(m_writes.nextInputSwitch, std::nullopt);
            }
        }
        current = next;
    }
    m_writes.switchingInput = false;
}
