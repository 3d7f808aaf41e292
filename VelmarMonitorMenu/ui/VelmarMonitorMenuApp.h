#pragma once

#include "monitor/MonitorFeature.h"
#include "monitor/MonitorInput.h"
#include "MonitorWindowSection.h"

#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <memory>

#include "system/LoginItemService.h"
class MonitorController;
class ProgramModel;
struct MonitorScene;
class MonitorMenuView;
class OnScreenIndicator;
class QAction;
class QMenu;
class QSystemTrayIcon;
class UnifiedMonitorWindow;

// The program's shell around the connected monitors: the tray icon and its panel, the one window
// and the Settings command, and which section the window shows. The panel and the window are made
// the first time they are wanted and go when closed, so a program that only sits in the tray
// costs little.
class VelmarMonitorMenuApp : public QObject {
    Q_OBJECT
public:
    /// `loginItem` is the platform's login item service when null.
    explicit VelmarMonitorMenuApp(ProgramModel& model, std::unique_ptr<LoginItemService> loginItem = {},
                                  QObject* parent = nullptr);
    ~VelmarMonitorMenuApp() override;

    /// Shows the tray icon (or, without a tray, the window) and starts reading the monitors.
    void start();

    /// Selects `section`, opens or raises the window and brings the program to the front.
    void openWindow(MonitorWindowSection section);
    /// Opens the window on the section it last showed.
    void raiseWindow();
    /// Opens the panel beside `anchor`, or closes it if it is open.
    void togglePanel(const QRect& anchor);
    /// Ends the program cleanly: the views go at once, a monitor command under way gets a
    /// moment to finish, then ended() tells the owner to end the event loop. Asked again while
    /// waiting, it says ended() at once.
    void quit();
    // A change made from outside the interface (a script, a keyboard shortcut) to `monitor` (the
    // main one when null), shown on screen for a moment unless the user turned the indicator off
    // in Settings.
    void showValueChange(MonitorFeature feature, MonitorController* monitor = nullptr);
    void showInputChange(MonitorInput input, MonitorController* monitor = nullptr);
    void showSceneChange(const MonitorScene& scene, MonitorController* monitor = nullptr);
    void showNightModeChange(bool on);
    void showAdaptiveChange(bool on);

    WindowSectionState& selection() { return m_selection; }
    /// The panel and the window, once made; for tests and screenshots.
    MonitorMenuView* panel() const;
    UnifiedMonitorWindow* window() const;
    QSystemTrayIcon* trayIcon() const { return m_tray.get(); }
    /// The on-screen indicator, once a change has been shown.
    OnScreenIndicator* onScreenIndicator() const;

signals:
    /// Quitting is done: the event loop may end.
    void ended();

private:
    QCoro::Task<> finishThenEnd();
    MonitorMenuView& ensurePanel();
    UnifiedMonitorWindow& ensureWindow();
    /// The indicator to show a change of `monitor` (the main one when null) on, naming it when
    /// `named` and several are connected; null when it is turned off or the program is ending.
    OnScreenIndicator* indicatorForChange(const MonitorController* monitor, bool named = true);
    QRect trayAnchor() const;
    void bindTrayToolTip();
    void updateTrayToolTip();
    /// Once no view is left, what the views used is given back.
    void viewClosed();

    ProgramModel& m_model;
    QMetaObject::Connection m_mainStatus;
    WindowSectionState m_selection;
    std::unique_ptr<LoginItemService> m_loginItem;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    std::unique_ptr<QMenu> m_trayMenu;
    QPointer<MonitorMenuView> m_panel;
    QPointer<UnifiedMonitorWindow> m_window;
    std::unique_ptr<OnScreenIndicator> m_indicator;
    QAction* m_settingsCommand;
    QElapsedTimer m_panelClosed; // a click on the icon that closed the panel must not reopen it
    bool m_withoutTray = false;
    bool m_quitting = false;
};
