#include "SettingsFile.h"

#include "scenes/SettingsSync.h"

#include <QSettings>

#include <algorithm>
#include <cmath>

SettingsFile::SettingsFile(QSettings* settings, std::chrono::milliseconds checkDelay, QObject* parent)
    : QObject(parent), m_settings(settings) {
    if (!m_settings) {
        m_own = std::make_unique<QSettings>();
        m_settings = m_own.get();
    }
    m_check.setSingleShot(true);
    m_check.setInterval(checkDelay);
    connect(&m_check, &QTimer::timeout, this, &SettingsFile::check);
}

SettingsFile::~SettingsFile() {
    if (m_check.isActive())
        m_settings->sync();
}

bool SettingsFile::contains(const QString& key) const {
    return m_settings->contains(key);
}

QVariant SettingsFile::value(const QString& key) const {
    return m_settings->value(key);
}

// The INI file keeps a Boolean as the word "true" or "false".
bool SettingsFile::storedSwitch(const QString& key, bool absent) const {
    const QVariant value = m_settings->value(key);
    if (!value.isValid())
        return absent;
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    return value.typeId() == QMetaType::QString && value.toString() == QLatin1String("true");
}

std::optional<double> SettingsFile::storedNumber(const QString& key, double lowest, double highest) const {
    if (!m_settings->contains(key))
        return std::nullopt;
    bool ok = false;
    const double value = m_settings->value(key).toDouble(&ok);
    // "nan" and "inf" read as numbers too, and no setting can be drawn from them.
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return std::clamp(value, lowest, highest);
}

void SettingsFile::store(const QString& key, const QVariant& value) {
    keepSettingsFile(*m_settings);
    m_settings->setValue(key, value);
    m_check.start(); // QSettings writes on its own; we only look at how that went
}

void SettingsFile::remove(const QString& key) {
    keepSettingsFile(*m_settings);
    m_settings->remove(key);
    m_check.start();
}

void SettingsFile::storeNow(const QString& key, const QVariant& value) {
    store(key, value);
    m_check.stop();
    check();
}

void SettingsFile::checkSoon() {
    m_check.start();
}

void SettingsFile::check() {
    // A lost write would bring back, say, Night Mode's way out only until the next restart.
    std::optional<QString> error;
    if (!syncSettings(*m_settings))
        error = tr("Could not save your settings: the settings file is not writable.");
    if (error == m_error)
        return;
    m_error = error;
    emit errorChanged();
}
