#include "SettingsView.h"

#include "controller/AdaptiveBrightness.h"
#include "controller/AdaptiveSchedule.h"
#include "controller/ConnectedMonitors.h"
#include "controller/KeyboardShortcuts.h"
#include "controller/LinkedBrightness.h"
#include "controller/MonitorController.h"
#include "controller/OnScreenIndicatorPreference.h"
#include "controller/ProgramModel.h"
#include "controller/SettingsFile.h"
#include "FormSection.h"
#include "ShortcutRows.h"
#include "ScheduleEditor.h"
#include "system/WallClock.h"
#include "ui/AdaptiveStatus.h"
#include "scenes/MonitorSceneStore.h"
#include "system/LoginItemService.h"
#include "system/PlatformWording.h"
#include "ui/icons/SymbolIcons.h"
#include "ui/sceneeditor/SceneEditorSheet.h"
#include "ui/sceneeditor/SceneManagementRow.h"
#include "ui/Style.h"
#include "ui/widgets/ElidedLabel.h"
#include "ui/widgets/MonitorPicker.h"
#include "ui/widgets/ToggleSwitch.h"
#include "ui/widgets/WheelGuard.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int pickerWidth = 220;
constexpr auto newSceneSymbol = "slider.horizontal.3";

int sliderValue(double value, int lowest, int highest) {
    if (!std::isfinite(value))
        return lowest;
    return std::clamp(static_cast<int>(std::lround(value)), lowest, highest);
}

// A slider with its value beside it, 210 wide: the adaptive range's two ends.
QWidget* rangeSlider(QSlider*& slider, QLabel*& readout, QWidget* parent) {
    auto* row = new QWidget(parent);
    row->setFixedWidth(210);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    slider = new QSlider(Qt::Horizontal, row);
    slider->setSingleStep(1);
    slider->setPageStep(10);
    line->addWidget(slider, 1);
    readout = new QLabel(row);
    readout->setFixedWidth(28);
    readout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    line->addWidget(readout);
    return row;
}

// A line in a warning or error colour with its symbol, for problems the user must see.
QLabel* problemLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setFont(Style::captionFont());
    return label;
}

QWidget* switchRow(ToggleSwitch*& toggle, QWidget* parent) {
    toggle = new ToggleSwitch(parent);
    return toggle;
}

} // namespace

SettingsView::SettingsView(ProgramModel& model, LoginItemService& loginItem, QWidget* parent)
    : QWidget(parent), m_model(model), m_monitors(model.monitors()), m_loginItem(loginItem),
      m_inputMonitor(&m_monitors.main()) {
    setFixedSize(480, 640);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* layout = addScrollingForm(*outer);
    auto* form = layout->parentWidget();

    m_settingsProblem = problemLabel(form);
    layout->addWidget(m_settingsProblem);
    buildMonitorsSection(layout);
    buildScenesSection(layout);
    buildAdaptiveSection(layout);
    buildInputScenesSection(layout);
    buildShortcutsSection(layout);
    buildLoginSection(layout);
    buildAboutSection(layout);
    layout->addStretch(1);
    WheelGuard::guardControls(*this);

    connect(&m_model.sceneStore(), &MonitorSceneStore::customScenesChanged, this,
            &SettingsView::rebuildSceneRows);
    connect(&m_model.settings(), &SettingsFile::errorChanged, this, &SettingsView::updateProblems);
    connect(&m_model.sceneStore(), &MonitorSceneStore::persistenceErrorChanged, this,
            &SettingsView::updateProblems);
    const auto* adaptive = &m_model.adaptiveBrightness();
    for (auto signal : {&AdaptiveBrightness::enabledChanged, &AdaptiveBrightness::minimumChanged,
                        &AdaptiveBrightness::maximumChanged, &AdaptiveBrightness::supportChanged,
                        &AdaptiveBrightness::pausedUntilChanged, &AdaptiveBrightness::stateChanged,
                        &AdaptiveBrightness::sourceChanged})
        connect(adaptive, signal, this, &SettingsView::updateAdaptive);
    connect(&m_monitors, &ConnectedMonitors::controllersChanged, this, &SettingsView::updateMonitors);
    connect(&m_monitors, &ConnectedMonitors::mainChanged, this, &SettingsView::bindMain);
    connect(&m_model.linkedBrightness(), &LinkedBrightness::linkedChanged, this, &SettingsView::updateLinked);
    bindMain();
    showInputScenesOf(nullptr);
    connect(&m_model.onScreenIndicator(), &OnScreenIndicatorPreference::enabledChanged, this,
            &SettingsView::updateShortcuts);

    rebuildSceneRows();
    restyle();
}

SettingsView::~SettingsView() = default;

MonitorController& SettingsView::main() const {
    return m_monitors.main();
}

void SettingsView::bindMain() {
    disconnect(m_mainActiveScene);
    m_mainActiveScene =
        connect(&main(), &MonitorController::activeSceneIDChanged, this, &SettingsView::updateActiveScene);
    updateActiveScene();
}

QString SettingsView::sceneSummary(const MonitorScene& scene) {
    QStringList parts;
    // Whole numbers by dropping the fraction: 49.9 reads 49.
    const auto whole = [](double value) { return QString::number(static_cast<long long>(value)); };
    if (scene.brightness)
        parts.append(tr("Brightness %1").arg(whole(*scene.brightness)));
    if (scene.contrast)
        parts.append(tr("Contrast %1").arg(whole(*scene.contrast)));
    if (scene.volume)
        parts.append(tr("Volume %1").arg(whole(*scene.volume)));
    return parts.mid(0, 2).join(QStringLiteral(" · "));
}

void SettingsView::buildMonitorsSection(QVBoxLayout* layout) {
    m_monitorsSection = new FormSection(tr("Monitors"), this);
    m_mainMonitor = new MonitorPicker(m_monitors, this);
    m_mainMonitor->setFixedWidth(pickerWidth);
    m_mainMonitor->setAccessibleName(tr("Main monitor"));
    m_monitorsSection->addRow(tr("Main monitor"), m_mainMonitor);
    connect(m_mainMonitor, &MonitorPicker::monitorPicked, this,
            [this](MonitorController* picked) { m_monitors.setMainMonitor(picked->id()); });
    m_monitorsSection->addRow(tr("Link brightness"), switchRow(m_linked, this));
    connect(m_linked, &ToggleSwitch::clicked, this,
            [this](bool linked) { m_model.linkedBrightness().setLinked(linked); });
    m_monitorsSection->setFooter(
        tr("Adaptive brightness, and shortcuts and scripts that name no monitor, adjust the main "
           "monitor. Linked, a brightness chosen for one monitor moves the others by as much."));
    layout->addWidget(m_monitorsSection);
}

void SettingsView::updateMonitors() {
    const auto controllers = m_monitors.controllers();
    m_monitorsSection->setVisible(controllers.size() > 1);
    m_inputMonitorRow->setVisible(controllers.size() > 1);
    // One row per monitor with its name, made as more monitors come and hidden as they go.
    const QStringList names = monitorNames(controllers);
    while (m_nameRows.size() < std::size_t(names.size())) {
        auto* row = new QWidget(this);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(12);
        auto* name = new ElidedLabel(row);
        line->addWidget(name, 1);
        auto* main = new QLabel(tr("Main"), row);
        main->setFont(Style::captionFont());
        line->addWidget(main);
        m_nameRows.push_back({m_monitorsSection->addFullRow(row), name, main});
    }
    for (std::size_t i = 0; i < m_nameRows.size(); ++i) {
        const auto& [row, name, main] = m_nameRows[i];
        row->setVisible(i < std::size_t(names.size()));
        if (i < std::size_t(names.size()))
            name->setText(names.at(int(i)));
        main->setVisible(i == 0);
        Style::setTextColor(main, Style::secondaryText(palette()));
    }
    for (auto* controller : controllers)
        connect(controller, &MonitorController::displayNameChanged, this, &SettingsView::updateMonitors,
                Qt::UniqueConnection);
    m_mainMonitor->setCurrentMonitor(&main());
    updateLinked();
    // A monitor shown under Input Scenes that went gives way to the main one; the main one's
    // may be another monitor's by now.
    if (!m_inputMonitor)
        showInputScenesOf(nullptr);
    else
        updateInputScenes();
}

void SettingsView::updateLinked() {
    const bool linked = m_model.linkedBrightness().isLinked();
    m_linked->setChecked(linked);
    m_linked->setAccessibleValueText(linked ? tr("On") : tr("Off"));
}

void SettingsView::showInputScenesOf(MonitorController* monitor) {
    disconnect(m_inputMonitorEnabled);
    m_inputMonitor = monitor ? monitor : &main();
    m_inputMonitorEnabled = connect(m_inputMonitor, &MonitorController::perInputScenesEnabledChanged, this,
                                    &SettingsView::updateInputScenes);
    m_inputMonitorPicker->setCurrentMonitor(m_inputMonitor);
    updateInputScenes();
}

void SettingsView::buildScenesSection(QVBoxLayout* layout) {
    m_scenes = new FormSection(tr("Scenes"), this);
    m_scenesProblem = problemLabel(this);
    m_scenes->addFullRow(m_scenesProblem);
    m_sceneRowsHolder = new QWidget(this);
    m_sceneRows = new QVBoxLayout(m_sceneRowsHolder);
    m_sceneRows->setContentsMargins(0, 0, 0, 0);
    m_sceneRows->setSpacing(0);
    m_scenes->addFullRow(m_sceneRowsHolder)->layout()->setContentsMargins(12, 0, 12, 0);
    auto* save = new QPushButton(tr("Save Current Settings as Scene…"), this);
    save->setFlat(true);
    save->setCursor(Qt::PointingHandCursor);
    save->setStyleSheet(QStringLiteral("text-align: left; padding: 4px 0px;"));
    save->setObjectName(QStringLiteral("saveScene"));
    connect(save, &QPushButton::clicked, this, &SettingsView::startNamingScene);
    m_scenes->addFullRow(save);
    m_scenes->setFooter(
        tr("A scene applies its saved monitor values together. Built-in scenes can be duplicated "
           "and customized."));
    layout->addWidget(m_scenes);
}

void SettingsView::rebuildSceneRows() {
    // Later, not now: the change may come from a row's own menu, still on the stack.
    for (auto& [id, row] : m_rows) {
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    for (const auto& scene : m_model.sceneStore().allScenes()) {
        ScenePickerItem item{uuidText(scene.id), scene.name, sceneSummary(scene), scene.symbol,
                             scene.kind == MonitorScene::Kind::custom};
        const bool custom = item.isEditable;
        auto onApply = [this, scene] { main().apply(scene); };
        std::function<void()> onEdit, onDelete;
        if (custom) {
            onEdit = [this, scene] { editScene(scene); };
            onDelete = [this, scene] { main().deleteScene(scene); };
        }
        auto onDuplicate = [this, scene] { main().duplicateScene(scene); };
        auto* row = new SceneManagementRow(item, main().activeSceneID() == scene.id, onApply, onEdit,
                                           onDuplicate, onDelete, m_sceneRowsHolder);
        m_sceneRows->addWidget(row);
        m_rows.emplace_back(scene.id, row);
    }
    updateInputScenes(); // the pickers list the scenes too
}

void SettingsView::updateActiveScene() {
    const auto active = main().activeSceneID();
    for (auto& [id, row] : m_rows)
        row->setActive(active == id);
}

void SettingsView::buildAdaptiveSection(QVBoxLayout* layout) {
    auto& adaptive = m_model.adaptiveBrightness();
    m_adaptiveSection = new FormSection(tr("Adaptive Brightness"), this);
    auto* section = m_adaptiveSection;
    // The switch speaks of the source followed: its label and name change with it.
    auto* switchRowWidget = section->addRow(AdaptiveStatus::switchText(adaptive.source()), switchRow(m_adaptive, this));
    m_adaptiveLabel = switchRowWidget->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    connect(m_adaptive, &ToggleSwitch::clicked, this,
            [this](bool enabled) { m_model.adaptiveBrightness().setEnabled(enabled); });

    m_source = new QComboBox(this);
    m_source->setFixedWidth(pickerWidth);
    m_source->setAccessibleName(tr("Source"));
    section->addRow(tr("Source"), m_source);
    connect(m_source, &QComboBox::activated, this, [this](int index) {
        m_model.adaptiveBrightness().setSource(Adaptive::Source(m_source->itemData(index).toInt()));
    });

    m_minimumRow = section->addRow(tr("Velmar minimum"), rangeSlider(m_minimum, m_minimumValue, this));
    m_maximumRow = section->addRow(tr("Velmar maximum"), rangeSlider(m_maximum, m_maximumValue, this));
    m_minimum->setAccessibleName(tr("Velmar minimum"));
    m_maximum->setAccessibleName(tr("Velmar maximum"));
    // Each end's range stops at the other end, so the two can never cross.
    connect(m_minimum, &QSlider::valueChanged, this, [this](int value) {
        auto& adaptive = m_model.adaptiveBrightness();
        adaptive.setRange(value, adaptive.maximum());
    });
    connect(m_maximum, &QSlider::valueChanged, this, [this](int value) {
        auto& adaptive = m_model.adaptiveBrightness();
        adaptive.setRange(adaptive.minimum(), value);
    });

    m_schedule = new ScheduleEditor(this);
    m_scheduleRow = section->addFullRow(m_schedule);
    m_scheduleRow->layout()->setContentsMargins(0, 0, 0, 0);
    m_scheduleRow->setMinimumHeight(0);
    auto& schedule = adaptive.schedule();
    connect(m_schedule, &ScheduleEditor::scheduleEdited, &schedule, &AdaptiveSchedule::setSchedule);
    connect(m_schedule, &ScheduleEditor::placeEdited, &schedule, &AdaptiveSchedule::setCustomPlace);
    connect(&schedule, &AdaptiveSchedule::changed, this, &SettingsView::updateSchedule);
    connect(&schedule.clock(), &WallClock::changed, this, &SettingsView::updateSchedule);

    auto* resume = new QPushButton(tr("Resume Following Now"), this);
    resume->setObjectName(QStringLiteral("resumeFollowing"));
    connect(resume, &QPushButton::clicked, this, [this] { m_model.adaptiveBrightness().resume(); });
    m_resumeRow = section->addFullRow(resume);
    m_resumeRow->layout()->setAlignment(resume, Qt::AlignLeft);

    auto* unavailable = new QWidget(this);
    auto* unavailableLine = new QHBoxLayout(unavailable);
    unavailableLine->setContentsMargins(0, 0, 0, 0);
    unavailableLine->setSpacing(6);
    m_unavailableSymbol = new QLabel(unavailable);
    unavailableLine->addWidget(m_unavailableSymbol, 0, Qt::AlignTop);
    m_unavailable = problemLabel(unavailable);
    unavailableLine->addWidget(m_unavailable, 1);
    m_unavailableRow = section->addFullRow(unavailable);
    layout->addWidget(section);
    connect(&adaptive, &AdaptiveBrightness::lightSensorChanged, this, &SettingsView::updateSources);
    updateSchedule();
}

void SettingsView::updateSources() {
    const auto& adaptive = m_model.adaptiveBrightness();
    const QSignalBlocker blocker(m_source);
    m_source->clear();
    for (const auto source : {Adaptive::Source::laptop, Adaptive::Source::lightSensor, Adaptive::Source::schedule}) {
        // The sensor is offered while there is one, and shown while it is the choice.
        if (source == Adaptive::Source::lightSensor && !adaptive.hasLightSensor() && adaptive.source() != source)
            continue;
        m_source->addItem(AdaptiveStatus::sourceTitle(source), int(source));
    }
    m_source->setCurrentIndex(m_source->findData(int(adaptive.source())));
}

void SettingsView::updateSchedule() {
    const auto& schedule = m_model.adaptiveBrightness().schedule();
    const auto context = schedule.context();
    m_schedule->setSchedule(schedule.schedule());
    m_schedule->setPlace(schedule.customPlace());
    const QDate today = schedule.clock().now().toTimeZone(context.timeZone).date();
    m_schedule->setSunTimes(tr("Sun times for %1").arg(schedule.placeTitle()),
                            context.place ? schedule.schedule().sunTimes(today, context) : QList<ScheduleSunTime>{},
                            context.timeZone);
}

void SettingsView::buildInputScenesSection(QVBoxLayout* layout) {
    auto* section = new FormSection(tr("Input Scenes"), this);
    // Each monitor has its own; the picker says whose are shown while there are several.
    m_inputMonitorPicker = new MonitorPicker(m_monitors, this);
    m_inputMonitorPicker->setFixedWidth(pickerWidth);
    m_inputMonitorPicker->setAccessibleName(tr("Monitor"));
    m_inputMonitorRow = section->addRow(tr("Monitor"), m_inputMonitorPicker);
    connect(m_inputMonitorPicker, &MonitorPicker::monitorPicked, this, &SettingsView::showInputScenesOf);
    section->addRow(tr("Apply scenes by input"), switchRow(m_perInput, this));
    connect(m_perInput, &ToggleSwitch::clicked, this, [this](bool enabled) {
        if (m_inputMonitor)
            m_inputMonitor->setPerInputScenesEnabled(enabled);
    });
    for (const auto input : MonitorInputs::allCases) {
        auto* picker = new QComboBox(this);
        picker->setFixedWidth(pickerWidth);
        picker->setAccessibleName(MonitorInputs::title(input));
        auto* row = section->addRow(MonitorInputs::title(input), MonitorInputs::symbol(input), picker);
        connect(picker, &QComboBox::activated, this, [this, input, picker](int index) {
            const QUuid id = picker->itemData(index).toUuid();
            if (m_inputMonitor)
                m_inputMonitor->setPreferredSceneID(input,
                                                    id.isNull() ? std::nullopt : std::optional<QUuid>(id));
        });
        m_inputPickers[input] = {row, picker};
    }
    section->setFooter(tr("Optionally apply a chosen scene after switching to a particular Velmar input."));
    layout->addWidget(section);
}

void SettingsView::buildShortcutsSection(QVBoxLayout* layout) {
    auto& keys = m_model.keyboardShortcuts();
    auto* section = new FormSection(tr("Shortcuts and Scripts"), this);
    m_shortcutsUnavailable = new QLabel(PlatformWording::shortcutsUnavailable(), this);
    m_shortcutsUnavailable->setWordWrap(true);
    m_shortcutsUnavailable->setTextFormat(Qt::PlainText);
    m_shortcutsUnavailable->setFont(Style::captionFont());
    m_shortcutsUnavailableRow = section->addFullRow(m_shortcutsUnavailable);
    // Where no key can be had, only the note and the commands are shown.
    m_shortcutRows.append(section->addFullRow(new ShortcutRows(keys, this)));

    m_shortcutStep = new QComboBox(this);
    for (const int step : {5, 10})
        m_shortcutStep->addItem(QString::number(step), step);
    m_shortcutRows.append(section->addRow(tr("Step of a brightness or volume key"), m_shortcutStep));
    connect(m_shortcutStep, &QComboBox::activated, this, [this, &keys](int index) {
        keys.setStep(m_shortcutStep->itemData(index).toInt());
    });
    m_shortcutRows.append(
        section->addRow(tr("Use the keyboard's brightness keys"), switchRow(m_brightnessKeys, this)));
    connect(m_brightnessKeys, &ToggleSwitch::clicked, this, [&keys](bool on) { keys.setUsesBrightnessKeys(on); });

    section->addRow(tr("Show changes on screen"), switchRow(m_onScreenIndicator, this));
    connect(m_onScreenIndicator, &ToggleSwitch::clicked, this,
            [this](bool enabled) { m_model.onScreenIndicator().setEnabled(enabled); });
    section->setFooter(
        tr("A shortcut acts on the main monitor wherever you are typing. A command such as "
           "\"velmar-monitor --brightness +10\", run from a script, does the same; either shows its "
           "change for a moment near the bottom of the screen."));
    connect(&keys, &KeyboardShortcuts::changed, this, &SettingsView::updateShortcuts);
    connect(&keys, &KeyboardShortcuts::stateChanged, this, &SettingsView::updateShortcuts);
    layout->addWidget(section);
}

void SettingsView::buildLoginSection(QVBoxLayout* layout) {
    auto* section = new FormSection(QString(), this);
    section->addRow(tr("Launch at login"), switchRow(m_launchAtLogin, this));
    m_launchAtLogin->setChecked(m_loginItem.isEnabled());
    connect(m_launchAtLogin, &ToggleSwitch::clicked, this, &SettingsView::updateLaunchAtLogin);
    m_launchError = problemLabel(this);
    m_launchErrorRow = section->addFullRow(m_launchError);
    m_launchErrorRow->hide();
    section->setFooter(PlatformWording::launchAtLoginExplanation());
    layout->addWidget(section);
}

void SettingsView::buildAboutSection(QVBoxLayout* layout) {
    auto* section = new FormSection(tr("About"), this);
    const QString version = QCoreApplication::applicationVersion();
    auto* versionLabel = new QLabel(version.isEmpty() ? QStringLiteral("—") : version, this);
    versionLabel->setObjectName(QStringLiteral("version"));
    versionLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    section->addRow(tr("Version"), versionLabel);
    auto* credit = new QLabel(this);
    credit->setWordWrap(true);
    credit->setTextFormat(Qt::RichText);
    credit->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                        .arg(PlatformWording::monitorAccessCreditLink(),
                             PlatformWording::monitorAccessCredit().toHtmlEscaped()));
    credit->setOpenExternalLinks(true);
    credit->setTextInteractionFlags(Qt::TextBrowserInteraction);
    credit->setAccessibleName(PlatformWording::monitorAccessCredit());
    section->addFullRow(credit);
    layout->addWidget(section);
}

void SettingsView::updateProblems() {
    const auto& settingsError = m_model.settings().error();
    m_settingsProblem->setText(settingsError.value_or(QString()));
    m_settingsProblem->setVisible(settingsError.has_value());
    const auto& scenesError = m_model.sceneStore().persistenceError();
    m_scenesProblem->setText(scenesError ? tr("Your scenes could not be read or saved: %1").arg(*scenesError)
                                         : QString());
    m_scenesProblem->parentWidget()->setVisible(scenesError.has_value());
}

void SettingsView::updateAdaptive() {
    const auto& adaptive = m_model.adaptiveBrightness();
    const bool enabled = adaptive.isEnabled();
    const auto source = adaptive.source();
    m_adaptive->setChecked(enabled);
    m_adaptive->setAccessibleValueText(enabled ? tr("On") : tr("Off"));
    m_adaptive->setAccessibleName(AdaptiveStatus::switchText(source));
    if (m_adaptiveLabel)
        m_adaptiveLabel->setText(AdaptiveStatus::switchText(source));
    m_adaptiveSection->setFooter(AdaptiveStatus::explanation(source));
    updateSources();
    m_minimumRow->setVisible(enabled);
    m_maximumRow->setVisible(enabled);
    m_scheduleRow->setVisible(enabled && source == Adaptive::Source::schedule);
    const double minimum = adaptive.minimum();
    const double maximum = adaptive.maximum();
    {
        const QSignalBlocker blockMinimum(m_minimum), blockMaximum(m_maximum);
        m_minimum->setRange(0, sliderValue(maximum, 0, 100));
        m_minimum->setValue(sliderValue(minimum, 0, 100));
        m_maximum->setRange(sliderValue(minimum, 0, 100), 100);
        m_maximum->setValue(sliderValue(maximum, 0, 100));
    }
    const QLocale locale;
    m_minimumValue->setText(locale.toString(m_minimum->value()));
    m_maximumValue->setText(locale.toString(m_maximum->value()));
    m_resumeRow->setVisible(adaptive.state() == Adaptive::State::paused);
    m_unavailable->setText(AdaptiveStatus::unavailableText(source));
    m_unavailableRow->setVisible(enabled && adaptive.support() == Adaptive::Support::no &&
                                 !m_unavailable->text().isEmpty());
}

void SettingsView::updateInputScenes() {
    if (!m_inputMonitor)
        return; // the monitor went: the main one's are shown once the picker has been refilled
    const bool enabled = m_inputMonitor->perInputScenesEnabled();
    m_perInput->setChecked(enabled);
    m_perInput->setAccessibleValueText(enabled ? tr("On") : tr("Off"));
    const auto scenes = m_model.sceneStore().allScenes();
    for (auto& [input, entry] : m_inputPickers) {
        auto& [row, picker] = entry;
        row->setVisible(enabled);
        const QSignalBlocker blocker(picker);
        picker->clear();
        picker->addItem(tr("None"), QUuid());
        for (const auto& scene : scenes)
            picker->addItem(SymbolIcons::icon(scene.symbol, palette()), scene.name, scene.id);
        const auto preferred = m_inputMonitor->preferredSceneID(input);
        // A preference that names a scene no longer there shows as no choice at all.
        picker->setCurrentIndex(preferred ? picker->findData(*preferred) : 0);
    }
}

void SettingsView::updateShortcuts() {
    const bool enabled = m_model.onScreenIndicator().isEnabled();
    m_onScreenIndicator->setChecked(enabled);
    m_onScreenIndicator->setAccessibleValueText(enabled ? tr("On") : tr("Off"));
    const auto& keys = m_model.keyboardShortcuts();
    m_shortcutsUnavailableRow->setVisible(!keys.isAvailable());
    for (QWidget* row : m_shortcutRows)
        row->setVisible(keys.isAvailable());
    m_shortcutStep->setCurrentIndex(m_shortcutStep->findData(keys.step()));
    const bool brightnessKeys = keys.usesBrightnessKeys();
    m_brightnessKeys->setChecked(brightnessKeys);
    m_brightnessKeys->setAccessibleValueText(brightnessKeys ? tr("On") : tr("Off"));
}

void SettingsView::updateLaunchAtLogin(bool enabled) {
    const auto failure = enabled ? m_loginItem.enable() : m_loginItem.disable();
    m_launchError->setText(failure.value_or(QString()));
    m_launchErrorRow->setVisible(failure.has_value());
    // After a failure the switch shows how things really stand.
    m_launchAtLogin->setChecked(failure ? m_loginItem.isEnabled() : enabled);
    m_launchAtLogin->setAccessibleValueText(m_launchAtLogin->isChecked() ? tr("On") : tr("Off"));
}

void SettingsView::startNamingScene() {
    auto* dialog = new QDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("Save Current Settings"));
    dialog->setObjectName(QStringLiteral("namingDialog"));
    auto* layout = new QVBoxLayout(dialog);
    auto* title = new QLabel(tr("Save Current Settings"), dialog);
    title->setFont(Style::font(13, QFont::DemiBold));
    layout->addWidget(title);
    auto* message =
        new QLabel(tr("Brightness, contrast, volume, and color values will be saved together."), dialog);
    message->setWordWrap(true);
    layout->addWidget(message);
    auto* name = new QLineEdit(dialog);
    name->setPlaceholderText(tr("Scene name"));
    name->setAccessibleName(tr("Scene name"));
    layout->addWidget(name);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel | QDialogButtonBox::Save, dialog);
    auto* save = buttons->button(QDialogButtonBox::Save);
    save->setEnabled(false);
    connect(name, &QLineEdit::textChanged, save,
            [save](const QString& text) { save->setEnabled(!text.trimmed().isEmpty()); });
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, dialog, [this, dialog, name] {
        if (name->text().trimmed().isEmpty())
            return; // Return in the field while the name is blank
        // The name goes as typed: the controller trims it.
        main().saveCurrentSettingsAsScene(name->text(), QLatin1String(newSceneSymbol));
        dialog->accept();
    });
    layout->addWidget(buttons);
    dialog->setMinimumWidth(320);
    dialog->open();
}

void SettingsView::editScene(const MonitorScene& scene) {
    auto* sheet = new SceneEditorSheet(
        scene, [this](const MonitorScene& edited) { main().updateScene(edited); }, this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->open();
}

void SettingsView::restyle() {
    if (!m_launchError)
        return; // still being built
    Style::setTextColor(m_settingsProblem, Style::errorText(palette()));
    Style::setTextColor(m_scenesProblem, Style::errorText(palette()));
    Style::setTextColor(m_unavailable, Style::warningText(palette()));
    m_unavailableSymbol->setPixmap(SymbolIcons::pixmap(QStringLiteral("exclamationmark.triangle.fill"), 13,
                                                       Style::warningText(palette()), devicePixelRatioF()));
    Style::setTextColor(m_launchError, Style::errorText(palette()));
    for (auto* label : {m_minimumValue, m_maximumValue, m_shortcutsUnavailable})
        Style::setTextColor(label, Style::secondaryText(palette()));
    if (auto* save = findChild<QPushButton*>(QStringLiteral("saveScene")))
        save->setIcon(SymbolIcons::icon(QStringLiteral("plus"), palette()));
    if (auto* resume = findChild<QPushButton*>(QStringLiteral("resumeFollowing")))
        resume->setIcon(SymbolIcons::icon(QStringLiteral("play.fill"), palette()));
    updateProblems();
    updateAdaptive();
    updateMonitors();
    updateInputScenes();
    updateShortcuts();
    m_launchAtLogin->setAccessibleValueText(m_launchAtLogin->isChecked() ? tr("On") : tr("Off"));
}

void SettingsView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The desktop switched between light and dark: colours and symbols are drawn anew.
    if (event->type() == QEvent::PaletteChange)
        restyle();
}
