#include "MonitorMenuView.h"

#include "controller/AdaptiveBrightness.h"
#include "controller/ConnectedMonitors.h"
#include "controller/LinkedBrightness.h"
#include "controller/MonitorController.h"
#include "controller/NightModeForAll.h"
#include "controller/ProgramModel.h"
#include "MonitorHeaderPicker.h"
#include "system/DesktopSession.h"
#include "ui/Accessibility.h"
#include "ui/AdaptiveStatus.h"
#include "ui/FeatureSlider.h"
#include "ui/icons/SymbolIcons.h"
#include "ui/Style.h"
#include "ui/widgets/CapsuleSlider.h"
#include "ui/widgets/CircleChip.h"
#include "ui/widgets/Divider.h"
#include "ui/widgets/ElidedLabel.h"
#include "ui/widgets/FadingVisibility.h"
#include "ui/widgets/MonitorPicker.h"
#include "ui/widgets/Spinner.h"
#include "ui/widgets/ToggleSwitch.h"
#include "ui/widgets/WheelGuard.h"

#include <QActionGroup>
#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int panelWidth = 300;
// The brightness slider's minimum symbol and the gap after it: a monitor's name above its slider
// starts where the slider does.
constexpr int sliderIndent = 14 + 8;

QString percentText(const QString& title, double value) {
    return QCoreApplication::translate("MonitorMenuView", "%1: %2 percent")
        .arg(title)
        .arg(static_cast<long long>(std::round(value)));
}

// What a symbol label draws, kept on it so the symbol can be drawn again for a new palette.
constexpr auto symbolProperty = "velmarSymbol";
constexpr auto symbolSizeProperty = "velmarSymbolSize";
constexpr auto symbolErrorProperty = "velmarSymbolError";

} // namespace

MonitorMenuView::MonitorMenuView(ProgramModel& model, QWidget* parent)
    : QWidget(parent, DesktopSession::isWayland() ? Qt::Tool | Qt::FramelessWindowHint : Qt::Popup),
      m_model(model) {
    // Wayland gives popups only to windows that have a parent surface; there the panel is a
    // frameless tool window that closes when it loses focus.
    setWindowTitle(tr("Velmar Monitor"));
    setAccessibleName(tr("Velmar Monitor"));
    Accessibility::install(); // the application lists the panel while it is open
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(10);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    followChosen();
    // Made in the order the keyboard visits them.
    buildHeader(layout);
    layout->addWidget(new Divider(this));
    buildAdaptiveRow(layout);
    layout->addWidget(new Divider(this));
    buildBrightnessSection(layout);
    layout->addWidget(new Divider(this));
    m_sound = addSoundSection();
    layout->addWidget(m_sound.widget);
    buildErrorRow(layout);
    layout->addWidget(new Divider(this));
    buildFooter(layout);
    WheelGuard::guardControls(*this);

    const auto* adaptive = &m_model.adaptiveBrightness();
    for (auto signal : {&AdaptiveBrightness::enabledChanged, &AdaptiveBrightness::supportChanged,
                        &AdaptiveBrightness::stateChanged, &AdaptiveBrightness::sourceChanged,
                        &AdaptiveBrightness::pausedUntilChanged})
        connect(adaptive, signal, this, &MonitorMenuView::updateAdaptive);
    followMonitors();
    restyle();
}

void MonitorMenuView::buildHeader(QVBoxLayout* layout) {
    // The monitor's name, and its status or a spinner while it is read. Its fixed width sets the
    // panel's: the layout sizes the panel to its content.
    auto* headerRow = new QWidget(this);
    headerRow->setFixedWidth(panelWidth - 2 * 14);
    auto* header = new QHBoxLayout(headerRow);
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(8);
    m_name = new QLabel(this);
    m_name->setTextFormat(Qt::PlainText); // a name from the monitor, never markup
    m_name->setFont(Style::font(13, QFont::DemiBold));
    header->addWidget(m_name);
    m_picker = new MonitorHeaderPicker(this);
    m_picker->setMenu(new QMenu(m_picker));
    m_picker->setMaximumWidth(150); // a long name is elided before the status is
    // Listed afresh each time it opens: names and monitors change while the panel is open.
    connect(m_picker->menu(), &QMenu::aboutToShow, this, &MonitorMenuView::fillMonitorMenu);
    header->addWidget(m_picker);
    header->addStretch(1);
    m_spinner = new Spinner(Spinner::Size::small, this);
    header->addWidget(m_spinner);
    m_headerStatus = new ElidedLabel(this);
    m_headerStatus->setFont(Style::captionFont());
    m_headerStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_headerStatus->setMaximumWidth(170);
    header->addWidget(m_headerStatus);
    layout->addWidget(headerRow);
}

void MonitorMenuView::buildAdaptiveRow(QVBoxLayout* layout) {
    auto* adaptive = new QWidget(this);
    m_adaptiveRow = adaptive;
    auto* adaptiveRow = new QHBoxLayout(adaptive);
    adaptiveRow->setContentsMargins(0, 0, 0, 0);
    adaptiveRow->setSpacing(8);
    adaptiveRow->addWidget(symbolLabel(QStringLiteral("sun.max.fill"), 16, 18, adaptive));
    auto* adaptiveText = new QVBoxLayout;
    adaptiveText->setSpacing(1);
    adaptiveText->addWidget(new QLabel(tr("Adaptive Brightness"), adaptive));
    m_adaptiveStatus = new QLabel(adaptive);
    m_adaptiveStatus->setTextFormat(Qt::PlainText);
    m_adaptiveStatus->setFont(Style::captionFont());
    adaptiveText->addWidget(m_adaptiveStatus);
    adaptiveRow->addLayout(adaptiveText);
    adaptiveRow->addStretch(1);
    adaptiveRow->addSpacing(12);
    m_adaptiveSwitch = new ToggleSwitch(adaptive);
    m_adaptiveSwitch->setAccessibleName(tr("Adaptive Brightness"));
    adaptiveRow->addWidget(m_adaptiveSwitch);
    layout->addWidget(adaptive);
    connect(m_adaptiveSwitch, &ToggleSwitch::clicked, this,
            [this](bool checked) { m_model.adaptiveBrightness().setEnabled(checked); });
}

void MonitorMenuView::buildErrorRow(QVBoxLayout* layout) {
    // The failure in full, wrapped: the header has room for one line only.
    m_error = new QWidget(this);
    auto* errorRow = new QHBoxLayout(m_error);
    errorRow->setContentsMargins(0, 0, 0, 0);
    errorRow->setSpacing(6);
    auto* errorSymbol = symbolLabel(QStringLiteral("exclamationmark.triangle.fill"), 13, 16, m_error, true);
    errorSymbol->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    errorRow->addWidget(errorSymbol, 0, Qt::AlignTop);
    m_errorText = new QLabel(m_error);
    m_errorText->setWordWrap(true);
    m_errorText->setFont(Style::captionFont());
    m_errorText->setTextFormat(Qt::PlainText);
    errorRow->addWidget(m_errorText, 1);
    layout->addWidget(m_error);
}

void MonitorMenuView::buildFooter(QVBoxLayout* layout) {
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(0, 2, 0, 0);
    footer->setSpacing(10);
    addNightModeChip(footer);
    addInputChip(footer);
    footer->addStretch(1);
    addWindowChip(footer, QStringLiteral("slider.horizontal.3"), tr("Open Controls window"),
                  MonitorWindowSection::controls);
    addWindowChip(footer, QStringLiteral("gearshape.fill"), tr("Settings"), MonitorWindowSection::settings);
    addOptionsChip(footer);
    layout->addLayout(footer);
}

void MonitorMenuView::addNightModeChip(QHBoxLayout* footer) {
    m_nightMode = new CircleChip(this);
    m_nightMode->setSymbol(QStringLiteral("moon.fill"), 14);
    m_nightMode->setAccessibleName(tr("Night Mode"));
    m_nightMode->setCheckable(true); // a screen reader announces it checked or not
    connect(m_nightMode, &CircleChip::clicked, this,
            [this] { m_model.nightMode().setEnabled(!shown().isNightMode()); });
    footer->addWidget(m_nightMode);
}

void MonitorMenuView::addInputChip(QHBoxLayout* footer) {
    m_input = new CircleChip(this);
    m_input->setSymbol(QStringLiteral("rectangle.2.swap"), 13);
    m_input->setAccessibleName(tr("Input source"));
    m_inputMenu = new QMenu(m_input);
    m_inputChoices = new QActionGroup(m_inputMenu);
    m_inputChoices->setExclusive(true);
    for (const auto input : MonitorInputs::allCases) {
        auto* action = m_inputMenu->addAction(SymbolIcons::icon(MonitorInputs::symbol(input), palette()),
                                              MonitorInputs::title(input));
        action->setCheckable(true);
        action->setData(rawValue(input));
        m_inputChoices->addAction(action);
        connect(action, &QAction::triggered, this, [this, input] { shown().setInput(input); });
    }
    m_input->setMenu(m_inputMenu);
    m_input->setPopupMode(QToolButton::InstantPopup);
    footer->addWidget(m_input);
}

void MonitorMenuView::addWindowChip(QHBoxLayout* footer, const QString& symbol, const QString& name,
                                    MonitorWindowSection section) {
    auto* chip = new CircleChip(this);
    chip->setSymbol(symbol, 13);
    chip->setToolTip(name);
    chip->setAccessibleName(name);
    connect(chip, &CircleChip::clicked, this, [this, section] {
        close();
        emit openWindowRequested(section);
    });
    footer->addWidget(chip);
}

void MonitorMenuView::addOptionsChip(QHBoxLayout* footer) {
    auto* options = new CircleChip(this);
    options->setSymbol(QStringLiteral("ellipsis"), 13);
    options->setToolTip(tr("More options"));
    options->setAccessibleName(tr("More options"));
    auto* optionsMenu = new QMenu(options);
    optionsMenu->addAction(SymbolIcons::icon(QStringLiteral("arrow.clockwise"), palette()), tr("Refresh"),
                           this, [this] { shown().refresh(); });
    optionsMenu->addSeparator();
    optionsMenu->addAction(tr("Quit Velmar Monitor"), this, [this] {
        close();
        emit quitRequested();
    });
    options->setMenu(optionsMenu);
    options->setPopupMode(QToolButton::InstantPopup);
    footer->addWidget(options);
}

void MonitorMenuView::followChosen() {
    for (const auto& connection : std::as_const(m_chosenConnections))
        disconnect(connection);
    m_chosenConnections.clear();
    MonitorController& monitor = shown();
    m_bound = &monitor;
    const auto follow = [&](auto signal, auto update) {
        m_chosenConnections << connect(&monitor, signal, this, update);
    };
    follow(&MonitorController::displayNameChanged, &MonitorMenuView::updateHeader);
    follow(&MonitorController::statusChanged, &MonitorMenuView::updateHeader);
    follow(&MonitorController::hasErrorChanged, &MonitorMenuView::updateHeader);
    follow(&MonitorController::isWorkingChanged, &MonitorMenuView::updateHeader);
    follow(&MonitorController::statusChanged, &MonitorMenuView::updateError);
    follow(&MonitorController::hasErrorChanged, &MonitorMenuView::updateError);
    follow(&MonitorController::valueChanged, [this](MonitorFeature feature) {
        if (feature == MonitorFeature::volume)
            updateSound();
    });
    for (auto signal : {&MonitorController::isNightModeChanged,
                        &MonitorController::isChangingNightModeChanged, &MonitorController::isWorkingChanged})
        follow(signal, &MonitorMenuView::updateNightMode);
    follow(&MonitorController::activeInputChanged, &MonitorMenuView::updateInput);
    follow(&MonitorController::offeredInputsChanged, &MonitorMenuView::updateInput);
    // A monitor that goes takes its controls with it, before anything can reach its controller:
    // they move to the main monitor at once (the monitors have chosen another by then), and the
    // rest follows from controllersChanged.
    follow(&QObject::destroyed, [this] {
        m_chosen = nullptr;
        followChosen();
    });

    // The sound slider is bound to one monitor: a new one for the new monitor.
    if (m_sound.slider) {
        auto* slider = makeSlider(m_sound.widget, m_sound.title, monitor, MonitorFeature::volume);
        delete m_sound.widget->layout()->replaceWidget(m_sound.slider, slider);
        delete m_sound.slider;
        m_sound.slider = slider;
        orderSliders();
    }
}

void MonitorMenuView::orderSliders() {
    // Sliders made after the panel come last in the focus chain; the keyboard meets them in the
    // order they are shown.
    QWidget* previous = m_link;
    for (const auto& row : m_brightnessRowList) {
        if (!row.widget)
            continue; // its monitor is going; the row goes with it
        setTabOrder(previous, row.slider);
        previous = row.slider;
    }
    setTabOrder(previous, m_sound.slider);
}

void MonitorMenuView::followMonitors() {
    connect(&monitors(), &ConnectedMonitors::controllersChanged, this, [this] {
        if (m_chosen && !monitors().controllers().contains(m_chosen.data()))
            choose(nullptr);
        updateBrightnessRows();
        updateChosen();
    });
    // Showing the main monitor, the panel shows the new one.
    connect(&monitors(), &ConnectedMonitors::mainChanged, this, [this] {
        if (!m_chosen || m_chosen == &main())
            choose(nullptr);
    });
    connect(&m_model.linkedBrightness(), &LinkedBrightness::linkedChanged, this, &MonitorMenuView::updateLink);
}

ConnectedMonitors& MonitorMenuView::monitors() const {
    return m_model.monitors();
}

MonitorController& MonitorMenuView::main() const {
    return monitors().main();
}

MonitorController& MonitorMenuView::shown() const {
    return m_chosen ? *m_chosen : main();
}

QString MonitorMenuView::nameOf(const MonitorController& monitor) const {
    // Two monitors of one model are told apart as the window and Settings tell them apart.
    const auto all = monitors().controllers();
    const auto index = all.indexOf(const_cast<MonitorController*>(&monitor));
    return index < 0 ? monitor.displayName() : monitorNames(all).at(index);
}

bool MonitorMenuView::severalMonitors() const {
    return monitors().controllers().size() > 1;
}

void MonitorMenuView::choose(MonitorController* monitor) {
    if (monitor == &main())
        monitor = nullptr;
    // Compared, never followed: the monitor bound to may be the one that just went.
    if ((monitor ? monitor : &main()) == m_bound)
        return;
    m_chosen = monitor;
    followChosen();
    updateChosen();
}

void MonitorMenuView::updateChosen() {
    updateHeader();
    updateSound();
    updateError();
    updateNightMode();
    updateInput();
}

void MonitorMenuView::fillMonitorMenu() {
    QMenu* menu = m_picker->menu();
    menu->clear();
    for (MonitorController* monitor : monitors().controllers()) {
        auto* action = menu->addAction(nameOf(*monitor));
        action->setCheckable(true);
        action->setChecked(monitor == &shown());
        const QPointer<MonitorController> target = monitor;
        connect(action, &QAction::triggered, this, [this, target] {
            if (target)
                choose(target);
        });
    }
}

QLabel* MonitorMenuView::symbolLabel(const QString& symbol, int size, int width, QWidget* parent,
                                     bool error) {
    auto* label = new QLabel(parent);
    label->setProperty(symbolProperty, symbol);
    label->setProperty(symbolSizeProperty, size);
    label->setProperty(symbolErrorProperty, error);
    label->setFixedWidth(width);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    drawSymbol(label);
    return label;
}

void MonitorMenuView::drawSymbol(QLabel* label) {
    const QColor color = label->property(symbolErrorProperty).toBool() ? Style::errorText(palette())
                                                                       : Style::secondaryText(palette());
    label->setPixmap(SymbolIcons::pixmap(label->property(symbolProperty).toString(),
                                         label->property(symbolSizeProperty).toInt(), color,
                                         devicePixelRatioF()));
}

void MonitorMenuView::restyle() {
    if (!m_inputMenu)
        return; // still being built
    for (auto* label : findChildren<QLabel*>()) {
        if (label->property(symbolProperty).isValid())
            drawSymbol(label);
    }
    Style::setTextColor(m_errorText, Style::errorText(palette()));
    for (auto* action : m_inputMenu->actions())
        action->setIcon(SymbolIcons::icon(
            MonitorInputs::symbol(*monitorInputFromRawValue(action->data().toString())), palette()));
    updateHeader();
    updateAdaptive();
    for (const auto& row : m_brightnessRowList)
        updateBrightnessRow(row);
    updateSound();
    updateError();
    updateNightMode();
    updateInput();
}

void MonitorMenuView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The desktop switched between light and dark: colours and symbols are drawn anew.
    if (event->type() == QEvent::PaletteChange)
        restyle();
}

CapsuleSlider* MonitorMenuView::makeSlider(QWidget* parent, const QString& title, MonitorController& monitor,
                                           MonitorFeature feature) {
    auto* slider = new CapsuleSlider(parent);
    slider->setTrackHeight(22);
    slider->setAccessibleName(title);
    bindToFeature(*slider, monitor, feature);
    return slider;
}

MonitorMenuView::SliderSection MonitorMenuView::addSoundSection() {
    SliderSection section;
    section.title = tr("Sound");
    section.widget = new QWidget(this);
    auto* column = new QVBoxLayout(section.widget);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto* heading = new QLabel(section.title, section.widget);
    heading->setFont(Style::font(13, QFont::DemiBold));
    column->addWidget(heading);
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    section.minimumSymbol = symbolLabel(QStringLiteral("speaker.fill"), 11, 14, section.widget);
    row->addWidget(section.minimumSymbol);
    section.slider = makeSlider(section.widget, section.title, shown(), MonitorFeature::volume);
    row->addWidget(section.slider, 1);
    row->addWidget(symbolLabel(QStringLiteral("speaker.wave.3.fill"), 15, 18, section.widget));
    column->addLayout(row);
    return section;
}

void MonitorMenuView::buildBrightnessSection(QVBoxLayout* layout) {
    m_brightness = new QWidget(this);
    auto* column = new QVBoxLayout(m_brightness);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(8);
    auto* heading = new QLabel(tr("Brightness"), m_brightness);
    heading->setFont(Style::font(13, QFont::DemiBold));
    titleRow->addWidget(heading);
    titleRow->addStretch(1);
    m_link = new CircleChip(m_brightness);
    m_link->setFixedSize(22, 22); // a switch beside a title, not a footer button
    m_link->setSymbol(QStringLiteral("link"), 12);
    m_link->setAccessibleName(tr("Link brightness"));
    connect(m_link, &CircleChip::clicked, this, [this] {
        auto& linked = m_model.linkedBrightness();
        linked.setLinked(!linked.isLinked());
    });
    titleRow->addWidget(m_link);
    column->addLayout(titleRow);
    m_brightnessRows = new QVBoxLayout;
    m_brightnessRows->setSpacing(10);
    column->addLayout(m_brightnessRows);
    layout->addWidget(m_brightness);
    updateBrightnessRows();
}

MonitorMenuView::BrightnessRow MonitorMenuView::makeBrightnessRow(MonitorController& monitor) {
    BrightnessRow row;
    row.monitor = &monitor;
    row.widget = new QWidget(m_brightness);
    auto* column = new QVBoxLayout(row.widget);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    row.name = new ElidedLabel(row.widget);
    row.name->setFont(Style::captionFont());
    auto* nameRow = new QHBoxLayout;
    nameRow->addSpacing(sliderIndent);
    nameRow->addWidget(row.name, 1);
    column->addLayout(nameRow);
    auto* sliderRow = new QHBoxLayout;
    sliderRow->setSpacing(8);
    sliderRow->addWidget(symbolLabel(QStringLiteral("sun.min"), 11, 14, row.widget));
    row.slider = makeSlider(row.widget, tr("Brightness"), monitor, MonitorFeature::brightness);
    sliderRow->addWidget(row.slider, 1);
    sliderRow->addWidget(symbolLabel(QStringLiteral("sun.max.fill"), 15, 18, row.widget));
    column->addLayout(sliderRow);
    // The slider acts on its monitor: it goes with the controller, before anything could reach it.
    connect(&monitor, &QObject::destroyed, row.widget, [widget = row.widget] { delete widget; });
    connect(&monitor, &MonitorController::displayNameChanged, row.widget, [this, widget = row.widget.data()] {
        for (const auto& row : m_brightnessRowList) {
            if (row.widget == widget)
                updateBrightnessRow(row);
        }
    });
    connect(&monitor, &MonitorController::valueChanged, row.widget,
            [this, widget = row.widget.data()](MonitorFeature feature) {
                if (feature != MonitorFeature::brightness)
                    return;
                for (const auto& row : m_brightnessRowList) {
                    if (row.widget == widget)
                        updateBrightnessRow(row);
                }
            });
    return row;
}

void MonitorMenuView::updateBrightnessRows() {
    // A monitor that stays keeps its row (and a drag under way on it); the others go.
    std::vector<BrightnessRow> rows;
    for (MonitorController* monitor : monitors().controllers()) {
        const auto kept = std::find_if(m_brightnessRowList.begin(), m_brightnessRowList.end(),
                                       [monitor](const auto& row) { return row.monitor == monitor; });
        rows.push_back(kept != m_brightnessRowList.end() && kept->widget ? *kept
                                                                         : makeBrightnessRow(*monitor));
    }
    for (const auto& row : m_brightnessRowList) {
        const bool stays = std::any_of(rows.begin(), rows.end(),
                                       [&row](const auto& kept) { return kept.widget == row.widget; });
        if (!stays)
            delete row.widget;
    }
    m_brightnessRowList = std::move(rows);
    for (const auto& row : m_brightnessRowList) {
        m_brightnessRows->addWidget(row.widget); // in the listed order
        updateBrightnessRow(row);
    }
    if (m_sound.slider)
        orderSliders();
    updateLink();
}

void MonitorMenuView::updateBrightnessRow(const BrightnessRow& row) {
    if (!row.monitor)
        return;
    const bool several = severalMonitors();
    const QString name = nameOf(*row.monitor);
    const QString title = several ? tr("Brightness of %1").arg(name) : tr("Brightness");
    row.name->setVisible(several);
    row.name->setText(name);
    Style::setTextColor(row.name, Style::secondaryText(palette()));
    row.slider->setAccessibleName(title);
    row.widget->setToolTip(percentText(title, row.monitor->value(MonitorFeature::brightness)));
}

void MonitorMenuView::updateLink() {
    const bool several = severalMonitors();
    m_link->setVisible(several);
    const bool linked = m_model.linkedBrightness().isLinked();
    m_link->setActive(linked);
    m_link->setSymbolColor(linked ? std::optional<QColor>(Qt::black) : std::nullopt);
    m_link->setAccessibleValueText(linked ? tr("On") : tr("Off"));
    m_link->setToolTip(linked ? tr("Brightness linked: every monitor moves together")
                              : tr("Link brightness: move every monitor together"));
}

void MonitorMenuView::updateHeader() {
    const MonitorController& monitor = shown();
    const bool several = severalMonitors();
    m_name->setVisible(!several);
    m_picker->setVisible(several);
    m_name->setText(monitor.displayName());
    m_picker->setName(nameOf(monitor));
    const bool working = monitor.isWorking();
    m_spinner->setVisible(working);
    m_headerStatus->setVisible(!working);
    m_headerStatus->setText(monitor.status());
    Style::setTextColor(m_headerStatus,
                        monitor.hasError() ? Style::errorText(palette()) : Style::tertiaryText(palette()));
}

void MonitorMenuView::updateAdaptive() {
    const auto& adaptive = m_model.adaptiveBrightness();
    const QString status = AdaptiveStatus::text(adaptive);
    m_adaptiveStatus->setText(status);
    Style::setTextColor(m_adaptiveStatus, AdaptiveStatus::isWarning(adaptive) ? Style::warningText(palette())
                                                                              : Style::secondaryText(palette()));
    m_adaptiveSwitch->setChecked(adaptive.isEnabled());
    const QString toolTip = AdaptiveStatus::toolTip(adaptive.source());
    m_adaptiveRow->setToolTip(toolTip);
    m_adaptiveSwitch->setToolTip(toolTip);
    m_adaptiveSwitch->setAccessibleValueText(status);
}

void MonitorMenuView::updateSound() {
    const double value = shown().value(MonitorFeature::volume);
    m_sound.widget->setToolTip(percentText(m_sound.title, value));
    const QString symbol = volumeSymbol(value, 0);
    if (m_sound.minimumSymbol->property(symbolProperty).toString() != symbol) {
        m_sound.minimumSymbol->setProperty(symbolProperty, symbol);
        drawSymbol(m_sound.minimumSymbol);
    }
}

void MonitorMenuView::updateError() {
    // The line keeps the failure it showed while it fades out.
    const bool failed = shown().hasError();
    if (failed)
        m_errorText->setText(shown().status().trimmed());
    FadingVisibility::setVisible(*m_error, failed);
}

void MonitorMenuView::updateNightMode() {
    const bool on = shown().isNightMode();
    m_nightMode->setActive(on);
    m_nightMode->setChecked(on);
    m_nightMode->setSymbolColor(on ? std::optional<QColor>(Qt::black) : std::nullopt);
    m_nightMode->setEnabled(!shown().isChangingNightMode() && !shown().isWorking());
    m_nightMode->setToolTip(on ? tr("Turn off Night Mode")
                               : tr("Night Mode: warmer color and lower brightness"));
    m_nightMode->setAccessibleValueText(on ? tr("On") : tr("Off"));
}

void MonitorMenuView::updateInput() {
    const auto active = shown().activeInput();
    const QString title = active ? MonitorInputs::title(*active) : tr("Unknown");
    m_input->setToolTip(tr("Input: %1").arg(title));
    m_input->setAccessibleValueText(title);
    const QString selected = rawValue(active.value_or(MonitorInput::usbC));
    const auto offered = shown().offeredInputs();
    for (auto* action : m_inputChoices->actions()) {
        action->setChecked(action->data().toString() == selected);
        action->setVisible(offered.contains(*monitorInputFromRawValue(action->data().toString())));
    }
}

void MonitorMenuView::popUp(const QRect& anchor) {
    QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    adjustSize();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    const QSize size = sizeHint().expandedTo(minimumSize());
    // Below an icon in a top bar, above one in a bottom bar; centred on it, kept on screen.
    QPoint position(anchor.center().x() - size.width() / 2, anchor.bottom() + 6);
    if (anchor.center().y() > available.center().y())
        position.setY(anchor.top() - size.height() - 6);
    position.setX(std::clamp(position.x(), available.left() + 4, available.right() - size.width() - 4));
    position.setY(std::clamp(position.y(), available.top() + 4, available.bottom() - size.height() - 4));
    move(position);
    show();
    raise();
    activateWindow();
}

void MonitorMenuView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MonitorMenuView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit hidden();
}

bool MonitorMenuView::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate && DesktopSession::isWayland() &&
        !QApplication::activePopupWidget())
        close();
    return QWidget::event(event);
}

void MonitorMenuView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.18);
    painter.setPen(border);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
