#include "ControlPanelView.h"

#include "controller/ConnectedMonitors.h"
#include "controller/MonitorController.h"
#include "FormSection.h"
#include "monitor/ColorPreset.h"
#include "scenes/MonitorScene.h"
#include "ui/FeatureSlider.h"
#include "ui/icons/SymbolIcons.h"
#include "ui/Style.h"
#include "ui/widgets/CompactMonitorSlider.h"
#include "ui/widgets/ElidedLabel.h"
#include "ui/widgets/MonitorPicker.h"
#include "ui/widgets/WheelGuard.h"

#include <QComboBox>
#include <QLabel>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

constexpr int sliderWidth = 260;
constexpr int pickerWidth = 220;

QComboBox* picker(QWidget* parent, const QString& accessibleName) {
    auto* box = new QComboBox(parent);
    box->setFixedWidth(pickerWidth);
    box->setAccessibleName(accessibleName);
    return box;
}

// Rebuilds a picker's entries without it announcing a choice the user did not make.
template <class Fill> void refill(QComboBox* box, Fill fill) {
    const QSignalBlocker blocker(box);
    box->clear();
    fill();
}

} // namespace

ControlPanelView::ControlPanelView(ConnectedMonitors& monitors, MonitorController& monitor, QWidget* parent)
    : QWidget(parent), m_monitors(monitors), m_monitor(monitor) {
    setFixedSize(480, 640);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* layout = addScrollingForm(*outer);

    buildDisplaySection(layout);
    buildPictureSection(layout);
    buildColorSection(layout);
    buildAudioSection(layout);
    layout->addStretch(1);
    WheelGuard::guardControls(*this);

    actOnPickers();
    followMonitor();
    m_name->setText(monitor.displayName());
    updateLoading();
    restyle();
}

void ControlPanelView::buildDisplaySection(QVBoxLayout* layout) {
    auto* form = layout->parentWidget();
    auto* display = new FormSection(tr("Display"), form);
    m_name = new QLabel(form);
    m_name->setTextFormat(Qt::PlainText); // a name from the monitor, never markup
    m_name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* monitorRow = display->addRow(tr("Monitor"), m_name);
    // The name alone while one monitor is connected; a picker in its place once there are more.
    m_monitorPicker = new MonitorPicker(m_monitors, monitorRow);
    m_monitorPicker->setFixedWidth(pickerWidth);
    m_monitorPicker->setAccessibleName(tr("Monitor"));
    m_monitorPicker->setCurrentMonitor(&m_monitor);
    monitorRow->layout()->addWidget(m_monitorPicker);
    connect(m_monitorPicker, &MonitorPicker::monitorPicked, this, [this](MonitorController* picked) {
        if (picked != &m_monitor)
            emit monitorPicked(picked);
    });
    connect(&m_monitors, &ConnectedMonitors::controllersChanged, this, &ControlPanelView::updateMonitorRow);
    updateMonitorRow();
    m_status = new ElidedLabel(form);
    m_status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_status->setMaximumWidth(300);
    display->addRow(tr("Status"), m_status);
    m_input = picker(form, tr("Input"));
    display->addRow(tr("Input"), m_input);
    layout->addWidget(display);
}

void ControlPanelView::buildPictureSection(QVBoxLayout* layout) {
    auto* form = layout->parentWidget();
    auto* picture = new FormSection(tr("Picture"), form);
    m_tone = picker(form, tr("Display tone"));
    picture->addRow(tr("Tone"), m_tone);
    picture->addRow(tr("Brightness"), addSlider(MonitorFeature::brightness, tr("Brightness"),
                                                QStringLiteral("sun.max.fill"), {}));
    picture->addRow(tr("Contrast"), addSlider(MonitorFeature::contrast, tr("Contrast"),
                                              QStringLiteral("circle.lefthalf.filled"), {}));
    layout->addWidget(picture);
}

void ControlPanelView::buildColorSection(QVBoxLayout* layout) {
    auto* form = layout->parentWidget();
    auto* color = new FormSection(tr("Color"), form);
    m_preset = picker(form, tr("Preset"));
    color->addRow(tr("Preset"), m_preset);
    color->addRow(tr("Red"), addSlider(MonitorFeature::red, tr("Red"), QStringLiteral("r.circle.fill"),
                                       QColor(0xe5, 0x3e, 0x3e)));
    color->addRow(tr("Green"), addSlider(MonitorFeature::green, tr("Green"), QStringLiteral("g.circle.fill"),
                                         QColor(0x2f, 0xa8, 0x4f)));
    color->addRow(tr("Blue"), addSlider(MonitorFeature::blue, tr("Blue"), QStringLiteral("b.circle.fill"),
                                        QColor(0x2f, 0x7c, 0xf6)));
    color->setFooter(tr("Adjusts the monitor's hardware RGB gain over DDC/CI. Presets are starting points — "
                        "fine-tune with the channel sliders."));
    layout->addWidget(color);
}

void ControlPanelView::buildAudioSection(QVBoxLayout* layout) {
    auto* audio = new FormSection(tr("Audio"), layout->parentWidget());
    audio->addRow(tr("Volume"),
                  addSlider(MonitorFeature::volume, tr("Volume"), volumeSymbol(m_monitor.volume(), 2), {}));
    layout->addWidget(audio);
}

void ControlPanelView::actOnPickers() {
    // The pickers act only on what the user chose; the model's own changes refill them silently.
    connect(m_input, &QComboBox::activated, this, [this](int index) {
        if (const auto input = monitorInputFromRawValue(m_input->itemData(index).toString()))
            m_monitor.setInput(*input);
    });
    connect(m_tone, &QComboBox::activated, this, [this](int index) {
        const QUuid id = m_tone->itemData(index).toUuid();
        for (const auto& scene : m_monitor.scenes()) {
            if (!id.isNull() && scene.id == id)
                return m_monitor.apply(scene);
        }
        updateTones(); // "Custom" stands for no scene: choosing it changes nothing
    });
    connect(m_preset, &QComboBox::activated, this, [this](int index) {
        if (const auto preset = colorPresetFromRawValue(m_preset->itemData(index).toString()))
            m_monitor.applyPreset(*preset);
        else
            updatePresets();
    });
}

void ControlPanelView::followMonitor() {
    connect(&m_monitor, &MonitorController::displayNameChanged, this,
            [this] { m_name->setText(m_monitor.displayName()); });
    connect(&m_monitor, &MonitorController::statusChanged, this, &ControlPanelView::updateStatus);
    connect(&m_monitor, &MonitorController::hasErrorChanged, this, &ControlPanelView::updateStatus);
    connect(&m_monitor, &MonitorController::activeInputChanged, this, &ControlPanelView::updateInputs);
    connect(&m_monitor, &MonitorController::offeredInputsChanged, this, &ControlPanelView::updateInputs);
    connect(&m_monitor, &MonitorController::activeSceneIDChanged, this, &ControlPanelView::updateTones);
    connect(&m_monitor, &MonitorController::scenesChanged, this, &ControlPanelView::updateTones);
    connect(&m_monitor, &MonitorController::isApplyingSceneChanged, this, &ControlPanelView::updateTones);
    connect(&m_monitor, &MonitorController::valueChanged, this, &ControlPanelView::updateValue);
    connect(&m_monitor, &MonitorController::isWorkingChanged, this, &ControlPanelView::updateLoading);
}

void ControlPanelView::updateMonitorRow() {
    const bool several = m_monitors.controllers().size() > 1;
    m_name->setVisible(!several);
    m_monitorPicker->setVisible(several);
}

void ControlPanelView::focusMonitorPicker() {
    m_monitorPicker->setFocus(Qt::OtherFocusReason);
}

void ControlPanelView::restyle() {
    if (!m_preset)
        return; // still being built
    Style::setTextColor(m_name, Style::secondaryText(palette()));
    updateStatus();
    updateInputs(); // its entries are made anew, with this palette's symbols
    updateTones();
    updatePresets();
}

void ControlPanelView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The desktop switched between light and dark: colours and symbols are drawn anew.
    if (event->type() == QEvent::PaletteChange)
        restyle();
}

ControlPanelView::~ControlPanelView() {
    if (m_appearance)
        m_appearance->cancel();
}

CompactMonitorSlider* ControlPanelView::addSlider(MonitorFeature feature, const QString& title,
                                                  const QString& symbol, std::optional<QColor> tint) {
    auto* slider = new CompactMonitorSlider(title, symbol, tint, this);
    slider->setFixedWidth(sliderWidth);
    slider->setAccessibleName(title);
    bindToFeature(*slider, m_monitor, feature);
    m_sliders[feature] = slider;
    return slider;
}

void ControlPanelView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return; // the window coming back from the taskbar is not a new appearance
    // Every appearance reads the monitor again; leaving cuts the read's retries short.
    if (m_appearance)
        m_appearance->cancel();
    m_appearance = makeCancelToken();
    m_monitor.refresh(m_appearance);
}

void ControlPanelView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (m_appearance)
        m_appearance->cancel();
}

void ControlPanelView::updateStatus() {
    m_status->setText(m_monitor.status());
    Style::setTextColor(m_status,
                        m_monitor.hasError() ? Style::errorText(palette()) : Style::secondaryText(palette()));
}

void ControlPanelView::updateInputs() {
    // Only the inputs the monitor has.
    refill(m_input, [this] {
        for (const auto input : m_monitor.offeredInputs())
            m_input->addItem(SymbolIcons::icon(MonitorInputs::symbol(input), palette()),
                             MonitorInputs::title(input), rawValue(input));
    });
    const auto input = m_monitor.activeInput().value_or(MonitorInput::usbC);
    const QSignalBlocker blocker(m_input);
    m_input->setCurrentIndex(m_input->findData(rawValue(input)));
}

void ControlPanelView::updateTones() {
    refill(m_tone, [this] {
        const auto active = m_monitor.activeSceneID();
        if (!active)
            m_tone->addItem(SymbolIcons::icon(QStringLiteral("slider.horizontal.3"), palette()), tr("Custom"),
                            QUuid());
        for (const auto& scene : m_monitor.scenes())
            m_tone->addItem(SymbolIcons::icon(scene.symbol, palette()), scene.name, scene.id);
        m_tone->setCurrentIndex(active ? m_tone->findData(*active) : 0);
    });
    m_tone->setEnabled(!m_monitor.isApplyingScene());
}

void ControlPanelView::updatePresets() {
    refill(m_preset, [this] {
        for (const auto preset : ColorPresets::allCases)
            m_preset->addItem(SymbolIcons::icon(ColorPresets::symbol(preset), palette()),
                              ColorPresets::title(preset), rawValue(preset));
        const auto matched = m_monitor.matchedPreset();
        if (!matched)
            m_preset->addItem(SymbolIcons::icon(QStringLiteral("slider.horizontal.3"), palette()),
                              tr("Custom"), QString());
        m_preset->setCurrentIndex(matched ? m_preset->findData(rawValue(*matched)) : m_preset->count() - 1);
    });
}

void ControlPanelView::updateValue(MonitorFeature feature) {
    if (feature == MonitorFeature::volume)
        m_sliders.at(feature)->setSymbol(volumeSymbol(m_monitor.volume(), 2));
    if (feature == MonitorFeature::red || feature == MonitorFeature::green || feature == MonitorFeature::blue)
        updatePresets();
}

void ControlPanelView::updateLoading() {
    for (const auto& entry : m_sliders)
        entry.second->setLoading(m_monitor.isWorking());
}
