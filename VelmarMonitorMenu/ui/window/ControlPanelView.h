#pragma once

#include "async/Cancellation.h"
#include "monitor/MonitorFeature.h"

#include <QWidget>

#include <map>

class CompactMonitorSlider;
class ElidedLabel;
class MonitorController;
class QComboBox;
class QLabel;
class QVBoxLayout;

// The Controls section of the window: every monitor control at once, as labelled rows of a
// grouped form. Each time it appears it asks the controller to read the monitor again.
class ControlPanelView : public QWidget {
    Q_OBJECT
public:
    explicit ControlPanelView(MonitorController& monitor, QWidget* parent = nullptr);
    ~ControlPanelView() override;

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
    void restyle();

    MonitorController& m_monitor;
    QLabel* m_name = nullptr;
    ElidedLabel* m_status = nullptr;
    QComboBox* m_input = nullptr;
    QComboBox* m_tone = nullptr;
    QComboBox* m_preset = nullptr;
    std::map<MonitorFeature, CompactMonitorSlider*> m_sliders;
    CancelToken m_appearance;
};
