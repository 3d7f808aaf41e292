#include "VelmarMonitorMenuApp.h"

#include "controller/ConnectedMonitors.h"
#include "controller/MonitorController.h"
#include "controller/OnScreenIndicatorPreference.h"
#include "controller/ProgramModel.h"
#include "icons/SymbolIcons.h"
#include "OnScreenIndicator.h"
#include "panel/MonitorMenuView.h"
#include "system/DesktopSession.h"
#include "system/LoginItemService.h"
#include "system/MemoryRelease.h"
#include "window/UnifiedMonitorWindow.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QIconEngine>
#include <QMenu>
#include <QPainter>
#include <QPixmapCache>
#include <QSystemTrayIcon>
#include <QTimer>

#include <map>

namespace {

// The tray shows the "display" symbol. Tray backgrounds may be light or dark whatever the
// application palette says, so the symbol is drawn light with a dark outline, readable on both.
// Each size is drawn when the tray first asks for it: a tray shows one, and drawing every size
// ahead was the slowest step before the icon appeared.
class OutlinedSymbolIcon final : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const QPixmap drawn = pixmap(rect.size(), mode, state);
        QRect square(QPoint(), drawn.size());
        square.moveCenter(rect.center());
        painter->drawPixmap(square, drawn);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        if (side <= 0)
            return {};
        QPixmap& drawn = m_drawn[side];
        if (drawn.isNull())
            drawn = draw(side);
        return drawn;
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const int side : {16, 22, 24, 32, 48, 64})
            sizes.append(QSize(side, side));
        return sizes;
    }
    QIconEngine* clone() const override { return new OutlinedSymbolIcon(*this); }
    QString key() const override { return QStringLiteral("VelmarOutlinedSymbol"); }

private:
    static QPixmap draw(int side) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        const QPixmap outline =
            SymbolIcons::pixmap(QStringLiteral("display"), side, QColor(0x20, 0x20, 0x20));
        for (const QPoint offset : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
            painter.drawPixmap(offset, outline);
        painter.drawPixmap(0, 0, SymbolIcons::pixmap(QStringLiteral("display"), side, QColor(0xf4, 0xf4, 0xf4)));
        return pixmap;
    }

    std::map<int, QPixmap> m_drawn;
};

// Where the tray colours the symbol's shape itself, it is a mask of the symbol alone.
QIcon trayIconImage() {
    if (!DesktopSession::trayTintsIcons())
        return QIcon(new OutlinedSymbolIcon);
    QIcon icon;
    for (int size : {16, 18, 22, 32, 36, 44})
        icon.addPixmap(SymbolIcons::pixmap(QStringLiteral("display"), size, Qt::black));
    icon.setIsMask(true);
    return icon;
}

// What a closed view leaves behind: the style's cached drawings (up to Qt's 10 MiB limit), then
// the freed heap and the pages of code and fonts only the views use.
void releaseViewMemory() {
    QPixmapCache::clear();
    releaseFreedMemory();
}

constexpr qint64 reopenGuardMs = 300;
// A DDC/CI write takes tens of milliseconds; one still running after this is stuck.
constexpr auto quitGrace = std::chrono::milliseconds(1000);

} // namespace

VelmarMonitorMenuApp::VelmarMonitorMenuApp(ProgramModel& model, std::unique_ptr<LoginItemService> loginItem,
                                           QObject* parent)
    : QObject(parent), m_model(model), m_loginItem(std::move(loginItem)),
      m_settingsCommand(new QAction(tr("Settings…"), this)) {
    if (!m_loginItem)
        m_loginItem = makeSystemLoginItemService();
    // The Preferences shortcut of the platform: Command-comma on macOS; on Linux desktops,
    // which define none, Ctrl+comma as most applications use.
    const auto preferences = QKeySequence::keyBindings(QKeySequence::Preferences);
    m_settingsCommand->setShortcuts(
        preferences.isEmpty() ? QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Comma)} : preferences);
    m_settingsCommand->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_settingsCommand, &QAction::triggered, this,
            [this] { openWindow(MonitorWindowSection::settings); });
}

VelmarMonitorMenuApp::~VelmarMonitorMenuApp() {
    delete m_panel;
    delete m_window;
}

MonitorMenuView* VelmarMonitorMenuApp::panel() const {
    return m_panel;
}

UnifiedMonitorWindow* VelmarMonitorMenuApp::window() const {
    return m_window;
}

OnScreenIndicator* VelmarMonitorMenuApp::onScreenIndicator() const {
    return m_indicator.get();
}

void VelmarMonitorMenuApp::showValueChange(MonitorFeature feature, MonitorController* monitor) {
    if (auto* indicator = indicatorForChange(monitor))
        indicator->showValue(feature, monitor ? *monitor : m_model.monitors().main());
}

void VelmarMonitorMenuApp::showInputChange(MonitorInput input, MonitorController* monitor) {
    if (auto* indicator = indicatorForChange(monitor))
        indicator->showInput(input);
}

void VelmarMonitorMenuApp::showSceneChange(const MonitorScene& scene, MonitorController* monitor) {
    if (auto* indicator = indicatorForChange(monitor))
        indicator->showScene(scene);
}

void VelmarMonitorMenuApp::showNightModeChange(bool on) {
    // Every monitor turns together: no one monitor to name.
    if (auto* indicator = indicatorForChange(nullptr, false))
        indicator->showNightMode(on);
}

void VelmarMonitorMenuApp::showAdaptiveChange(bool on) {
    // Every monitor's, as Night Mode is.
    if (auto* indicator = indicatorForChange(nullptr, false))
        indicator->showAdaptive(on);
}

OnScreenIndicator* VelmarMonitorMenuApp::indicatorForChange(const MonitorController* monitor, bool named) {
    if (m_quitting || !m_model.onScreenIndicator().isEnabled())
        return nullptr;
    // Made the first time it is wanted, like the panel: most users never script a change.
    if (!m_indicator)
        m_indicator = std::make_unique<OnScreenIndicator>();
    // With one monitor there is no doubt which one changed, and the card stays as it always was.
    const auto& monitors = m_model.monitors();
    const bool several = monitors.controllers().size() > 1;
    m_indicator->setMonitorName(named && several ? (monitor ? *monitor : monitors.main()).displayName()
                                                 : QString());
    return m_indicator.get();
}

void VelmarMonitorMenuApp::start() {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray = std::make_unique<QSystemTrayIcon>(trayIconImage());
        // Where a menu would open on every click, the panel's own options menu stands in for it.
        if (!DesktopSession::trayMenuTakesEveryClick()) {
            m_trayMenu = std::make_unique<QMenu>();
            m_trayMenu->addAction(tr("Open Controls…"), this,
                                  [this] { openWindow(MonitorWindowSection::controls); });
            m_trayMenu->addAction(m_settingsCommand);
            m_trayMenu->addSeparator();
            m_trayMenu->addAction(tr("Quit Velmar Monitor"), this, &VelmarMonitorMenuApp::quit);
            m_tray->setContextMenu(m_trayMenu.get());
        }
        connect(m_tray.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    // Without a menu, the other button opens the panel too.
                    const bool opensPanel = reason == QSystemTrayIcon::Trigger ||
                                            reason == QSystemTrayIcon::DoubleClick ||
                                            (reason == QSystemTrayIcon::Context && !m_tray->contextMenu());
                    if (opensPanel)
                        togglePanel(trayAnchor());
                });
        bindTrayToolTip();
        connect(&m_model.monitors(), &ConnectedMonitors::mainChanged, this, &VelmarMonitorMenuApp::bindTrayToolTip);
        m_tray->show();
    } else {
        // Running invisibly would leave the user no way to reach the program: the window stands
        // in for the tray, and closing it quits.
        m_withoutTray = true;
        auto& window = ensureWindow();
        window.setNotice(tr("No system tray was found on this desktop, so Velmar Monitor runs in this "
                            "window. Closing it quits the program."));
        // Queued: while `destroyed` is emitted the window is only a QWidget any more.
        connect(&window, &QObject::destroyed, this, &VelmarMonitorMenuApp::quit, Qt::QueuedConnection);
        openWindow(MonitorWindowSection::controls);
    }
    m_model.start();
}

void VelmarMonitorMenuApp::bindTrayToolTip() {
    disconnect(m_mainStatus);
    m_mainStatus = connect(&m_model.monitors().main(), &MonitorController::statusChanged, this,
                           &VelmarMonitorMenuApp::updateTrayToolTip);
    updateTrayToolTip();
}

void VelmarMonitorMenuApp::updateTrayToolTip() {
    if (m_tray)
        m_tray->setToolTip(tr("Velmar Monitor — %1").arg(m_model.monitors().main().status().trimmed()));
}

void VelmarMonitorMenuApp::viewClosed() {
    // Later, once the view is gone, and only if the other one is gone too: what one view gives
    // back the other may still use.
    QTimer::singleShot(0, this, [this] {
        if (!m_panel && !m_window)
            releaseViewMemory();
    });
}

QRect VelmarMonitorMenuApp::trayAnchor() const {
    // The XEmbed tray and the macOS menu bar know where the icon is, and the panel drops from it;
    // elsewhere the pointer is beside it.
    const QRect icon = m_tray ? m_tray->geometry() : QRect();
    if (icon.isValid() && !icon.isEmpty())
        return icon;
    return QRect(QCursor::pos(), QSize(1, 1));
}

MonitorMenuView& VelmarMonitorMenuApp::ensurePanel() {
    if (!m_panel) {
        m_panel = new MonitorMenuView(m_model);
        // Made again each time it opens: nothing is kept while the program only sits in the tray.
        m_panel->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_panel, &QObject::destroyed, this, &VelmarMonitorMenuApp::viewClosed);
        m_panel->addAction(m_settingsCommand);
        connect(m_panel, &MonitorMenuView::openWindowRequested, this, &VelmarMonitorMenuApp::openWindow);
        // The same clean ending as the tray menu's Quit: a write under way finishes, no helper
        // is left behind.
        connect(m_panel, &MonitorMenuView::quitRequested, this, &VelmarMonitorMenuApp::quit,
                Qt::QueuedConnection);
        connect(m_panel, &MonitorMenuView::hidden, this, [this] { m_panelClosed.start(); });
    }
    return *m_panel;
}

UnifiedMonitorWindow& VelmarMonitorMenuApp::ensureWindow() {
    if (!m_window) {
        m_window = new UnifiedMonitorWindow(m_model, m_selection, *m_loginItem);
        m_window->setAttribute(Qt::WA_DeleteOnClose); // as the panel: made again when next wanted
        connect(m_window, &QObject::destroyed, this, &VelmarMonitorMenuApp::viewClosed);
        m_window->addAction(m_settingsCommand);
    }
    return *m_window;
}

void VelmarMonitorMenuApp::togglePanel(const QRect& anchor) {
    if (m_panel && m_panel->isVisible()) {
        m_panel->close();
        return;
    }
    if (m_panelClosed.isValid() && m_panelClosed.elapsed() < reopenGuardMs)
        return;
    ensurePanel().popUp(anchor);
}

void VelmarMonitorMenuApp::quit() {
    if (std::exchange(m_quitting, true)) {
        emit ended(); // asked twice: no more waiting
        return;
    }
    if (m_tray)
        m_tray->hide();
    if (m_panel)
        m_panel->close();
    if (m_window)
        m_window->hide();
    if (m_indicator)
        m_indicator->hide();
    finishThenEnd();
}

QCoro::Task<> VelmarMonitorMenuApp::finishThenEnd() {
    const QPointer<VelmarMonitorMenuApp> self(this);
    co_await m_model.finishWork(quitGrace);
    if (self)
        emit self->ended();
}

void VelmarMonitorMenuApp::openWindow(MonitorWindowSection section) {
    m_selection.setSection(section);
    raiseWindow();
}

void VelmarMonitorMenuApp::raiseWindow() {
    auto& window = ensureWindow();
    window.show();
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    window.activateWindow();
}
