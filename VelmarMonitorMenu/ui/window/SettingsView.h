#pragma once

#include "monitor/MonitorInput.h"
#include "scenes/MonitorScene.h"

#include <QPointer>
#include <QWidget>

#include <map>
#include <optional>

class ConnectedMonitors;
class ElidedLabel;
class ProgramModel;
class FormSection;
class LoginItemService;
class MonitorController;
class MonitorPicker;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QVBoxLayout;
class SceneManagementRow;
class ScheduleEditor;
class ToggleSwitch;

// The Settings section of the window: the connected monitors (while there are several), the
// scenes and their actions, adaptive brightness, scenes by input (each monitor's own), shortcuts
// and scripts, launch at login, and About. Made afresh each time the window turns to Settings,
// so whatever was half done in it (a name being typed, a scene being edited) starts over.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    SettingsView(ProgramModel& model, LoginItemService& loginItem, QWidget* parent = nullptr);
    ~SettingsView() override;

    /// "Brightness 35 · Contrast 75": at most the first two of the scene's brightness, contrast
    /// and volume, fractions dropped; empty when it sets none of them.
    static QString sceneSummary(const MonitorScene& scene);

    /// Opens the dialog that names a scene made of the current settings.
    void startNamingScene();
    /// Opens the editor for a custom scene.
    void editScene(const MonitorScene& scene);

protected:
    void changeEvent(QEvent* event) override;

private:
    struct NameRow {
        QWidget* row;
        ElidedLabel* name;
        QLabel* main;
    };

    void buildMonitorsSection(QVBoxLayout* layout);
    void buildScenesSection(QVBoxLayout* layout);
    void buildAdaptiveSection(QVBoxLayout* layout);
    void buildInputScenesSection(QVBoxLayout* layout);
    void buildShortcutsSection(QVBoxLayout* layout);
    void buildLoginSection(QVBoxLayout* layout);
    void buildAboutSection(QVBoxLayout* layout);
    void rebuildSceneRows();
    void updateActiveScene();
    void updateProblems();
    void updateAdaptive();
    void updateSources();
    void updateSchedule();
    void updateMonitors();
    void updateLinked();
    /// Scenes by input are shown for `monitor` from now on (the main monitor's for nullptr).
    void showInputScenesOf(MonitorController* monitor);
    void updateInputScenes();
    void updateShortcuts();
    void updateLaunchAtLogin(bool enabled);
    void restyle();
    /// The main monitor's: scenes are applied to it and marked as its.
    MonitorController& main() const;
    void bindMain();

    ProgramModel& m_model;
    ConnectedMonitors& m_monitors;
    QMetaObject::Connection m_mainActiveScene;
    LoginItemService& m_loginItem;

    FormSection* m_monitorsSection = nullptr;
    MonitorPicker* m_mainMonitor = nullptr;
    ToggleSwitch* m_linked = nullptr;
    std::vector<NameRow> m_nameRows;

    QLabel* m_settingsProblem = nullptr;
    FormSection* m_scenes = nullptr;
    QWidget* m_sceneRowsHolder = nullptr;
    QVBoxLayout* m_sceneRows = nullptr;
    std::vector<std::pair<QUuid, SceneManagementRow*>> m_rows;
    QLabel* m_scenesProblem = nullptr;

    FormSection* m_adaptiveSection = nullptr;
    QLabel* m_adaptiveLabel = nullptr;
    ToggleSwitch* m_adaptive = nullptr;
    QComboBox* m_source = nullptr;
    QWidget* m_scheduleRow = nullptr;
    ScheduleEditor* m_schedule = nullptr;
    QWidget* m_minimumRow = nullptr;
    QWidget* m_maximumRow = nullptr;
    QSlider* m_minimum = nullptr;
    QSlider* m_maximum = nullptr;
    QLabel* m_minimumValue = nullptr;
    QLabel* m_maximumValue = nullptr;
    QWidget* m_resumeRow = nullptr;
    QWidget* m_unavailableRow = nullptr;
    QLabel* m_unavailable = nullptr;
    QLabel* m_unavailableSymbol = nullptr;

    QPointer<MonitorController> m_inputMonitor; // whose scenes by input are shown
    QMetaObject::Connection m_inputMonitorEnabled;
    QWidget* m_inputMonitorRow = nullptr;
    MonitorPicker* m_inputMonitorPicker = nullptr;
    ToggleSwitch* m_perInput = nullptr;
    std::map<MonitorInput, std::pair<QWidget*, QComboBox*>> m_inputPickers;

    ToggleSwitch* m_onScreenIndicator = nullptr;
    QWidget* m_shortcutsUnavailableRow = nullptr;
    QList<QWidget*> m_shortcutRows;
    QLabel* m_shortcutsUnavailable = nullptr;
    QComboBox* m_shortcutStep = nullptr;
    ToggleSwitch* m_brightnessKeys = nullptr;

    ToggleSwitch* m_launchAtLogin = nullptr;
    QWidget* m_launchErrorRow = nullptr;
    QLabel* m_launchError = nullptr;
};
