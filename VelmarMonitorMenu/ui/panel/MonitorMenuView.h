#pragma once

#include "monitor/MonitorFeature.h"
#include "ui/MonitorWindowSection.h"

#include <QWidget>

class CapsuleSlider;
class CircleChip;
class ElidedLabel;
class MonitorController;
class QActionGroup;
class QHBoxLayout;
class QLabel;
class QMenu;
class QVBoxLayout;
class Spinner;
class ToggleSwitch;

// The panel that drops down from the tray icon: the quick controls. It keeps no state of its
// own; everything shown follows the controller while the panel is open.
class MonitorMenuView : public QWidget {
    Q_OBJECT
public:
    explicit MonitorMenuView(MonitorController& monitor, QWidget* parent = nullptr);

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
    void buildHeader(QVBoxLayout* layout);
    void buildAdaptiveRow(QVBoxLayout* layout);
    SliderSection addSliderSection(MonitorFeature feature, const QString& title, const QString& minimumSymbol,
                                   const QString& maximumSymbol);
    void buildErrorRow(QVBoxLayout* layout);
    void buildFooter(QVBoxLayout* layout);
    void addNightModeChip(QHBoxLayout* footer);
    void addInputChip(QHBoxLayout* footer);
    // A chip that closes the panel and asks for the window on `section`.
    void addWindowChip(QHBoxLayout* footer, const QString& symbol, const QString& name,
                       MonitorWindowSection section);
    void addOptionsChip(QHBoxLayout* footer);
    void followMonitor();
    void updateHeader();
    void updateAdaptive();
    // The section's tooltip and, for the sound, its speaker.
    void updateSliderSection(MonitorFeature feature);
    void updateError();
    void updateNightMode();
    void updateInput();
    void restyle();
    QLabel* symbolLabel(const QString& symbol, int size, int width, QWidget* parent, bool error = false);
    void drawSymbol(QLabel* label);

    MonitorController& m_monitor;
    QLabel* m_name = nullptr;
    ElidedLabel* m_headerStatus = nullptr;
    Spinner* m_spinner = nullptr;
    QLabel* m_adaptiveStatus = nullptr;
    ToggleSwitch* m_adaptiveSwitch = nullptr;
    SliderSection m_brightness;
    SliderSection m_sound;
    QWidget* m_error = nullptr;
    QLabel* m_errorText = nullptr;
    CircleChip* m_nightMode = nullptr;
    CircleChip* m_input = nullptr;
    QMenu* m_inputMenu = nullptr;
    QActionGroup* m_inputChoices = nullptr;
};
