// Reading the monitor: the first reading, the full refresh, the reading after a wake or display
// change, input detection and the display name.
#include "MonitorController.h"

#include "async/Pause.h"
#include "monitor/InputSourceList.h"
#include "PacedCommands.h"
#include "RunningTask.h"

#include <QElapsedTimer>

#include <limits>

using namespace std::chrono_literals;

namespace {
std::optional<int> asInt(qint64 value) {
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}
} // namespace

QCoro::Task<> MonitorController::start() {
    if (std::exchange(m_hasStarted, true))
        co_return;
    const auto lifetime = m_lifetime;
    co_await refresh();
    if (lifetime->isCancelled())
        co_return;
    co_await applyPreferredSceneForCurrentInput();
}

QCoro::Task<bool> MonitorController::readAfterChange(CancelToken interrupted) {
    const auto lifetime = m_lifetime;
    const RunningTask running(m_writes.runningTasks, lifetime);
    // The monitor may have new firmware, or be back after a while: ask it again what it offers.
    m_input.asked = false;
    auto readBrightness = co_await readMonitor({});
    if (lifetime->isCancelled())
        co_return false;

    // A monitor that has just woken may stay silent for seconds: try again, farther apart each
    // time, until it answers, the time is up, or a newer event takes over.
    auto delay = m_timings.wakeRetryFirstDelay;
    auto waitedSoFar = 0ms;
    while (readBrightness == false && waitedSoFar + delay <= m_timings.wakeRetryGiveUpAfter) {
        const bool retry = co_await pause(delay, interrupted, lifetime);
        if (lifetime->isCancelled() || !retry)
            co_return false; // the newer event gets a reading of its own
        waitedSoFar += delay;
        delay *= 2;
        readBrightness = co_await readMonitor({});
        if (lifetime->isCancelled())
            co_return false;
    }
    // Nothing known of the monitor now: no scene to apply to it.
    if (readBrightness == false)
        co_return false;
    co_await applyPreferredSceneForCurrentInput();
    co_return readBrightness.value_or(true);
}

QCoro::Task<> MonitorController::finishWork(std::chrono::milliseconds bound) {
    m_writes.cancelPending();
    const auto lifetime = m_lifetime;
    // Looked at every few milliseconds, and only while the program ends.
    constexpr auto look = 10ms;
    QElapsedTimer waited;
    waited.start();
    while (!m_ddc->isIdle() && waited.elapsed() < bound.count()) {
        co_await pause(look, lifetime);
        if (lifetime->isCancelled())
            co_return;
    }
}

QCoro::Task<> MonitorController::refresh(CancelToken cancel) {
    co_await readMonitor(std::move(cancel));
}

QCoro::Task<std::optional<bool>> MonitorController::readMonitor(CancelToken cancel) {
    if (m_isWorking)
        co_return std::nullopt; // dropped, not queued: the running refresh reads everything anyway
    const auto lifetime = m_lifetime;
    const RunningTask running(m_writes.runningTasks, m_lifetime);
    setWorking(true);
    detectDisplayName();

    // A failing read does not stop the refresh: the other values still arrive.
    const std::vector<MonitorFeature> features(MonitorFeatures::allCases.begin(),
                                               MonitorFeatures::allCases.end());
    // A value chosen while its read was under way, or one still on its way to the monitor, is
    // newer than what the read brings back: it stands, and the next refresh reads the monitor again.
    std::map<MonitorFeature, quint64> choicesWhenRead;
    const auto read = [this, cancel, &choicesWhenRead](MonitorFeature feature) {
        choicesWhenRead[feature] = m_writes.valueChoices[feature];
        return m_ddc->read(feature, cancel);
    };
    bool readBrightness = false;
    const auto store = [this, &readBrightness, &choicesWhenRead](MonitorFeature feature, qint64 value) {
        if (m_writes.valueChoices[feature] == choicesWhenRead[feature] && !m_writes.isUnderWay(feature))
            storeValue(feature, static_cast<double>(value));
        markLoaded(feature);
        readBrightness = readBrightness || feature == MonitorFeature::brightness;
    };
    const auto firstError =
        co_await runPaced(features, m_timings.readPause, OnFailure::carryOn, lifetime, read, store);
    if (lifetime->isCancelled())
        co_return false;

    const auto inputChoicesWhenRead = m_writes.inputChoices;
    const auto input = co_await detectActiveInput();
    if (lifetime->isCancelled())
        co_return false;
    // An input switched to meanwhile stands, and so does the scene step that follows it.
    if (input && m_writes.inputChoices == inputChoicesWhenRead)
        setActiveInput(*input);

    // Only brightness decides: a monitor whose brightness answers is connected, even if some
    // other value could not be read this time. It must have answered this time: a brightness
    // read an hour ago says nothing about a monitor that has since gone quiet.
    if (readBrightness) {
        setStatus(connectedStatus(tr("DDC/CI • Connected")), false);
        updateActiveSceneMatch();
        // Only a monitor that answers now: a silent one would fail the question and lose its turn.
        co_await askForOfferedInputs();
        if (lifetime->isCancelled())
            co_return false;
    } else {
        setStatus(firstError ? firstError->errorDescription() : tr("Brightness is unavailable"), true);
    }
    setWorking(false);
    co_return readBrightness;
}

QCoro::Task<std::optional<MonitorInput>> MonitorController::detectActiveInput() {
    // The vendor register names every input a Velmar monitor has; the standard one is the
    // fallback for firmware that does not answer it, and the only one other makes have. One
    // attempt each: input detection is a bonus, not a reason to keep the monitor busy.
    const auto lifetime = m_lifetime;
    const QStringList vendorQuery{QStringLiteral("get"), QStringLiteral("input-alt")};
    const auto vendor = co_await m_ddc->readValue(vendorQuery);
    if (lifetime->isCancelled())
        co_return std::nullopt;
    if (vendor) {
        if (const auto code = asInt(vendor.value())) {
            if (const auto input = MonitorInputs::fromVendorCode(*code)) {
                m_input.kind = InputRegister::Kind::vendor;
                co_return input;
            }
        }
    }
    const QStringList standardQuery{QStringLiteral("get"), QStringLiteral("input")};
    const auto standard = co_await m_ddc->readValue(standardQuery);
    if (lifetime->isCancelled() || !standard)
        co_return std::nullopt;
    // Any answer, even an input outside our table (DVI, VGA), says the standard register works.
    if (m_input.kind == InputRegister::Kind::unknown)
        m_input.kind = InputRegister::Kind::standard;
    if (const auto code = asInt(standard.value()))
        co_return MonitorInputs::fromStandardCode(*code);
    co_return std::nullopt;
}

QCoro::Task<> MonitorController::askForOfferedInputs() {
    // A Velmar monitor has every input, and its command lines stay as they always were.
    if (m_input.kind != InputRegister::Kind::standard || m_input.asked)
        co_return;
    m_input.asked = true;
    const auto lifetime = m_lifetime;
    const auto codes = co_await m_ddc->inputSources();
    if (lifetime->isCancelled())
        co_return;
    // No answer offers every input, as before the question.
    setReportedInputs(codes ? InputSourceList::inputsAmong(codes.value()) : QList<MonitorInput>{});
}

void MonitorController::detectDisplayName() {
    // Among several monitors the screens cannot tell which is ours; the helper's list can.
    if (isAddressed() && !m_listedName.isEmpty())
        return setDisplayName(m_listedName);
    const auto screens = m_screens->screens();
    for (const auto& screen : screens) {
        if (screen.name.contains(QLatin1String("Velmar"), Qt::CaseInsensitive))
            return setDisplayName(screen.name);
    }
    for (const auto& screen : screens) {
        if (!screen.isBuiltIn)
            return setDisplayName(screen.name);
    }
}
