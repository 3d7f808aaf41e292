// The smallest Qt Widgets tray program: an icon with a one-entry menu and nothing else. Its
// resident memory is what any tray utility built on Qt Widgets pays before doing anything,
// the yardstick for the program's own figure (bench_desktop launches it the same way).
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setBrush(QColor(0x6c, 0x9e, 0xd8));
    painter.drawRoundedRect(QRectF(2, 4, 18, 12), 2, 2);
    painter.end();

    QMenu menu;
    menu.addAction(QStringLiteral("Quit"), &app, &QCoreApplication::quit);
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.setToolTip(QStringLiteral("Bare tray"));
    tray.setContextMenu(&menu);
    tray.show();
    return app.exec();
}
