#include "TrayApplication.h"

#include "controller/MonitorController.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSystemTrayIcon>

namespace {
// A monitor outline on a stand, drawn so it needs no image files and stays crisp at any size.
QIcon displayIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal s = size;
        QPen pen(QColor(0x30, 0x30, 0x30), std::max(1.0, s / 14));
        painter.setPen(pen);
        painter.setBrush(QColor(0x6c, 0x9e, 0xd8));
        painter.drawRoundedRect(QRectF(s * 0.08, s * 0.14, s * 0.84, s * 0.56), s * 0.06, s * 0.06);
        painter.setBrush(Qt::NoBrush);
        painter.drawLine(QPointF(s * 0.5, s * 0.70), QPointF(s * 0.5, s * 0.84));
        painter.drawLine(QPointF(s * 0.3, s * 0.86), QPointF(s * 0.7, s * 0.86));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
} // namespace

TrayApplication::TrayApplication(MonitorController& monitor, QObject* parent)
    : QObject(parent), m_monitor(monitor), m_menu(std::make_unique<QMenu>()) {
    m_statusAction = m_menu->addAction(QString());
    m_statusAction->setEnabled(false);
    m_menu->addSeparator();
    m_refreshAction = m_menu->addAction(tr("Refresh monitor values"), this, [this] { m_monitor.refresh(); });
    m_menu->addSeparator();
    m_menu->addAction(tr("Quit Velmar Monitor"), qApp, &QCoreApplication::quit);

    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray = std::make_unique<QSystemTrayIcon>(displayIcon());
        m_tray->setContextMenu(m_menu.get());
        m_tray->show();
    } else {
        m_fallbackWindow = std::make_unique<QLabel>();
        m_fallbackWindow->setWindowTitle(tr("Velmar Monitor"));
        m_fallbackWindow->setWindowIcon(displayIcon());
        m_fallbackWindow->setMargin(16);
        m_fallbackWindow->setMinimumWidth(320);
        m_fallbackWindow->show();
    }

    for (auto signal : {&MonitorController::statusChanged, &MonitorController::displayNameChanged,
                        &MonitorController::isWorkingChanged, &MonitorController::hasErrorChanged})
        connect(&m_monitor, signal, this, &TrayApplication::updateStatus);
    updateStatus();
}

TrayApplication::~TrayApplication() = default;

// The status line alone: the same text the panels will show under the monitor's name.
QString TrayApplication::toolTip() const {
    return m_monitor.status();
}

void TrayApplication::updateStatus() {
    m_statusAction->setText(m_monitor.status());
    m_refreshAction->setEnabled(!m_monitor.isWorking());
    if (m_tray)
        m_tray->setToolTip(toolTip());
    if (m_fallbackWindow) {
        const QString color = m_monitor.hasError() ? QStringLiteral("#c0392b") : QStringLiteral("#444444");
        m_fallbackWindow->setText(
            QStringLiteral("<b>%1</b><br><span style='color:%2'>%3</span>")
                .arg(m_monitor.displayName().toHtmlEscaped(), color, m_monitor.status().toHtmlEscaped()));
        m_fallbackWindow->adjustSize();
    }
}
