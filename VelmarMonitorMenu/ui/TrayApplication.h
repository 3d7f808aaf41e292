#pragma once

#include <QObject>

#include <memory>

class MonitorController;
class QAction;
class QLabel;
class QMenu;
class QSystemTrayIcon;

// The program's presence in the system tray: an icon whose tooltip is the monitor's status
// line, with a small menu. Where the desktop has no tray, a small status window stands in.
class TrayApplication : public QObject {
    Q_OBJECT
public:
    explicit TrayApplication(MonitorController& monitor, QObject* parent = nullptr);
    ~TrayApplication() override;

    QString toolTip() const;

private:
    void updateStatus();

    MonitorController& m_monitor;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    std::unique_ptr<QLabel> m_fallbackWindow;
    QAction* m_statusAction = nullptr;
    QAction* m_refreshAction = nullptr;
};
