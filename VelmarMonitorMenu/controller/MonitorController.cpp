#include "MonitorController.h"

#include "monitor/ColorPreset.h"
#include "MonitorSettings.h"
#include "NightMode.h"
#include "scenes/InputScenePreferenceStore.h"
#include "scenes/MonitorSceneStore.h"
#include "SettingsFile.h"

#include <QSettings>

MonitorController::MonitorController(MonitorSceneStore& sceneStore, MonitorControllerEnvironment environment,
                                     QObject* parent)
    : QObject(parent), m_displayName(tr("Velmar Monitor")), m_status(tr("Checking monitor…")),
      m_id(std::move(environment.monitor)), m_sceneStore(sceneStore), m_settingsFile(environment.settings),
      m_ddc(std::make_unique<DDCClient>(std::move(environment.helperLocator),
                                        environment.timings.helperTimeLimit,
                                        environment.timings.readRetryPause)),
      m_screens(std::move(environment.screens)), m_timings(environment.timings) {
    if (!m_settingsFile) {
        m_ownSettings = std::make_unique<SettingsFile>(nullptr, m_timings.settingsCheckDelay);
        m_settingsFile = m_ownSettings.get();
    }
    m_settings = std::make_unique<MonitorSettings>(*m_settingsFile, environment.settingsGroup);
    m_inputScenePreferences = std::make_unique<InputScenePreferenceStore>(m_settingsFile->settings(),
                                                                          m_settings->inputScenePreferencesKey());
    m_nightMode = std::make_unique<NightMode>(
        *m_ddc, *m_settings, NightMode::Timings{m_timings.readPause, m_timings.valueSetWritePause}, m_lifetime);
    if (!m_screens)
        m_screens = makeSystemScreenNameSource();
    if (environment.addressed && !m_id.isEmpty())
        m_ddc->setDisplay(m_id);
    m_perInputScenesEnabled = m_settings->perInputScenesEnabled();

    connect(m_nightMode.get(), &NightMode::isOnChanged, this, &MonitorController::isNightModeChanged);
    connect(m_nightMode.get(), &NightMode::isChangingChanged, this,
            &MonitorController::isChangingNightModeChanged);
    connect(m_nightMode.get(), &NightMode::isChangingChanged, this, &MonitorController::updateBusy);
    connect(&m_sceneStore, &MonitorSceneStore::customScenesChanged, this, &MonitorController::scenesChanged);
}

MonitorController::~MonitorController() {
    // From here on every task of ours ends at its next resumption without touching us. Pauses
    // end at once; the client kills its helper and fails the commands queued behind it.
    m_lifetime->cancel();
    m_ddc.reset();
}

bool MonitorController::isAddressed() const {
    return m_ddc->display().has_value();
}

void MonitorController::learnIdentity(const QString& id, const QString& settingsGroup) {
    if (!m_id.isEmpty() || id.isEmpty())
        return;
    m_id = id;
    if (settingsGroup != m_settings->group()) {
        // The monitor is another than the one whose keys it was given (replaced while the program
        // was not running): what it reads stays, and its own keys are its settings from now on.
        m_settings->setGroup(settingsGroup);
        m_inputScenePreferences->setStorageKey(m_settings->inputScenePreferencesKey());
        // A Night Mode change under way writes its outcome under the new keys when it ends.
        if (!m_nightMode->isChanging())
            m_nightMode->reload();
        assign(m_perInputScenesEnabled, m_settings->perInputScenesEnabled(),
               &MonitorController::perInputScenesEnabledChanged);
    }
    emit idChanged();
}

void MonitorController::setAddressed(bool addressed) {
    m_ddc->setDisplay(addressed && !m_id.isEmpty() ? std::optional<QString>(m_id) : std::nullopt);
    detectDisplayName();
}

void MonitorController::setListedName(const QString& name) {
    m_listedName = name;
    detectDisplayName();
}

bool MonitorController::isIdle() const {
    return m_writes.runningTasks == 0 && m_ddc->isIdle();
}

QList<MonitorScene> MonitorController::scenes() const {
    return m_sceneStore.allScenes();
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
    ++m_writes.valueChoices[feature];
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
    if (m_input.reported.isEmpty())
        return {MonitorInputs::allCases.begin(), MonitorInputs::allCases.end()};
    return m_input.reported;
}

void MonitorController::setReportedInputs(QList<MonitorInput> inputs) {
    assign(m_input.reported, inputs, &MonitorController::offeredInputsChanged);
}

void MonitorController::setStatus(const QString& status, bool hasError) {
    // Both stand before either is announced: a view never sees the new text with the old flag.
    const bool statusChanged = std::exchange(m_status, status) != status;
    const bool errorChanged = std::exchange(m_hasError, hasError) != hasError;
    if (statusChanged)
        emit this->statusChanged();
    if (errorChanged)
        emit hasErrorChanged();
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

void MonitorController::markLoaded(MonitorFeature feature) {
    if (m_loadedFeatures.insert(feature).second)
        emit loadedFeaturesChanged();
}
