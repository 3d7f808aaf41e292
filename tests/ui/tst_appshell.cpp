// The shell: one section value shared by the window, the panel and the Settings command; the
// window's header; life without a system tray; names and messages shown as written. (A second
// launch handing over to the first is the session test's.)
#include "support/ControllerFixture.h"
#include "support/TestSupport.h"
#include "ui/panel/MonitorMenuView.h"
#include "ui/VelmarMonitorMenuApp.h"
#include "ui/widgets/CircleChip.h"
#include "ui/widgets/ElidedLabel.h"
#include "ui/window/ControlPanelView.h"
#include "ui/window/SettingsView.h"
#include "ui/window/UnifiedMonitorWindow.h"
#include "UiTesting.h"

#include <QAbstractButton>
#include <QApplication>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QToolTip>

using namespace UiTesting;

namespace {

// What `widget`'s tooltip shows when it comes up, as a screen reader reads it: markup it took for
// rich text is gone.
QString shownToolTip(QWidget* widget) {
    QToolTip::showText(widget->mapToGlobal(QPoint(2, 2)), widget->toolTip(), widget);
    QString text;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->inherits("QLabel") && window->isVisible() && window->windowType() == Qt::ToolTip)
            text = accessibleText(window, QAccessible::Name);
    }
    QToolTip::hideText();
    return text;
}

} // namespace

class TestAppShell : public UiTesting::Test {
    Q_OBJECT

private slots:
    void theSettingsCommandOpensTheWindowOnSettings() {
        ControllerFixture f(ControllerFixture::withMonitors);
        VelmarMonitorMenuApp shell(*f.model, std::make_unique<FakeLoginItem>());
        QVERIFY(!shell.window());
        shell.openWindow(MonitorWindowSection::controls);
        UnifiedMonitorWindow& window = *shell.window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.findChild<ControlPanelView*>());
        auto* refresh = byAccessibleName<CircleChip>(&window, QStringLiteral("Refresh monitor values"));
        QVERIFY(refresh && refresh->isVisible());

        // Ctrl+, (the Preferences shortcut): the window turns to Settings; the refresh chip
        // gives way to a spacer of its size, so the picker stays centred.
        QTest::keyClick(&window, Qt::Key_Comma, Qt::ControlModifier);
        QCOMPARE(shell.selection().section(), MonitorWindowSection::settings);
        QVERIFY(window.findChild<SettingsView*>());
        QVERIFY(!refresh->isVisible());

        // Closing hides; reopening shows the section last chosen.
        window.close();
        shell.raiseWindow();
        QVERIFY(window.isVisible());
        QCOMPARE(shell.selection().section(), MonitorWindowSection::settings);

        // The panel's window buttons change the same value.
        shell.togglePanel(QRect(100, 0, 20, 20));
        QVERIFY(shell.panel()->isVisible());
        byAccessibleName<CircleChip>(shell.panel(), QStringLiteral("Open Controls window"))->click();
        QCOMPARE(shell.selection().section(), MonitorWindowSection::controls);
        QVERIFY(window.findChild<ControlPanelView*>());
    }

    void theRefreshChipWaitsWhileTheMonitorIsRead() {
        ControllerFixture f(ControllerFixture::withMonitors);
        f.monitor.setScript("get luminance = wait=gate out=\"60\"\n");
        WindowSectionState selection;
        FakeLoginItem login;
        UnifiedMonitorWindow window(*f.model, selection, login);
        auto* refresh = byAccessibleName<CircleChip>(&window, QStringLiteral("Refresh monitor values"));
        refresh->click();
        QVERIFY(f.c().isWorking());
        QVERIFY(!refresh->isEnabled());
        f.monitor.openGate("gate");
        QTRY_VERIFY(refresh->isEnabled());
    }

    void withoutATrayTheWindowStandsIn() {
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QSKIP("this desktop has a system tray");
        ControllerFixture f(ControllerFixture::withMonitors);
        VelmarMonitorMenuApp shell(*f.model, std::make_unique<FakeLoginItem>());
        shell.start();
        QVERIFY(shell.window() && shell.window()->isVisible());
        QVERIFY(!shell.trayIcon());
        QVERIFY(std::ranges::any_of(shell.window()->findChildren<QLabel*>(), [](QLabel* label) {
            return label->isVisible() && label->text().contains(QLatin1String("No system tray"));
        }));
        f.settle();
        QVERIFY(!f.monitor.commandLines().isEmpty()); // started all the same
        // With no tray to come back to, closing the window ends the program.
        QSignalSpy ended(&shell, &VelmarMonitorMenuApp::ended);
        shell.window()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // as the main loop would
        QVERIFY(ended.count() == 1 || ended.wait(5000));
    }

    void namesAndMessagesShowAsWritten() {
        ControllerFixture f(ControllerFixture::withMonitors);
        const QString name = QStringLiteral("Velmar <b>VX27</b>");
        f.screens->list = {{name, false}};
        f.store->add(userScene(QStringLiteral("<i>Evening</i>")));
        MonitorMenuView panel(*f.model);
        WindowSectionState selection;
        FakeLoginItem login;
        UnifiedMonitorWindow window(*f.model, selection, login);
        panel.show();
        window.show();
        f.settle();
        QCOMPARE(f.c().displayName(), name);
        f.monitor.setScript("set contrast * = exit=1 err=\"DDC/CI is <b>off</b> & bus 6 is quiet\\n\"\n");
        f.c().set(MonitorFeature::contrast, 30);
        QTRY_VERIFY(f.c().hasError());
        const QString message = QStringLiteral("DDC/CI is <b>off</b> & bus 6 is quiet");
        QCOMPARE(f.c().status().trimmed(), message);

        for (QWidget* view : {static_cast<QWidget*>(&panel), static_cast<QWidget*>(&window)}) {
            QLabel* nameLabel = shownLabel(view, name);
            QVERIFY(nameLabel);
            QCOMPARE(accessibleText(nameLabel, QAccessible::Name), name); // shown as written
            auto* status = byAccessibleName<ElidedLabel>(view, message);
            QVERIFY(status);
            QCOMPARE(shownToolTip(status), message);
        }
        QCOMPARE(accessibleText(shownLabel(&panel, message), QAccessible::Name), message); // the error row

        selection.setSection(MonitorWindowSection::settings);
        auto* apply =
            byAccessibleName<QAbstractButton>(&window, QStringLiteral("Apply <i>Evening</i> scene"));
        QVERIFY(apply);
        QCOMPARE(shownToolTip(apply), QStringLiteral("Apply <i>Evening</i>"));
    }
};

QTEST_MAIN(TestAppShell)
#include "tst_appshell.moc"
