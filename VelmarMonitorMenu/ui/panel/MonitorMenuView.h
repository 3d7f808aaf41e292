#pragma once

#include "monitor/MonitorFeature.h"
#include "ui/MonitorWindowSection.h"

#include <QPointer>
#include <QWidget>

#include <vector>

class CapsuleSlider;
class ConnectedMonitors;
class ProgramModel;
class CircleChip;
class ElidedLabel;
class MonitorController;
class MonitorHeaderPicker;
class QActionGroup;
class QHBoxLayout;
class QLabel;
class QMenu;
class QVBoxLayout;
class Spinner;
class ToggleSwitch;

// The panel that drops down from the tray icon: the quick controls. It keeps no state of its
// own; everything shown follows the controllers while the panel is open.
//
// With several monitors connected it shows a brightness slider for each and the switch that
// links them; the header's name becomes a picker, and the sound, input and refresh act on the
// monitor it names (the main one when the panel opens, and again if the chosen one goes). Night
// Mode and adaptive brightness are every monitor's.
class MonitorMenuView : public QWidget {
    Q_OBJECT
public:
    /// The panel of every connected monitor, following them as they come and go.
    explicit MonitorMenuView(ProgramModel& model, QWidget* parent = nullptr);

    /// Shows the panel beside `anchor` (the tray icon's place, or the pointer), on that screen.
    void popUp(const QRect& anchor);

signals:
    /// The user asked for the window, on this section.
    void openWindowRequested(MonitorWindowSection section);
    void quitRequested();
    /// The panel went away (Escape, a click elsewhere, or one of its buttons).
    void hidden();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:

    struct SliderSection {
        QWidget* widget = nullptr;
        CapsuleSlider* slider = nullptr;
        QLabel* minimumSymbol = nullptr;
        QString title;
    };
    // A monitor's brightness in the Brightness section; its widget goes with the controller.
    struct BrightnessRow {
        QPointer<MonitorController> monitor;
        QPointer<QWidget> widget;
        ElidedLabel* name = nullptr;
        CapsuleSlider* slider = nullptr;
    };
    void buildHeader(QVBoxLayout* layout);
    void buildBrightnessSection(QVBoxLayout* layout);
    BrightnessRow makeBrightnessRow(MonitorController& monitor);
    CapsuleSlider* makeSlider(QWidget* parent, const QString& title, MonitorController& monitor,
                              MonitorFeature feature);
    void followMonitors();
    ConnectedMonitors& monitors() const;
    MonitorController& main() const;
    /// The monitor's name as the panel shows it: two of one model are told apart.
    QString nameOf(const MonitorController& monitor) const;
    bool severalMonitors() const;
    /// The monitor the header names, whose sound, Night Mode and input the panel shows.
    MonitorController& shown() const;
    void choose(MonitorController* monitor);
    // Everything that shows the chosen monitor.
    void updateChosen();
    void fillMonitorMenu();
    void updateBrightnessRows();
    void updateBrightnessRow(const BrightnessRow& row);
    void updateLink();
    void orderSliders();
    void buildAdaptiveRow(QVBoxLayout* layout);
    SliderSection addSoundSection();
    void buildErrorRow(QVBoxLayout* layout);
    void buildFooter(QVBoxLayout* layout);
    void addNightModeChip(QHBoxLayout* footer);
    void addInputChip(QHBoxLayout* footer);
    // A chip that closes the panel and asks for the window on `section`.
    void addWindowChip(QHBoxLayout* footer, const QString& symbol, const QString& name,
                       MonitorWindowSection section);
    void addOptionsChip(QHBoxLayout* footer);
    void followChosen();
    void updateHeader();
    void updateAdaptive();
    // The sound section's tooltip and speaker.
    void updateSound();
    void updateError();
    void updateNightMode();
    void updateInput();
    void restyle();
    QLabel* symbolLabel(const QString& symbol, int size, int width, QWidget* parent, bool error = false);
    void drawSymbol(QLabel* label);

    ProgramModel& m_model;
    QPointer<MonitorController> m_chosen; // null: the main monitor, whichever it is
    QList<QMetaObject::Connection> m_chosenConnections;
    const MonitorController* m_bound = nullptr; // what those connections follow
    QLabel* m_name = nullptr;
    MonitorHeaderPicker* m_picker = nullptr;
    ElidedLabel* m_headerStatus = nullptr;
    Spinner* m_spinner = nullptr;
    QWidget* m_adaptiveRow = nullptr;
    QLabel* m_adaptiveStatus = nullptr;
    ToggleSwitch* m_adaptiveSwitch = nullptr;
    QWidget* m_brightness = nullptr;
    QVBoxLayout* m_brightnessRows = nullptr;
    std::vector<BrightnessRow> m_brightnessRowList;
    CircleChip* m_link = nullptr;
    SliderSection m_sound;
    QWidget* m_error = nullptr;
    QLabel* m_errorText = nullptr;
    CircleChip* m_nightMode = nullptr;
    CircleChip* m_input = nullptr;
    QMenu* m_inputMenu = nullptr;
    QActionGroup* m_inputChoices = nullptr;
};
