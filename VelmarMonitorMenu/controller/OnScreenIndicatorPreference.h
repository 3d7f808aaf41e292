#pragma once

#include <QObject>

class SettingsFile;

// Whether a change made by a script or a keyboard shortcut is shown briefly on screen: on unless
// the user turned it off; one choice for every monitor.
class OnScreenIndicatorPreference : public QObject {
    Q_OBJECT

public:
    explicit OnScreenIndicatorPreference(SettingsFile& settings, QObject* parent = nullptr);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);

signals:
    void enabledChanged();

private:
    SettingsFile& m_settings;
    bool m_enabled;
};
