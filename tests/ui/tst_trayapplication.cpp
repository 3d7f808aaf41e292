// The tray presence: its tooltip follows the controller's status line, and where the desktop
// has no tray a small window shows the same.
#include "support/ControllerFixture.h"
#include "support/TestSupport.h"
#include "ui/TrayApplication.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QSystemTrayIcon>

class TestTrayApplication : public QObject {
    Q_OBJECT

private:
    static QLabel* statusWindow() {
        for (auto* widget : QApplication::topLevelWidgets()) {
            if (auto* label = qobject_cast<QLabel*>(widget); label && label->isVisible())
                return label;
        }
        return nullptr;
    }

private slots:
    void followsTheStatusLine() {
        ControllerFixture f;
        f.screens->list = {{QStringLiteral("Built-in Display"), true},
                           {QStringLiteral("Velmar VX27"), false}};
        TrayApplication tray(f.c());
        QCOMPARE(tray.toolTip(), QStringLiteral("Checking monitor…"));

        QVERIFY(runTask(f.c().refresh()));
        QCOMPARE(tray.toolTip(), QStringLiteral("HDMI 1 • Connected"));

        if (!QSystemTrayIcon::isSystemTrayAvailable()) {
            auto* window = statusWindow();
            QVERIFY(window);
            QVERIFY(window->text().contains(QLatin1String("Velmar VX27")));
            QVERIFY2(window->text().contains(QStringLiteral("HDMI 1 • Connected")),
                     qPrintable(window->text()));
            const QDir screenshots(QStringLiteral(VELMAR_SCREENSHOTS_DIR));
            QVERIFY(screenshots.mkpath(QStringLiteral(".")));
            QVERIFY(window->grab().save(screenshots.filePath(QStringLiteral("tray-status-window.png"))));
        }

        f.monitor.setScript("get luminance = exit=1 err=\"DDC/CI is switched off in the monitor's menu\"\n");
        f.rebuild(); // a fresh run whose brightness never loads
        TrayApplication failing(f.c());
        QVERIFY(runTask(f.c().refresh()));
        QCOMPARE(failing.toolTip(), QStringLiteral("DDC/CI is switched off in the monitor's menu"));
    }
};

QTEST_MAIN(TestTrayApplication)
#include "tst_trayapplication.moc"
