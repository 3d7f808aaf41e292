#include "ControllerSettings.h"

#include "SettingsKeys.h"
#include "scenes/SettingsSync.h"

#include <QSettings>

#include <algorithm>
#include <cmath>

ControllerSettings::ControllerSettings(QSettings* settings, std::chrono::milliseconds checkDelay,
                                       Groups groups, QObject* parent)
    : QObject(parent), m_settings(settings), m_groups(std::move(groups)) {
    if (!m_settings) {
        m_own = std::make_unique<QSettings>();
        m_settings = m_own.get();
    }
    m_check.setSingleShot(true);
    m_check.setInterval(checkDelay);
    connect(&m_check, &QTimer::timeout, this, &ControllerSettings::check);
}

ControllerSettings::~ControllerSettings() {
    if (m_check.isActive())
        m_settings->sync();
}

// A stored switch is a Boolean (the INI file keeps it as the word "true" or "false"); anything
// else under the key, a number or a word, is damage and counts as off, not as on.
bool ControllerSettings::storedSwitch(const QString& key) const {
    const QVariant value = m_settings->value(key);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    return value.typeId() == QMetaType::QString && value.toString() == QLatin1String("true");
}

std::optional<double> ControllerSettings::storedLimit(const QString& key) const {
    if (!m_settings->contains(key))
        return std::nullopt;
    bool ok = false;
    const double value = m_settings->value(key).toDouble(&ok);
    // "nan" and "inf" read as numbers too, and no limit can be drawn from them.
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return std::clamp(value, 0.0, 100.0);
}

bool ControllerSettings::adaptiveBrightnessEnabled() const {
    return storedSwitch(programKey(SettingsKeys::adaptiveBrightnessEnabled));
}

std::optional<double> ControllerSettings::adaptiveMinimumBrightness() const {
    return storedLimit(programKey(SettingsKeys::adaptiveMinimumBrightness));
}

std::optional<double> ControllerSettings::adaptiveMaximumBrightness() const {
    return storedLimit(programKey(SettingsKeys::adaptiveMaximumBrightness));
}

bool ControllerSettings::perInputScenesEnabled() const {
    return storedSwitch(monitorKey(SettingsKeys::perInputScenesEnabled));
}

bool ControllerSettings::onScreenIndicatorEnabled() const {
    return !m_settings->contains(programKey(SettingsKeys::onScreenIndicatorEnabled)) ||
           storedSwitch(programKey(SettingsKeys::onScreenIndicatorEnabled));
}

std::optional<NightModeSnapshot> ControllerSettings::nightModeSnapshot() const {
    // Night Mode survives a restart only with a readable snapshot to return to.
    if (!storedSwitch(monitorKey(SettingsKeys::nightModeEnabled)))
        return std::nullopt;
    const auto data = m_settings->value(monitorKey(SettingsKeys::nightModeSnapshot));
    if (data.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return NightModeSnapshot::fromJson(data.toByteArray());
}

void ControllerSettings::setAdaptiveBrightnessEnabled(bool enabled) {
    store(programKey(SettingsKeys::adaptiveBrightnessEnabled), enabled);
}

void ControllerSettings::setAdaptiveBrightnessRange(double minimum, double maximum) {
    store(programKey(SettingsKeys::adaptiveMinimumBrightness), minimum);
    store(programKey(SettingsKeys::adaptiveMaximumBrightness), maximum);
}

void ControllerSettings::setPerInputScenesEnabled(bool enabled) {
    store(monitorKey(SettingsKeys::perInputScenesEnabled), enabled);
}

void ControllerSettings::setOnScreenIndicatorEnabled(bool enabled) {
    store(programKey(SettingsKeys::onScreenIndicatorEnabled), enabled);
}

void ControllerSettings::setNightMode(const NightModeSnapshot& snapshot) {
    store(monitorKey(SettingsKeys::nightModeEnabled), true);
    store(monitorKey(SettingsKeys::nightModeSnapshot), snapshot.toJson());
    // Written now, not at the next check: the monitor is about to lose these values.
    check();
}

void ControllerSettings::removeNightMode() {
    remove(monitorKey(SettingsKeys::nightModeEnabled));
    remove(monitorKey(SettingsKeys::nightModeSnapshot));
}

void ControllerSettings::checkSoon() {
    m_check.start();
}

void ControllerSettings::setMonitorGroup(const QString& group) {
    m_groups.monitor = group;
}

void ControllerSettings::store(const QString& key, const QVariant& value) {
    keepSettingsFile(*m_settings);
    m_settings->setValue(key, value);
    m_check.start(); // QSettings writes on its own; we only look at how that went
}

void ControllerSettings::remove(const QString& key) {
    keepSettingsFile(*m_settings);
    m_settings->remove(key);
    m_check.start();
}

void ControllerSettings::check() {
    // A lost write would bring back, say, Night Mode's way out only until the next restart.
    std::optional<QString> error;
    if (!syncSettings(*m_settings))
        error = tr("Could not save your settings: the settings file is not writable.");
    if (error == m_error)
        return;
    m_error = error;
    emit errorChanged();
}
