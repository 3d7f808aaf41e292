#pragma once

#include "async/Cancellation.h"
#include "monitor/MonitorFeature.h"

#include <QWidget>

#include <map>

class CompactMonitorSlider;
class ConnectedMonitors;
class ElidedLabel;
class MonitorController;
class MonitorPicker;
class QComboBox;
class QLabel;
class QVBoxLayout;

// The Controls section of the window: every control of one monitor at once, as labelled rows of
// a grouped form. Each time it appears it asks the controller to read the monitor again. With
// several monitors connected its Monitor row is a picker of them; what is picked there is for
// the window to show, in a view of its own.
class ControlPanelView : public QWidget {
    Q_OBJECT
public:
    ControlPanelView(ConnectedMonitors& monitors, MonitorController& monitor, QWidget* parent = nullptr);
    ~ControlPanelView() override;

    /// Gives the keyboard focus to the Monitor picker, as the view that replaces one where a
    /// monitor was picked.
    void focusMonitorPicker();

signals:
    /// The user picked another monitor in the Monitor row.
    void monitorPicked(MonitorController* monitor);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildDisplaySection(QVBoxLayout* layout);
    void buildPictureSection(QVBoxLayout* layout);
    void buildColorSection(QVBoxLayout* layout);
    void buildAudioSection(QVBoxLayout* layout);
    void actOnPickers();
    void followMonitor();
    CompactMonitorSlider* addSlider(MonitorFeature feature, const QString& title, const QString& symbol,
                                    std::optional<QColor> tint);
    void updateStatus();
    void updateInputs();
    void updateTones();
    void updatePresets();
    void updateValue(MonitorFeature feature);
    void updateLoading();
    void updateMonitorRow();
    void restyle();

    ConnectedMonitors& m_monitors;
    MonitorController& m_monitor;
    QLabel* m_name = nullptr;
    MonitorPicker* m_monitorPicker = nullptr;
    ElidedLabel* m_status = nullptr;
    QComboBox* m_input = nullptr;
    QComboBox* m_tone = nullptr;
    QComboBox* m_preset = nullptr;
    std::map<MonitorFeature, CompactMonitorSlider*> m_sliders;
    CancelToken m_appearance;
};
