#include "MonitorController.h"

#include "async/SerialQueue.h"
#include "SettingsKeys.h"
#include "system/SettingsSync.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

// A stored switch is a Boolean (the INI file keeps it as the word "true" or "false"); anything
// else under the key, a number or a word, is damage and counts as off, not as on.
bool storedSwitch(const QSettings& settings, const char* key) {
    const QVariant value = settings.value(QLatin1String(key));
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    return value.typeId() == QMetaType::QString && value.toString() == QLatin1String("true");
}

// A stored brightness limit is taken as it stands (0 included), brought within 0...100; only a
// missing, non-numeric or infinite value keeps the default.
std::optional<double> storedLimit(const QSettings& settings, const char* key) {
    if (!settings.contains(QLatin1String(key)))
        return std::nullopt;
    bool ok = false;
    const double value = settings.value(QLatin1String(key)).toDouble(&ok);
    // "nan" and "inf" read as numbers too, and no limit can be drawn from them.
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return std::clamp(value, 0.0, 100.0);
}
} // namespace

MonitorController::MonitorController(MonitorSceneStore& sceneStore,
                                     BuiltInDisplayBrightnessReadingSource& brightnessReader,
                                     InputScenePreferenceStore& inputScenePreferences,
                                     MonitorControllerEnvironment environment, QObject* parent)
    : QObject(parent), m_displayName(tr("Velmar Monitor")), m_status(tr("Checking monitor…")),
      m_sceneStore(sceneStore), m_ddc(std::make_unique<DDCClient>(std::move(environment.helperLocator),
                                                                  environment.timings.helperTimeLimit,
                                                                  environment.timings.readRetryPause)),
      m_displayLifecycle(std::move(environment.displayLifecycle)), m_brightnessReader(brightnessReader),
      m_inputScenePreferences(inputScenePreferences), m_adaptiveSamples(std::make_shared<SerialQueue>()),
      m_settings(environment.settings), m_screens(std::move(environment.screens)),
      m_now(std::move(environment.now)), m_timings(environment.timings) {
    if (!m_settings) {
        m_ownSettings = std::make_unique<QSettings>();
        m_settings = m_ownSettings.get();
    }
    if (!m_displayLifecycle)
        m_displayLifecycle = std::make_unique<DisplayLifecycleEventSource>();
    if (!m_screens)
        m_screens = makeSystemScreenNameSource();
    if (!m_now)
        m_now = [] { return QDateTime::currentDateTimeUtc(); };
    m_settingsCheck.setSingleShot(true);
    m_settingsCheck.setInterval(m_timings.settingsCheckDelay);
    connect(&m_settingsCheck, &QTimer::timeout, this, &MonitorController::checkSettingsSaved);
    connect(&m_sceneStore, &MonitorSceneStore::customScenesChanged, this, &MonitorController::scenesChanged);
    loadSettings();
}

MonitorController::~MonitorController() {
    // From here on every task of ours ends at its next resumption without touching us. Pauses
    // end at once; the event source ends its stream; the client kills and reaps its helper and
    // fails the commands queued behind it.
    m_lifetime->cancel();
    m_displayLifecycle.reset();
    m_ddc.reset();
    if (m_settingsCheck.isActive())
        m_settings->sync();
}

void MonitorController::storeSetting(const char* key, const QVariant& value) {
    keepSettingsFile(*m_settings);
    m_settings->setValue(QLatin1String(key), value);
    m_settingsCheck.start(); // QSettings writes on its own; we only look at how that went
}

void MonitorController::removeSetting(const char* key) {
    keepSettingsFile(*m_settings);
    m_settings->remove(QLatin1String(key));
    m_settingsCheck.start();
}

void MonitorController::checkSettingsSaved() {
    // A lost write would bring back, say, Night Mode's way out only until the next restart.
    if (syncSettings(*m_settings))
        setSettingsError(std::nullopt);
    else
        setSettingsError(tr("Could not save your settings: the settings file is not writable."));
}

void MonitorController::loadSettings() {
    m_adaptiveBrightnessEnabled = storedSwitch(*m_settings, SettingsKeys::adaptiveBrightnessEnabled);
    m_perInputScenesEnabled = storedSwitch(*m_settings, SettingsKeys::perInputScenesEnabled);
    // On unless the user turned it off.
    if (m_settings->contains(QLatin1String(SettingsKeys::onScreenIndicatorEnabled)))
        m_onScreenIndicatorEnabled = storedSwitch(*m_settings, SettingsKeys::onScreenIndicatorEnabled);
    if (const auto minimum = storedLimit(*m_settings, SettingsKeys::adaptiveMinimumBrightness))
        m_adaptiveMinimumBrightness = *minimum;
    if (const auto maximum = storedLimit(*m_settings, SettingsKeys::adaptiveMaximumBrightness))
        m_adaptiveMaximumBrightness = *maximum;

    // Night Mode survives a restart only with a readable snapshot to return to; the monitor is
    // taken to still show the night values, so nothing is read or written here.
    if (storedSwitch(*m_settings, SettingsKeys::nightModeEnabled)) {
        const auto data = m_settings->value(QLatin1String(SettingsKeys::nightModeSnapshot));
        if (data.typeId() == QMetaType::QByteArray) {
            if (const auto snapshot = NightModeSnapshot::fromJson(data.toByteArray())) {
                m_isNightMode = true;
                m_nightModeSnapshot = snapshot;
            }
        }
    }
}

void MonitorController::setOnScreenIndicatorEnabled(bool enabled) {
    assign(m_onScreenIndicatorEnabled, enabled, &MonitorController::onScreenIndicatorEnabledChanged);
    storeSetting(SettingsKeys::onScreenIndicatorEnabled, enabled);
}

QDateTime MonitorController::now() const {
    return m_now();
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

void MonitorController::setStatus(const QString& status, bool hasError) {
    assign(m_status, status, &MonitorController::statusChanged);
    assign(m_hasError, hasError, &MonitorController::hasErrorChanged);
}

void MonitorController::setDisplayName(const QString& name) {
    assign(m_displayName, name, &MonitorController::displayNameChanged);
}

void MonitorController::setWorking(bool working) {
    assign(m_isWorking, working, &MonitorController::isWorkingChanged);
}

void MonitorController::setNightModeState(bool on, std::optional<NightModeSnapshot> snapshot) {
    m_nightModeSnapshot = std::move(snapshot);
    assign(m_isNightMode, on, &MonitorController::isNightModeChanged);
}

void MonitorController::setChangingNightMode(bool changing) {
    assign(m_isChangingNightMode, changing, &MonitorController::isChangingNightModeChanged);
}

void MonitorController::setActiveSceneID(std::optional<QUuid> id) {
    assign(m_activeSceneID, id, &MonitorController::activeSceneIDChanged);
}

void MonitorController::setApplyingScene(bool applying) {
    assign(m_isApplyingScene, applying, &MonitorController::isApplyingSceneChanged);
}

void MonitorController::setAdaptiveBrightnessSupported(AdaptiveSupport supported) {
    assign(m_adaptiveBrightnessSupported, supported, &MonitorController::adaptiveBrightnessSupportedChanged);
}

void MonitorController::setAdaptiveBrightnessPausedUntil(std::optional<QDateTime> until) {
    assign(m_adaptiveBrightnessPausedUntil, until, &MonitorController::adaptiveBrightnessPausedUntilChanged);
}

void MonitorController::setSettingsError(std::optional<QString> error) {
    assign(m_settingsError, error, &MonitorController::settingsErrorChanged);
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
