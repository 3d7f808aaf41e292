#include "MonitorController.h"

#include "scenes/MonitorSceneState.h"
#include "SettingsKeys.h"

#include <QCoreApplication>

namespace {

// A stored number is taken as it stands (0 included); only a missing or non-numeric value
// keeps the default.
std::optional<double> storedNumber(const QSettings& defaults, const char* key) {
    if (!defaults.contains(QLatin1String(key)))
        return std::nullopt;
    bool ok = false;
    const double value = defaults.value(QLatin1String(key)).toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}
} // namespace

MonitorSceneState MonitorSceneState::of(const MonitorController& monitor) {
    return {monitor.brightness(), monitor.contrast(), monitor.volume(),     monitor.red(),
            monitor.green(),      monitor.blue(),     monitor.activeInput()};
}

MonitorController::MonitorController(MonitorSceneStore& sceneStore,
                                     BuiltInDisplayBrightnessReadingSource& brightnessReader,
                                     InputScenePreferenceStore& inputScenePreferences,
                                     MonitorControllerEnvironment environment, QObject* parent)
    : QObject(parent), m_displayName(tr("Velmar Monitor")), m_status(tr("Checking monitor…")),
      m_sceneStore(sceneStore),
      m_ddc(std::make_unique<DDCClient>(std::move(environment.helperLocator), environment.helperTimeLimit)),
      m_displayLifecycle(std::make_unique<DisplayLifecycleEventSource>()),
      m_brightnessReader(brightnessReader), m_inputScenePreferences(inputScenePreferences),
      m_defaults(environment.defaults), m_screens(std::move(environment.screens)),
      m_now(std::move(environment.now)) {
    if (!m_defaults) {
        m_ownDefaults = std::make_unique<QSettings>();
        m_defaults = m_ownDefaults.get();
    }
    if (!m_screens)
        m_screens = makeSystemScreenNameSource();
    if (!m_now)
        m_now = [] { return QDateTime::currentDateTimeUtc(); };
    loadSettings();
}

MonitorController::~MonitorController() {
    // Wake every loop so it can end; a loop woken this way returns without touching us.
    for (auto& [feature, token] : m_pendingWrites)
        token->cancel();
    if (m_adaptiveBrightnessTask)
        m_adaptiveBrightnessTask->cancel();
    if (m_lifecycleTask)
        m_lifecycleTask->cancel();
    m_displayLifecycle.reset();
}

void MonitorController::loadSettings() {
    m_adaptiveBrightnessEnabled =
        m_defaults->value(QLatin1String(SettingsKeys::adaptiveBrightnessEnabled), false).toBool();
    m_perInputScenesEnabled =
        m_defaults->value(QLatin1String(SettingsKeys::perInputScenesEnabled), false).toBool();
    if (const auto minimum = storedNumber(*m_defaults, SettingsKeys::adaptiveMinimumBrightness))
        m_adaptiveMinimumBrightness = *minimum;
    if (const auto maximum = storedNumber(*m_defaults, SettingsKeys::adaptiveMaximumBrightness))
        m_adaptiveMaximumBrightness = *maximum;

    // Night Mode survives a restart only with a readable snapshot to return to; the monitor is
    // taken to still show the night values, so nothing is read or written here.
    if (m_defaults->value(QLatin1String(SettingsKeys::nightModeEnabled), false).toBool()) {
        const auto data = m_defaults->value(QLatin1String(SettingsKeys::nightModeSnapshot));
        if (data.typeId() == QMetaType::QByteArray) {
            if (const auto snapshot = NightModeSnapshot::fromJson(data.toByteArray())) {
                m_isNightMode = true;
                m_nightModeSnapshot = snapshot;
            }
        }
    }
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
    switch (feature) {
    case MonitorFeature::brightness:
        return assign(m_brightness, value, &MonitorController::brightnessChanged);
    case MonitorFeature::contrast:
        return assign(m_contrast, value, &MonitorController::contrastChanged);
    case MonitorFeature::volume:
        return assign(m_volume, value, &MonitorController::volumeChanged);
    case MonitorFeature::red:
        return assign(m_red, value, &MonitorController::redChanged);
    case MonitorFeature::green:
        return assign(m_green, value, &MonitorController::greenChanged);
    case MonitorFeature::blue:
        return assign(m_blue, value, &MonitorController::blueChanged);
    }
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

void MonitorController::setAdaptiveBrightnessSupported(std::optional<bool> supported) {
    assign(m_adaptiveBrightnessSupported, supported, &MonitorController::adaptiveBrightnessSupportedChanged);
}

void MonitorController::setAdaptiveBrightnessPausedUntil(std::optional<QDateTime> until) {
    assign(m_adaptiveBrightnessPausedUntil, until, &MonitorController::adaptiveBrightnessPausedUntilChanged);
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

QVariant MonitorController::adaptiveBrightnessSupportedValue() const {
    return m_adaptiveBrightnessSupported ? QVariant(*m_adaptiveBrightnessSupported) : QVariant();
}
