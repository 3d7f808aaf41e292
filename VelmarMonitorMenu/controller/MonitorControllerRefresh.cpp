// Reading the monitor: the full refresh, input detection and the display name.
#include "MonitorController.h"

#include "async/Pause.h"

#include <limits>

namespace {
std::optional<int> asInt(qint64 value) {
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}
} // namespace

QCoro::Task<> MonitorController::refresh() {
    if (m_isWorking)
        co_return; // dropped, not queued: the running refresh reads everything anyway
    setWorking(true);
    detectDisplayName();

    std::optional<ClientError> firstError;
    bool firstRead = true;
    for (const auto feature : MonitorFeatures::allCases) {
        if (!std::exchange(firstRead, false))
            co_await pause(readPause);
        const auto result = co_await m_ddc->read(feature);
        if (result) {
            setValue(feature, static_cast<double>(result.value()));
            markLoaded(feature);
        } else if (!firstError) {
            firstError = result.error();
        }
    }

    if (const auto input = co_await detectActiveInput())
        setActiveInput(*input);

    // Only brightness decides: a monitor whose brightness answers is connected, even if some
    // other value could not be read this time.
    if (m_loadedFeatures.contains(MonitorFeature::brightness)) {
        setStatus(connectedStatus(tr("DDC/CI • Connected")), false);
        updateActiveSceneMatch();
    } else {
        setStatus(firstError ? firstError->errorDescription() : tr("Brightness is unavailable"), true);
    }
    setWorking(false);
}

QCoro::Task<std::optional<MonitorInput>> MonitorController::detectActiveInput() {
    // The vendor attribute names every input this monitor has; the standard one is the
    // fallback for firmware that does not answer it. One attempt each: input detection is a
    // bonus, not a reason to keep the monitor busy.
    const QStringList vendorQuery{QStringLiteral("get"), QStringLiteral("input-alt")};
    const auto vendor = co_await m_ddc->readValue(vendorQuery);
    if (vendor) {
        if (const auto code = asInt(vendor.value())) {
            if (const auto input = MonitorInputs::fromVendorCode(*code))
                co_return input;
        }
    }
    const QStringList standardQuery{QStringLiteral("get"), QStringLiteral("input")};
    const auto standard = co_await m_ddc->readValue(standardQuery);
    if (standard) {
        if (const auto code = asInt(standard.value()))
            co_return MonitorInputs::fromStandardCode(*code);
    }
    co_return std::nullopt;
}

void MonitorController::detectDisplayName() {
    const QStringList names = m_screens->screenNames();
    for (const auto& name : names) {
        if (name.contains(QLatin1String("Velmar"), Qt::CaseInsensitive))
            return setDisplayName(name);
    }
    for (const auto& name : names) {
        if (!name.contains(QLatin1String("Built-in"), Qt::CaseInsensitive))
            return setDisplayName(name);
    }
}
