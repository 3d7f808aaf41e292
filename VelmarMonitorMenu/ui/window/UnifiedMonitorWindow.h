#pragma once

#include "ui/MonitorWindowSection.h"

#include <QPointer>
#include <QWidget>

class CircleChip;
class ConnectedMonitors;
class ProgramModel;
class LoginItemService;
class MonitorController;
class QLabel;
class QVBoxLayout;
class SectionPicker;

// The program's one window, "Velmar Monitor": a section picker on top, then the Controls or
// the Settings panel. Closing it only hides it; the program lives on in the tray. Its Controls
// start on the main monitor, and follow when another becomes the main one; another monitor
// picked there stays shown, with the refresh chip acting on it, until it goes.
class UnifiedMonitorWindow : public QWidget {
    Q_OBJECT
public:
    UnifiedMonitorWindow(ProgramModel& model, WindowSectionState& selection, LoginItemService& loginItem,
                         QWidget* parent = nullptr);

    /// A line above the sections, for what the user must know about how the program runs
    /// (for example that there is no system tray). Empty hides it.
    void setNotice(const QString& text);

private:
    void showSection(MonitorWindowSection section);
    /// Later by default: the content being replaced may be what asked for it.
    enum class Removal { later, now };
    void replaceContent(QWidget* content, Removal removal = Removal::later);
    /// Shows `monitor`'s controls from now on (the main monitor's for nullptr).
    void showMonitor(MonitorController* monitor);
    void updateRefresh();

    ProgramModel& m_model;
    ConnectedMonitors& m_monitors;
    QPointer<MonitorController> m_shown; // the monitor the Controls show
    bool m_showsMain = true;             // whichever monitor is the main one
    QMetaObject::Connection m_shownWorking, m_shownGoing;
    WindowSectionState& m_selection;
    LoginItemService& m_loginItem;
    SectionPicker* m_picker;
    CircleChip* m_refresh;
    QWidget* m_refreshSpacer;
    QLabel* m_notice;
    QVBoxLayout* m_layout;
    QWidget* m_content = nullptr;
};
