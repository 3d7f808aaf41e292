#include "SceneValueEditorRow.h"

#include "SceneSymbolView.h"
#include "ui/Style.h"
#include "ui/widgets/ControlLook.h"
#include "ui/widgets/PercentSlider.h"
#include "ui/widgets/PercentValue.h"
#include "ui/widgets/Readout.h"
#include "ui/widgets/ToggleSwitch.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPropertyAnimation>
#include <QVBoxLayout>

#include <chrono>

using namespace std::chrono_literals;

namespace {

constexpr int symbolWidth = 18;
constexpr int symbolPixelSize = 16;
constexpr int readoutWidth = 30;
constexpr int readoutSpacing = 8;
// A value the scene leaves out shows its slider faded, in its own colours, rather than in the
// palette's disabled colours: some palettes grey a disabled slider out, others hardly change it.
constexpr qreal excludedOpacity = 0.45;
constexpr auto fadeDuration = 150ms; // eases out, like the switch beside it

} // namespace

// The slider with its readout painted beside it, so the slider stays the line's one accessible
// element rather than a slider and a label.
class SceneValueSliderLine final : public QWidget {
public:
    explicit SceneValueSliderLine(QWidget* parent) : QWidget(parent), slider(new PercentSlider(this)) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, readoutSpacing + readoutWidth, 0);
        layout->addWidget(slider);
    }

    PercentSlider* slider;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Style::secondaryText(palette()));
        Readout::paint(painter, QRect(width() - readoutWidth, 0, readoutWidth, height()),
                       slider->percent().percent(), locale());
    }
    void changeEvent(QEvent* event) override {
        QWidget::changeEvent(event);
        if (event->type() == QEvent::FontChange)
            update();
    }
};

SceneValueEditorRow::SceneValueEditorRow(const QString& title, const QString& symbol,
                                         std::optional<QColor> tint, QWidget* parent)
    : QWidget(parent), m_title(title), m_tint(tint), m_symbol(new SceneSymbolView(symbol, symbolPixelSize)),
      m_switch(new ToggleSwitch), m_sliderLine(new SceneValueSliderLine(this)),
      m_slider(m_sliderLine->slider), m_fade(new QGraphicsOpacityEffect),
      m_fadeAnimation(new QPropertyAnimation(m_fade, "opacity", this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    auto* toggleLine = new QHBoxLayout;
    toggleLine->setSpacing(8);
    m_symbol->setFixedWidth(symbolWidth);
    m_symbol->setTint(tint);
    toggleLine->addWidget(m_symbol);
    auto* titleLabel = new QLabel(title);
    titleLabel->setBuddy(m_switch);
    toggleLine->addWidget(titleLabel);
    toggleLine->addStretch(1);
    m_switch->setAccessibleName(title);
    toggleLine->addWidget(m_switch);
    column->addLayout(toggleLine);
    column->addWidget(m_sliderLine);

    m_slider->setAccessibleName(title);
    matchDisabledColours();
    m_sliderLine->setGraphicsEffect(m_fade);
    m_fadeAnimation->setEasingCurve(QEasingCurve::OutCubic);

    connect(m_switch, &ToggleSwitch::toggled, this, &SceneValueEditorRow::applyIncluded);
    connect(&m_slider->percent(), &PercentValue::valueChanged, this, [this](double value) {
        m_sliderLine->update();
        emit valueChanged(value);
    });

    m_sliderLine->setEnabled(false);
    m_fade->setOpacity(excludedOpacity);
    refreshValueText();
}

SceneValueEditorRow::~SceneValueEditorRow() = default;

void SceneValueEditorRow::setIncluded(bool included) {
    // The switch reports the change, as it does for a click.
    m_switch->setChecked(included || m_inclusionFixed);
}

void SceneValueEditorRow::setInclusionFixed(bool fixed) {
    m_inclusionFixed = fixed;
    m_switch->setVisible(!fixed);
    if (fixed)
        setIncluded(true);
}

double SceneValueEditorRow::value() const {
    return m_slider->percent().value();
}

void SceneValueEditorRow::setValue(double value) {
    m_slider->percent().setValue(value);
}

void SceneValueEditorRow::applyIncluded(bool included) {
    if (included == m_included)
        return;
    m_included = included;
    m_sliderLine->setEnabled(included);
    fadeSliderLine();
    refreshValueText();
    emit includedChanged(included);
}

void SceneValueEditorRow::refreshValueText() {
    m_slider->percent().setStandInText(m_included ? QString() : tr("Not changed by this scene"));
}

void SceneValueEditorRow::fadeSliderLine() {
    const qreal target = m_included ? 1.0 : excludedOpacity;
    m_fadeAnimation->stop();
    const auto duration = ControlLook::animationDuration(this, fadeDuration);
    if (duration == 0ms || !isVisible()) {
        m_fade->setOpacity(target);
        return;
    }
    m_fadeAnimation->setDuration(int(duration.count()));
    m_fadeAnimation->setStartValue(m_fade->opacity());
    m_fadeAnimation->setEndValue(target);
    m_fadeAnimation->start();
}

void SceneValueEditorRow::matchDisabledColours() {
    // Disabled, the slider keeps its enabled colours (the fade shows the state), and a tint
    // colours the filled part of its groove.
    QPalette colours = palette();
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const auto r = QPalette::ColorRole(role);
        if (r == QPalette::NoRole)
            continue;
        colours.setColor(QPalette::Disabled, r, colours.color(QPalette::Active, r));
    }
    if (m_tint) {
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            colours.setColor(group, QPalette::Highlight, *m_tint);
    }
    m_slider->setPalette(colours);
}

void SceneValueEditorRow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LocaleChange)
        m_sliderLine->update();
    // Light or dark: the slider's colours come from the new palette.
    if (event->type() == QEvent::PaletteChange && m_slider)
        matchDisabledColours();
}
