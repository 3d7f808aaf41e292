// Reading the monitor: the full refresh, input detection and the display name.
#include "MonitorController.h"

#include "monitor/InputSourceList.h"
#include "PacedCommands.h"
#include "RunningTask.h"

#include <limits>

namespace {
std::optional<int> asInt(qint64 value) {
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}
} // namespace

QCoro::Task<> MonitorController::refresh(CancelToken cancel) {
    co_await readMonitor(std::move(cancel));
}

QCoro::Task<std::optional<bool>> MonitorController::readMonitor(CancelToken cancel) {
    if (m_isWorking)
        co_return std::nullopt; // dropped, not queued: the running refresh reads everything anyway
    const auto lifetime = m_lifetime;
    const RunningTask running(m_runningTasks, m_lifetime);
    setWorking(true);
    detectDisplayName();

    // A failing read does not stop the refresh: the other values still arrive.
    const std::vector<MonitorFeature> features(MonitorFeatures::allCases.begin(),
                                               MonitorFeatures::allCases.end());
    // A value chosen while its read was under way, or one still on its way to the monitor, is
    // newer than what the read brings back: it stands, and the next refresh reads the monitor again.
    std::map<MonitorFeature, quint64> choicesWhenRead;
    const auto read = [this, cancel, &choicesWhenRead](MonitorFeature feature) {
        choicesWhenRead[feature] = m_valueChoices[feature];
        return m_ddc->read(feature, cancel);
    };
    bool readBrightness = false;
    const auto store = [this, &readBrightness, &choicesWhenRead](MonitorFeature feature, qint64 value) {
        if (m_valueChoices[feature] == choicesWhenRead[feature] && !isWriteUnderWay(feature))
            storeValue(feature, static_cast<double>(value));
        markLoaded(feature);
        readBrightness = readBrightness || feature == MonitorFeature::brightness;
    };
    const auto firstError =
        co_await runPaced(features, m_timings.readPause, OnFailure::carryOn, lifetime, read, store);
    if (lifetime->isCancelled())
        co_return false;

    const auto inputChoicesWhenRead = m_inputChoices;
    const auto input = co_await detectActiveInput();
    if (lifetime->isCancelled())
        co_return false;
    // An input switched to meanwhile stands, and so does the scene step that follows it.
    if (input && m_inputChoices == inputChoicesWhenRead)
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
    // The vendor attribute names every input this monitor has; the standard one is the
    // fallback for firmware that does not answer it. One attempt each: input detection is a
    // bonus, not a reason to keep the monitor busy.
    const auto lifetime = m_lifetime;
    const QStringList vendorQuery{QStringLiteral("get"), QStringLiteral("input-alt")};
    const auto vendor = co_await m_ddc->readValue(vendorQuery);
    if (lifetime->isCancelled())
        co_return std::nullopt;
    if (vendor) {
        if (const auto code = asInt(vendor.value())) {
            if (const auto input = MonitorInputs::fromVendorCode(*code)) {
                m_inputRegister = InputRegister::vendor;
                co_return input;
            }
        }
    }
    const QStringList standardQuery{QStringLiteral("get"), QStringLiteral("input")};
    const auto standard = co_await m_ddc->readValue(standardQuery);
    if (lifetime->isCancelled())
        co_return std::nullopt;
    if (standard) {
        if (const auto code = asInt(standard.value())) {
            const auto input = MonitorInputs::fromStandardCode(*code);
            if (input && m_inputRegister == InputRegister::unknown)
                m_inputRegister = InputRegister::standard;
            co_return input;
        }
    }
    co_return std::nullopt;
}

QCoro::Task<> MonitorController::askForOfferedInputs() {
    // A Velmar monitor has every input, and its command lines stay as they always were.
    if (m_inputRegister != InputRegister::standard || m_inputsAsked)
        co_return;
    m_inputsAsked = true;
    const auto lifetime = m_lifetime;
    const auto codes = co_await m_ddc->inputSources();
    if (lifetime->isCancelled())
        co_return;
    // No answer offers every input, as before the question.
    setReportedInputs(codes ? InputSourceList::inputsAmong(codes.value()) : QList<MonitorInput>{});
}

void MonitorController::detectDisplayName() {
    // Among several monitors the screens cannot tell which is ours; the helper's list can.
    if (isAddressed() && !m_listedDisplay.name.isEmpty())
        return setDisplayName(m_listedDisplay.name);
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
