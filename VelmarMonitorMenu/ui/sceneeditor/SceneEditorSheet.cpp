#include "SceneEditorSheet.h"

#include "SceneEditorActions.h"
#include "SceneFormRows.h"
#include "SceneIdentityEditor.h"
#include "SceneValueEditorRow.h"
#include "ui/icons/SymbolIcons.h"
#include "ui/widgets/Divider.h"
#include "ui/widgets/ToggleSwitch.h"
#include "ui/widgets/WheelGuard.h"
#include "ui/window/FormSection.h"

#include <QComboBox>
#include <QEvent>
#include <QPointer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr QSize sheetSize(440, 620);
constexpr int pickerWidth = 220;

// Defaults for the values a scene leaves out: where the sliders rest until the user includes them.
constexpr double defaultBrightness = 50;
constexpr double defaultContrast = 70;
constexpr double defaultVolume = 30;
constexpr double defaultGain = 50;

} // namespace

const QStringList& SceneEditorSheet::symbolChoices() {
    static const QStringList symbols{u"film.fill"_s,          u"briefcase.fill"_s,      u"book.fill"_s,
                                     u"moon.stars.fill"_s,    u"gamecontroller.fill"_s, u"display"_s,
                                     u"slider.horizontal.3"_s};
    return symbols;
}

SceneEditorSheet::SceneEditorSheet(const MonitorScene& scene, std::function<void(const MonitorScene&)> onSave,
                                   QWidget* parent)
    : QDialog(parent), m_originalID(scene.id), m_onSave(std::move(onSave)) {
    setWindowTitle(tr("Edit Scene"));
    // The nearest a Linux desktop has to a sheet: it blocks only the window it belongs to.
    setWindowModality(Qt::WindowModal);
    setFixedSize(sheetSize);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* layout = addScrollingForm(*outer);
    auto* form = layout->parentWidget();

    m_identity = new SceneIdentityEditor(tr("Scene"), symbolChoices(), form);
    layout->addWidget(m_identity);

    auto* picture = new FormSection(tr("Picture"), form);
    m_brightness = new SceneValueEditorRow(tr("Brightness"), u"sun.max.fill"_s);
    SceneFormRows::addWideRow(*picture, m_brightness);
    m_contrast = new SceneValueEditorRow(tr("Contrast"), u"circle.lefthalf.filled"_s);
    SceneFormRows::addWideRow(*picture, m_contrast);
    layout->addWidget(picture);

    auto* color = new FormSection(tr("Color"), form);
    m_color = new ToggleSwitch;
    color->addRow(tr("Adjust RGB gains"), m_color);
    m_red = new SceneValueEditorRow(tr("Red"), u"r.circle.fill"_s, QColor(0xe5, 0x3e, 0x3e));
    m_green = new SceneValueEditorRow(tr("Green"), u"g.circle.fill"_s, QColor(0x2f, 0xa8, 0x4f));
    m_blue = new SceneValueEditorRow(tr("Blue"), u"b.circle.fill"_s, QColor(0x2f, 0x7c, 0xf6));
    for (SceneValueEditorRow* channel : {m_red, m_green, m_blue}) {
        // The gains are set together or not at all: one switch for the three.
        channel->setInclusionFixed(true);
        SceneFormRows::addWideRow(*color, channel);
    }
    layout->addWidget(color);

    auto* audio = new FormSection(tr("Audio and Input"), form);
    m_volume = new SceneValueEditorRow(tr("Volume"), u"speaker.wave.2.fill"_s);
    SceneFormRows::addWideRow(*audio, m_volume);
    m_input = new QComboBox;
    m_input->setFixedWidth(pickerWidth);
    m_input->addItem(tr("Leave unchanged"), QString());
    for (const auto input : MonitorInputs::allCases)
        m_input->addItem(SymbolIcons::icon(MonitorInputs::symbol(input), palette()),
                         MonitorInputs::title(input), rawValue(input));
    audio->addRow(tr("Input"), m_input);
    layout->addWidget(audio);
    layout->addStretch(1);

    outer->addWidget(new Divider(this));
    m_actions = new SceneEditorActions(tr("Save"), this);
    outer->addWidget(m_actions);
    WheelGuard::guardControls(*this);

    m_identity->setName(scene.name);
    m_identity->setSymbol(scene.symbol);
    m_brightness->setValue(scene.brightness.value_or(defaultBrightness));
    m_brightness->setIncluded(scene.brightness.has_value());
    m_contrast->setValue(scene.contrast.value_or(defaultContrast));
    m_contrast->setIncluded(scene.contrast.has_value());
    m_volume->setValue(scene.volume.value_or(defaultVolume));
    m_volume->setIncluded(scene.volume.has_value());
    const MonitorScene::RGB gains =
        scene.rgb.value_or(MonitorScene::RGB{defaultGain, defaultGain, defaultGain});
    m_red->setValue(gains.red);
    m_green->setValue(gains.green);
    m_blue->setValue(gains.blue);
    m_color->setChecked(scene.rgb.has_value());
    showColorRows(scene.rgb.has_value());
    m_input->setCurrentIndex(scene.input ? m_input->findData(rawValue(*scene.input)) : 0);
    m_actions->setCanSave(canSave());

    connect(m_identity, &SceneIdentityEditor::nameChanged, this,
            [this] { m_actions->setCanSave(canSave()); });
    connect(m_color, &ToggleSwitch::toggled, this, &SceneEditorSheet::showColorRows);
    connect(m_actions, &SceneEditorActions::cancelRequested, this, &QDialog::reject);
    connect(m_actions, &SceneEditorActions::saveRequested, this, &SceneEditorSheet::save);
}

SceneEditorSheet::~SceneEditorSheet() = default;

MonitorScene SceneEditorSheet::editedScene() const {
    MonitorScene scene;
    scene.id = m_originalID;
    scene.name = m_identity->name().trimmed();
    scene.symbol = m_identity->symbol();
    scene.kind = MonitorScene::Kind::custom;
    const auto valueOf = [](const SceneValueEditorRow* row) {
        return row->isIncluded() ? std::optional(row->value()) : std::nullopt;
    };
    scene.brightness = valueOf(m_brightness);
    scene.contrast = valueOf(m_contrast);
    scene.volume = valueOf(m_volume);
    if (m_color->isChecked())
        scene.rgb = MonitorScene::RGB{m_red->value(), m_green->value(), m_blue->value()};
    scene.input = monitorInputFromRawValue(m_input->currentData().toString());
    return scene;
}

bool SceneEditorSheet::canSave() const {
    return !m_identity->name().trimmed().isEmpty();
}

void SceneEditorSheet::save() {
    if (!canSave())
        return;
    const QPointer<SceneEditorSheet> alive(this);
    if (m_onSave)
        m_onSave(editedScene());
    // The owner may have closed and freed the sheet from its callback.
    if (alive)
        accept();
}

void SceneEditorSheet::showColorRows(bool shown) {
    for (SceneValueEditorRow* channel : {m_red, m_green, m_blue})
        SceneFormRows::setRowShown(channel, shown);
}

void SceneEditorSheet::refreshInputIcons() {
    for (int i = 0; i < m_input->count(); ++i) {
        if (const auto input = monitorInputFromRawValue(m_input->itemData(i).toString()))
            m_input->setItemIcon(i, SymbolIcons::icon(MonitorInputs::symbol(*input), palette()));
    }
}

void SceneEditorSheet::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Light or dark: the input picker's symbols are drawn anew.
    if (event->type() == QEvent::PaletteChange && m_input)
        refreshInputIcons();
}
