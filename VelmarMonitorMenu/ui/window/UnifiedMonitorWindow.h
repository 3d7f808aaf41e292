#pragma once

#include "ui/MonitorWindowSection.h"

#include <QWidget>

class CircleChip;
class LoginItemService;
class MonitorController;
class QLabel;
class QVBoxLayout;
class SectionPicker;

// The program's one window, "Velmar Monitor": a section picker on top, then the Controls or
// the Settings panel. Closing it only hides it; the program lives on in the tray.
class UnifiedMonitorWindow : public QWidget {
    Q_OBJECT
public:
    UnifiedMonitorWindow(MonitorController& monitor, WindowSectionState& selection,
                         LoginItemService& loginItem, QWidget* parent = nullptr);

    /// A line above the sections, for what the user must know about how the program runs
    /// (for example that there is no system tray). Empty hides it.
    void setNotice(const QString& text);

private:
    void showSection(MonitorWindowSection section);
    void updateRefresh();

    MonitorController& m_monitor;
    WindowSectionState& m_selection;
    LoginItemService& m_loginItem;
    SectionPicker* m_picker;
    CircleChip* m_refresh;
    QWidget* m_refreshSpacer;
    QLabel* m_notice;
    QVBoxLayout* m_layout;
    QWidget* m_content = nullptr;
};
