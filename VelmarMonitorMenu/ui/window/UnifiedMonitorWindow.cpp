#include "UnifiedMonitorWindow.h"

#include "controller/ConnectedMonitors.h"
#include "controller/MonitorController.h"
#include "controller/ProgramModel.h"
#include "ControlPanelView.h"
#include "SectionPicker.h"
#include "SettingsView.h"
#include "ui/Style.h"
#include "ui/widgets/CircleChip.h"
#include "ui/widgets/Divider.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int chipSize = 34;
}

UnifiedMonitorWindow::UnifiedMonitorWindow(ProgramModel& model, WindowSectionState& selection,
                                           LoginItemService& loginItem, QWidget* parent)
    : QWidget(parent), m_model(model), m_monitors(model.monitors()), m_selection(selection),
      m_loginItem(loginItem) {
    setWindowTitle(tr("Velmar Monitor"));
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    // The window is as large as its content, no larger.
    m_layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(12, 8, 12, 8);
    header->setSpacing(12);
    auto* leading = new QWidget(this);
    leading->setFixedSize(chipSize, chipSize); // balances the refresh chip so the picker is centred
    header->addWidget(leading);
    header->addStretch(1);
    m_picker = new SectionPicker(this);
    header->addWidget(m_picker);
    header->addStretch(1);
    m_refresh = new CircleChip(this);
    m_refresh->setSymbol(QStringLiteral("arrow.clockwise"), 14);
    m_refresh->setToolTip(tr("Refresh monitor values"));
    m_refresh->setAccessibleName(tr("Refresh monitor values"));
    header->addWidget(m_refresh);
    m_refreshSpacer = new QWidget(this);
    m_refreshSpacer->setFixedSize(chipSize, chipSize);
    header->addWidget(m_refreshSpacer);
    m_layout->addLayout(header);

    m_notice = new QLabel(this);
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->setWordWrap(true);
    m_notice->setContentsMargins(16, 4, 16, 8);
    m_notice->setFont(Style::captionFont());
    Style::setTextColor(m_notice, Style::warningText(palette()));
    m_notice->hide();
    m_layout->addWidget(m_notice);
    m_layout->addWidget(new Divider(this));

    // The desktop's Close shortcut (Ctrl+W) hides the window like its close button.
    auto* closeWindow = new QAction(tr("Close"), this);
    closeWindow->setShortcuts(QKeySequence::Close);
    connect(closeWindow, &QAction::triggered, this, &QWidget::close);
    addAction(closeWindow);

    connect(m_picker, &SectionPicker::sectionPicked, &m_selection, &WindowSectionState::setSection);
    connect(&m_selection, &WindowSectionState::sectionChanged, this, &UnifiedMonitorWindow::showSection);
    connect(m_refresh, &CircleChip::clicked, this, [this] {
        if (m_shown)
            m_shown->refresh();
    });
    connect(&m_monitors, &ConnectedMonitors::mainChanged, this, [this] {
        if (!m_showsMain)
            return;
        showMonitor(nullptr);
        if (m_selection.section() == MonitorWindowSection::controls)
            showSection(MonitorWindowSection::controls);
    });
    showMonitor(nullptr);
    showSection(m_selection.section());
}

void UnifiedMonitorWindow::setNotice(const QString& text) {
    m_notice->setText(text);
    m_notice->setVisible(!text.isEmpty());
}

void UnifiedMonitorWindow::showSection(MonitorWindowSection section) {
    m_picker->setSection(section);
    const bool controls = section == MonitorWindowSection::controls;
    m_refresh->setVisible(controls);
    m_refreshSpacer->setVisible(!controls);
    // A fresh panel each time: the Settings panel's passing state (a name being typed, a scene
    // being edited) starts empty, and the Controls panel reads the monitor as it appears.
    if (!controls)
        return replaceContent(new SettingsView(m_model, m_loginItem, this));
    auto* view = new ControlPanelView(m_monitors, *m_shown, this);
    connect(view, &ControlPanelView::monitorPicked, this, [this](MonitorController* picked) {
        showMonitor(picked);
        showSection(MonitorWindowSection::controls);
        if (auto* controls = qobject_cast<ControlPanelView*>(m_content))
            controls->focusMonitorPicker(); // where the keyboard was
    });
    replaceContent(view);
}

void UnifiedMonitorWindow::replaceContent(QWidget* content, Removal removal) {
    if (m_content) {
        m_content->hide();
        if (removal == Removal::now)
            delete m_content;
        else
            m_content->deleteLater();
    }
    m_content = content;
    if (!content)
        return;
    m_layout->addWidget(content);
    content->show();
}

void UnifiedMonitorWindow::showMonitor(MonitorController* monitor) {
    disconnect(m_shownWorking);
    disconnect(m_shownGoing);
    m_showsMain = !monitor || monitor == &m_monitors.main();
    m_shown = monitor ? monitor : &m_monitors.main();
    m_shownWorking =
        connect(m_shown, &MonitorController::isWorkingChanged, this, &UnifiedMonitorWindow::updateRefresh);
    // A monitor that goes while shown: its controls go at once, before anything can reach its
    // controller, and the main monitor's take their place (the monitors have chosen it by then).
    // Nothing of the controls is running: the monitors' listing takes a controller down.
    m_shownGoing = connect(m_shown, &QObject::destroyed, this, [this] {
        const bool shown = qobject_cast<ControlPanelView*>(m_content);
        if (shown)
            replaceContent(nullptr, Removal::now);
        showMonitor(nullptr);
        if (shown && m_selection.section() == MonitorWindowSection::controls)
            showSection(MonitorWindowSection::controls);
    });
    updateRefresh();
}

void UnifiedMonitorWindow::updateRefresh() {
    const bool working = m_shown && m_shown->isWorking();
    m_refresh->setBusy(working);
    m_refresh->setEnabled(!working);
}
