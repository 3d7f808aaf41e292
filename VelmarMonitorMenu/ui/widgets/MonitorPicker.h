#pragma once

#include <QComboBox>
#include <QPointer>

class ConnectedMonitors;
class MonitorController;

/// What each monitor is called where several are listed: its name, told apart by a number when
/// two monitors of one model share it, or "Monitor n" for a monitor without a name.
QStringList monitorNames(const QList<MonitorController*>& controllers);

// A picker of the connected monitors, the main one first, by name; it follows them as they come
// and go or are renamed. A long name is cut short with an ellipsis; the whole of it is in the
// tooltip and in what a screen reader hears. Guarded against the wheel like every other picker.
class MonitorPicker : public QComboBox {
    Q_OBJECT
public:
    explicit MonitorPicker(ConnectedMonitors& monitors, QWidget* parent = nullptr);

    /// The monitor shown as chosen; the main one when `monitor` is not connected.
    void setCurrentMonitor(const MonitorController* monitor);
    MonitorController* currentMonitor() const;

signals:
    /// The user chose `monitor` (not sent for changes made by the program).
    void monitorPicked(MonitorController* monitor);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refill();
    void watchNames();

    ConnectedMonitors& m_monitors;
    QList<QPointer<MonitorController>> m_listed;
    QPointer<const MonitorController> m_current;
};
