#include "MonitorMenuView.h"

#include "controller/MonitorController.h"
#include "system/DesktopSession.h"
#include "system/PlatformWording.h"
#include "ui/Accessibility.h"
#include "ui/AdaptiveStatus.h"
#include "ui/FeatureSlider.h"
#include "ui/icons/SymbolIcons.h"
#include "ui/Style.h"
#include "ui/widgets/CapsuleSlider.h"
#include "ui/widgets/CircleChip.h"
#include "ui/widgets/Divider.h"
#include "ui/widgets/ElidedLabel.h"
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

MonitorMenuView::MonitorMenuView(MonitorController& monitor, QWidget* parent)
    : QWidget(parent, DesktopSession::isWayland() ? Qt::Tool | Qt::FramelessWindowHint : Qt::Popup),
      m_monitor(monitor) {
    // Wayland gives popups only to windows that have a parent surface; there the panel is a
    // frameless tool window that closes when it loses focus.
    setWindowTitle(tr("Velmar Monitor"));
    setAccessibleName(tr("Velmar Monitor"));
    Accessibility::install(); // the application lists the panel while it is open
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(10);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Made in the order the keyboard visits them.
    buildHeader(layout);
    layout->addWidget(new Divider(this));
    buildAdaptiveRow(layout);
    layout->addWidget(new Divider(this));
    m_brightness = addSliderSection(MonitorFeature::brightness, tr("Brightness"), QStringLiteral("sun.min"),
                                    QStringLiteral("sun.max.fill"));
    layout->addWidget(m_brightness.widget);
    layout->addWidget(new Divider(this));
    m_sound = addSliderSection(MonitorFeature::volume, tr("Sound"), QStringLiteral("speaker.fill"),
                               QStringLiteral("speaker.wave.3.fill"));
    layout->addWidget(m_sound.widget);
    buildErrorRow(layout);
    layout->addWidget(new Divider(this));
    buildFooter(layout);
    WheelGuard::guardControls(*this);

    followMonitor();
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
    adaptive->setToolTip(PlatformWording::followAutomaticBrightness());
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
    m_adaptiveSwitch->setToolTip(PlatformWording::followAutomaticBrightness());
    adaptiveRow->addWidget(m_adaptiveSwitch);
    layout->addWidget(adaptive);
    connect(m_adaptiveSwitch, &ToggleSwitch::clicked, this,
            [this](bool checked) { m_monitor.setAdaptiveBrightnessEnabled(checked); });
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
            [this] { m_monitor.setNightMode(!m_monitor.isNightMode()); });
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
        connect(action, &QAction::triggered, this, [this, input] { m_monitor.setInput(input); });
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
                           this, [this] { m_monitor.refresh(); });
    optionsMenu->addSeparator();
    optionsMenu->addAction(tr("Quit Velmar Monitor"), this, [this] {
        close();
        emit quitRequested();
    });
    options->setMenu(optionsMenu);
    options->setPopupMode(QToolButton::InstantPopup);
    footer->addWidget(options);
}

void MonitorMenuView::followMonitor() {
    connect(&m_monitor, &MonitorController::displayNameChanged, this, &MonitorMenuView::updateHeader);
    connect(&m_monitor, &MonitorController::statusChanged, this, &MonitorMenuView::updateHeader);
    connect(&m_monitor, &MonitorController::hasErrorChanged, this, &MonitorMenuView::updateHeader);
    connect(&m_monitor, &MonitorController::isWorkingChanged, this, &MonitorMenuView::updateHeader);
    connect(&m_monitor, &MonitorController::statusChanged, this, &MonitorMenuView::updateError);
    connect(&m_monitor, &MonitorController::hasErrorChanged, this, &MonitorMenuView::updateError);
    for (auto signal : {&MonitorController::adaptiveBrightnessEnabledChanged,
                        &MonitorController::adaptiveBrightnessSupportedChanged,
                        &MonitorController::adaptiveBrightnessStateChanged})
        connect(&m_monitor, signal, this, &MonitorMenuView::updateAdaptive);
    connect(&m_monitor, &MonitorController::valueChanged, this, &MonitorMenuView::updateSliderSection);
    for (auto signal : {&MonitorController::isNightModeChanged,
                        &MonitorController::isChangingNightModeChanged, &MonitorController::isWorkingChanged})
        connect(&m_monitor, signal, this, &MonitorMenuView::updateNightMode);
    connect(&m_monitor, &MonitorController::activeInputChanged, this, &MonitorMenuView::updateInput);
    connect(&m_monitor, &MonitorController::offeredInputsChanged, this, &MonitorMenuView::updateInput);
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
    updateSliderSection(MonitorFeature::brightness);
    updateSliderSection(MonitorFeature::volume);
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

MonitorMenuView::SliderSection MonitorMenuView::addSliderSection(MonitorFeature feature, const QString& title,
                                                                 const QString& minimumSymbol,
                                                                 const QString& maximumSymbol) {
    SliderSection section;
    section.title = title;
    section.widget = new QWidget(this);
    auto* column = new QVBoxLayout(section.widget);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto* heading = new QLabel(title, section.widget);
    heading->setFont(Style::font(13, QFont::DemiBold));
    column->addWidget(heading);
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    section.minimumSymbol = symbolLabel(minimumSymbol, 11, 14, section.widget);
    row->addWidget(section.minimumSymbol);
    section.slider = new CapsuleSlider(section.widget);
    section.slider->setTrackHeight(22);
    section.slider->setAccessibleName(title);
    row->addWidget(section.slider, 1);
    row->addWidget(symbolLabel(maximumSymbol, 15, 18, section.widget));
    column->addLayout(row);
    bindToFeature(*section.slider, m_monitor, feature);
    return section;
}

void MonitorMenuView::updateHeader() {
    m_name->setText(m_monitor.displayName());
    const bool working = m_monitor.isWorking();
    m_spinner->setVisible(working);
    m_headerStatus->setVisible(!working);
    m_headerStatus->setText(m_monitor.status());
    Style::setTextColor(m_headerStatus,
                        m_monitor.hasError() ? Style::errorText(palette()) : Style::tertiaryText(palette()));
}

void MonitorMenuView::updateAdaptive() {
    const QString status = AdaptiveStatus::text(m_monitor);
    m_adaptiveStatus->setText(status);
    Style::setTextColor(m_adaptiveStatus, AdaptiveStatus::isWarning(m_monitor)
                                              ? Style::warningText(palette())
                                              : Style::secondaryText(palette()));
    m_adaptiveSwitch->setChecked(m_monitor.adaptiveBrightnessEnabled());
    m_adaptiveSwitch->setAccessibleValueText(status);
}

void MonitorMenuView::updateSliderSection(MonitorFeature feature) {
    SliderSection* section = feature == MonitorFeature::brightness ? &m_brightness
                             : feature == MonitorFeature::volume   ? &m_sound
                                                                   : nullptr;
    if (!section)
        return;
    const double value = m_monitor.value(feature);
    section->widget->setToolTip(percentText(section->title, value));
    if (feature == MonitorFeature::volume) {
        const QString symbol = volumeSymbol(value, 0);
        if (section->minimumSymbol->property(symbolProperty).toString() != symbol) {
            section->minimumSymbol->setProperty(symbolProperty, symbol);
            drawSymbol(section->minimumSymbol);
        }
    }
}

void MonitorMenuView::updateError() {
    m_errorText->setText(m_monitor.status().trimmed());
    m_error->setVisible(m_monitor.hasError());
}

void MonitorMenuView::updateNightMode() {
    const bool on = m_monitor.isNightMode();
    m_nightMode->setActive(on);
    m_nightMode->setChecked(on);
    m_nightMode->setSymbolColor(on ? std::optional<QColor>(Qt::black) : std::nullopt);
    m_nightMode->setEnabled(!m_monitor.isChangingNightMode() && !m_monitor.isWorking());
    m_nightMode->setToolTip(on ? tr("Turn off Night Mode")
                               : tr("Night Mode: warmer color and lower brightness"));
    m_nightMode->setAccessibleValueText(on ? tr("On") : tr("Off"));
}

void MonitorMenuView::updateInput() {
    const auto active = m_monitor.activeInput();
    const QString title = active ? MonitorInputs::title(*active) : tr("Unknown");
    m_input->setToolTip(tr("Input: %1").arg(title));
    m_input->setAccessibleValueText(title);
    const QString selected = rawValue(active.value_or(MonitorInput::usbC));
    const QStringList offered = m_monitor.offeredInputRawValues();
    for (auto* action : m_inputChoices->actions()) {
        action->setChecked(action->data().toString() == selected);
        action->setVisible(offered.contains(action->data().toString()));
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
