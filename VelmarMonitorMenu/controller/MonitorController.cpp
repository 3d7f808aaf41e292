#include "MonitorController.h"

#include "AdaptiveBrightness.h"
#include "ControllerSettings.h"
#include "monitor/ColorPreset.h"
#include "NightMode.h"
#include "scenes/MonitorSceneStore.h"

#include <QCoreApplication>

MonitorController::MonitorController(MonitorSceneStore& sceneStore,
                                     BuiltInDisplayBrightnessReadingSource& brightnessReader,
                                     InputScenePreferenceStore& inputScenePreferences,
                                     MonitorControllerEnvironment environment, QObject* parent)
    : QObject(parent), m_displayName(tr("Velmar Monitor")), m_status(tr("Checking monitor…")),
      m_sceneStore(sceneStore), m_ddc(std::make_unique<DDCClient>(std::move(environment.helperLocator),
                                                                  environment.timings.helperTimeLimit,
                                                                  environment.timings.readRetryPause)),
      m_displayLifecycle(std::move(environment.displayLifecycle)),
      m_inputScenePreferences(inputScenePreferences), m_listedDisplay(std::move(environment.monitor)),
      m_readingHooks(std::move(environment.readingHooks)),
      m_settings(std::make_unique<ControllerSettings>(
          environment.settings, environment.timings.settingsCheckDelay,
          ControllerSettings::Groups{environment.programSettingsGroup, environment.monitorSettingsGroup})),
      m_nightMode(std::make_unique<NightMode>(
          *m_ddc, *m_settings,
          NightMode::Timings{environment.timings.readPause, environment.timings.valueSetWritePause},
          m_lifetime)),
      m_screens(std::move(environment.screens)), m_timings(environment.timings) {
    if (!m_displayLifecycle)
        m_displayLifecycle = std::make_unique<DisplayLifecycleEventSource>();
    if (!m_screens)
        m_screens = makeSystemScreenNameSource();
    if (!environment.now)
        environment.now = [] { return QDateTime::currentDateTimeUtc(); };
    if (environment.addressed)
        m_ddc->setDisplay(m_listedDisplay.id);
    m_perInputScenesEnabled = m_settings->perInputScenesEnabled();
    m_onScreenIndicatorEnabled = m_settings->onScreenIndicatorEnabled();
    m_adaptive = makeAdaptiveBrightness(brightnessReader, std::move(environment.now));
    forwardSignals();
}

std::unique_ptr<AdaptiveBrightness>
MonitorController::makeAdaptiveBrightness(BuiltInDisplayBrightnessReadingSource& reader,
                                          std::function<QDateTime()> now) {
    AdaptiveBrightness::Monitor monitor;
    // Night Mode reads the values it will put back, then writes its own: a sample between the
    // two would be lost on the way out of Night Mode, or undo its cap.
    monitor.isBusy = [this] { return isBusy() || m_readingHooksUnderWay > 0; };
    // Night Mode promises a dimmed monitor: adaptive brightness follows the panel below its cap.
    monitor.ceiling = [this] {
        return m_nightMode->isOn() ? std::optional<double>(NightMode::brightnessCap) : std::nullopt;
    };
    monitor.write = [this](int brightness) { return followBuiltInBrightness(brightness); };
    return std::make_unique<AdaptiveBrightness>(reader, *m_settings, std::move(monitor), std::move(now),
                                                m_timings.adaptiveSamplingInterval, m_lifetime);
}

void MonitorController::forwardSignals() {
    // What the concerns and the scene store announce, the views hear from the controller.
    connect(m_settings.get(), &ControllerSettings::errorChanged, this,
            &MonitorController::settingsErrorChanged);
    connect(m_nightMode.get(), &NightMode::isOnChanged, this, &MonitorController::isNightModeChanged);
    connect(m_nightMode.get(), &NightMode::isChangingChanged, this,
            &MonitorController::isChangingNightModeChanged);
    connect(m_nightMode.get(), &NightMode::isChangingChanged, this, &MonitorController::updateBusy);
    const auto* adaptive = m_adaptive.get();
    connect(adaptive, &AdaptiveBrightness::enabledChanged, this,
            &MonitorController::adaptiveBrightnessEnabledChanged);
    connect(adaptive, &AdaptiveBrightness::minimumChanged, this,
            &MonitorController::adaptiveMinimumBrightnessChanged);
    connect(adaptive, &AdaptiveBrightness::maximumChanged, this,
            &MonitorController::adaptiveMaximumBrightnessChanged);
    connect(adaptive, &AdaptiveBrightness::supportChanged, this,
            &MonitorController::adaptiveBrightnessSupportedChanged);
    connect(adaptive, &AdaptiveBrightness::pausedUntilChanged, this,
            &MonitorController::adaptiveBrightnessPausedUntilChanged);
    connect(adaptive, &AdaptiveBrightness::stateChanged, this,
            &MonitorController::adaptiveBrightnessStateChanged);
    connect(&m_sceneStore, &MonitorSceneStore::customScenesChanged, this, &MonitorController::scenesChanged);
}

MonitorController::~MonitorController() {
    // From here on every task of ours ends at its next resumption without touching us. Pauses
    // end at once; the event source ends its stream; the client kills and reaps its helper and
    // fails the commands queued behind it.
    m_lifetime->cancel();
    m_displayLifecycle.reset();
    m_ddc.reset();
}

const std::optional<QString>& MonitorController::settingsError() const {
    return m_settings->error();
}

QList<MonitorScene> MonitorController::scenes() const {
    return m_sceneStore.allScenes();
}

void MonitorController::setOnScreenIndicatorEnabled(bool enabled) {
    assign(m_onScreenIndicatorEnabled, enabled, &MonitorController::onScreenIndicatorEnabledChanged);
    m_settings->setOnScreenIndicatorEnabled(enabled);
}

double MonitorController::value(MonitorFeature feature) const {
    switch (feature) {
    case MonitorFeature::brightness:
        return m_brightness;
    case MonitorFeature::contrast:
        return m_contrast;
    case MonitorFeature::volume:
        return m_volume;
    case MonitorFeature::red:
        return m_red;
    case MonitorFeature::green:
        return m_green;
    case MonitorFeature::blue:
        return m_blue;
    }
    return 0;
}

void MonitorController::setValue(MonitorFeature feature, double value) {
    ++m_valueChoices[feature];
    storeValue(feature, value);
}

void MonitorController::storeValue(MonitorFeature feature, double value) {
    const auto [field, changed] = [&]() -> std::pair<double*, void (MonitorController::*)()> {
        switch (feature) {
        case MonitorFeature::brightness:
            return {&m_brightness, &MonitorController::brightnessChanged};
        case MonitorFeature::contrast:
            return {&m_contrast, &MonitorController::contrastChanged};
        case MonitorFeature::volume:
            return {&m_volume, &MonitorController::volumeChanged};
        case MonitorFeature::red:
            return {&m_red, &MonitorController::redChanged};
        case MonitorFeature::green:
            return {&m_green, &MonitorController::greenChanged};
        case MonitorFeature::blue:
            break;
        }
        return {&m_blue, &MonitorController::blueChanged};
    }();
    if (*field == value)
        return;
    *field = value;
    emit(this->*changed)();
    emit valueChanged(feature);
}

std::optional<ColorPreset> MonitorController::matchedPreset() const {
    return ColorPresets::matching(m_red, m_green, m_blue);
}

QString MonitorController::connectedStatus(const QString& withoutInput) const {
    if (m_activeInput)
        return tr("%1 • Connected").arg(MonitorInputs::title(*m_activeInput));
    return withoutInput;
}

void MonitorController::setActiveInput(std::optional<MonitorInput> input) {
    assign(m_activeInput, input, &MonitorController::activeInputChanged);
}

QList<MonitorInput> MonitorController::offeredInputs() const {
    if (m_reportedInputs.isEmpty())
        return {MonitorInputs::allCases.begin(), MonitorInputs::allCases.end()};
    return m_reportedInputs;
}

QStringList MonitorController::offeredInputRawValues() const {
    QStringList raw;
    for (const auto input : offeredInputs())
        raw << rawValue(input);
    return raw;
}

void MonitorController::setReportedInputs(QList<MonitorInput> inputs) {
    assign(m_reportedInputs, inputs, &MonitorController::offeredInputsChanged);
}

void MonitorController::forgetReadings() {
    if (!m_loadedFeatures.empty()) {
        m_loadedFeatures.clear();
        emit loadedFeaturesChanged();
    }
    setActiveInput(std::nullopt);
    setActiveSceneID(std::nullopt);
    m_inputRegister = InputRegister::unknown;
    m_inputsAsked = false;
    setReportedInputs({});
    setStatus(tr("Checking monitor…"), false);
}

void MonitorController::setStatus(const QString& status, bool hasError) {
    assign(m_status, status, &MonitorController::statusChanged);
    assign(m_hasError, hasError, &MonitorController::hasErrorChanged);
}

void MonitorController::setDisplayName(const QString& name) {
    assign(m_displayName, name, &MonitorController::displayNameChanged);
}

void MonitorController::setWorking(bool working) {
    assign(m_isWorking, working, &MonitorController::isWorkingChanged);
    updateBusy();
}

void MonitorController::setActiveSceneID(std::optional<QUuid> id) {
    assign(m_activeSceneID, id, &MonitorController::activeSceneIDChanged);
}

void MonitorController::setApplyingScene(bool applying) {
    assign(m_isApplyingScene, applying, &MonitorController::isApplyingSceneChanged);
    updateBusy();
}

void MonitorController::updateBusy() {
    assign(m_isBusy, m_isWorking || m_isApplyingScene || m_nightMode->isChanging(),
           &MonitorController::isBusyChanged);
}

void MonitorController::cancelPendingWrites() {
    for (auto& [feature, token] : m_pendingWrites)
        token->cancel();
    m_pendingWrites.clear();
    for (auto& [feature, writes] : m_featureWrites)
        writes.next.reset();
}

void MonitorController::markLoaded(MonitorFeature feature) {
    if (m_loadedFeatures.insert(feature).second)
        emit loadedFeaturesChanged();
}

QStringList MonitorController::loadedFeatureNames() const {
    QStringList names;
    for (auto feature : m_loadedFeatures)
        names.append(rawValue(feature));
    return names;
}
