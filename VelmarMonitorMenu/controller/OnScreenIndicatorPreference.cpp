#include "OnScreenIndicatorPreference.h"

#include "SettingsFile.h"
#include "SettingsKeys.h"

OnScreenIndicatorPreference::OnScreenIndicatorPreference(SettingsFile& settings, QObject* parent)
    : QObject(parent), m_settings(settings),
      m_enabled(settings.storedSwitch(QLatin1String(SettingsKeys::onScreenIndicatorEnabled), true)) {}

void OnScreenIndicatorPreference::setEnabled(bool enabled) {
    m_settings.store(QLatin1String(SettingsKeys::onScreenIndicatorEnabled), enabled);
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    emit enabledChanged();
}
