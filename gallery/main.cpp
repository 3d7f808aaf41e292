// The gallery: every panel, dialog and control state of the interface drawn into PNG sheets, in
// a light and a dark palette, so that anyone can look at what the user sees. The views run over
// a controller on the tests' fake monitor, as the interface tests drive them.
//
//   velmar-gallery [folder]     (by default the build tree's gallery/)
#include "support/ControllerFixture.h"
#include "system/LoginItemService.h"
#include "ui/icons/SymbolIcons.h"
#include "ui/OnScreenIndicator.h"
#include "controller/AdaptiveSchedule.h"
#include "ui/panel/MonitorMenuView.h"
#include "ui/sceneeditor/SceneEditorSheet.h"
#include "ui/sceneeditor/SceneManagementRow.h"
#include "ui/widgets/CapsuleSlider.h"
#include "ui/widgets/CircleChip.h"
#include "ui/widgets/CompactMonitorSlider.h"
#include "ui/widgets/MonitorPicker.h"
#include "ui/widgets/Readout.h"
#include "ui/widgets/ToggleSwitch.h"
#include "ui/window/FormSection.h"
#include "ui/window/ScheduleEditor.h"
#include "ui/window/SettingsView.h"
#include "ui/window/ShortcutRows.h"
#include "controller/KeyboardShortcuts.h"
#include "ui/window/UnifiedMonitorWindow.h"

#include <QAbstractAnimation>
#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QTimeEdit>
#include <QToolButton>
#include <QVariantAnimation>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;
using Reading = BuiltInDisplayBrightnessReading;

namespace {

// The login item is only shown here, never changed.
class StillLoginItem : public LoginItemService {
public:
    bool isEnabled() const override { return true; }
    std::optional<QString> enable() override { return std::nullopt; }
    std::optional<QString> disable() override { return std::nullopt; }
};

QPalette darkPalette() {
    QPalette p;
    const QColor window(0x2b, 0x2b, 0x2e), base(0x1e, 0x1e, 0x20), text(0xee, 0xee, 0xf0);
    const QColor disabledText(0x77, 0x77, 0x7a);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, QColor(0x3d, 0x8b, 0xfd));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x8e, 0x8e, 0x93));
    p.setColor(QPalette::Link, QColor(0x6c, 0xa8, 0xff));
    p.setColor(QPalette::LinkVisited, QColor(0xb4, 0x8c, 0xff));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabledText);
    // As dark desktop themes do: a disabled slider's fill turns grey, not the accent colour.
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x55, 0x55, 0x58));
    return p;
}

// The symbol images warn (in a category that is off unless enabled) when a name has no image
// of its own; the gallery draws every view, so it counts them and fails.
constexpr auto symbolCategory = "velmar.symbols";
int unknownSymbols = 0;
bool expectingUnknownSymbol = false;
QtMessageHandler defaultHandler = nullptr;

void countUnknownSymbols(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && qstrcmp(context.category, symbolCategory) == 0 && !expectingUnknownSymbol)
        ++unknownSymbols;
    // The offscreen platform says so for every popup and raise; it tells nothing here.
    if (message.startsWith(u"This plugin does not support"_s))
        return;
    defaultHandler(type, context, message);
}

class Gallery {
public:
    Gallery(QDir folder, bool dark) : m_folder(std::move(folder)), m_suffix(dark ? u"-dark"_s : u"-light"_s) {
        QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());
    }

    bool failed() const { return m_failed; }

    void save(const QPixmap& shot, const QString& name) {
        const QString file = m_folder.filePath(name + m_suffix + u".png"_s);
        if (!shot.save(file)) {
            std::fprintf(stderr, "velmar-gallery: could not write %s\n", qPrintable(file));
            m_failed = true;
            return;
        }
        std::printf("%s\n", qPrintable(file));
    }
    // Drawn once its transitions (a fill easing, digits counting, a line fading) are over; one
    // held on its way on purpose stays where it is.
    void save(QWidget* widget, const QString& name) {
        const auto moving = [widget] {
            const auto animations = widget->findChildren<QAbstractAnimation*>();
            return std::any_of(animations.begin(), animations.end(), [](const QAbstractAnimation* a) {
                return a->state() == QAbstractAnimation::Running;
            });
        };
        if (!QTest::qWaitFor([&] { return !moving(); }, 5000)) {
            std::fprintf(stderr, "velmar-gallery: %s never came to rest\n", qPrintable(name));
            m_failed = true;
        }
        save(widget->grab(), name);
    }

    // Holds the transitions running under `widget` a quarter of their time in, where an eased
    // transition is about half done, to show what they look like on the way.
    static void holdOnTheWay(QWidget* widget) {
        for (QAbstractAnimation* animation : widget->findChildren<QAbstractAnimation*>()) {
            if (animation->state() != QAbstractAnimation::Running)
                continue;
            animation->pause();
            animation->setCurrentTime(animation->duration() / 4);
        }
    }

    // Shows the window and waits until it is drawn; a window that never shows fails the run.
    bool show(QWidget* window) {
        window->show();
        if (QTest::qWaitForWindowExposed(window))
            return true;
        std::fprintf(stderr, "velmar-gallery: a %s never showed\n", window->metaObject()->className());
        m_failed = true;
        return false;
    }

    // Waits for a state a sheet shows; one that never comes fails the run.
    bool reach(const char* state, const std::function<bool()>& reached) {
        if (QTest::qWaitFor(reached, 20000))
            return true;
        std::fprintf(stderr, "velmar-gallery: never reached: %s\n", state);
        m_failed = true;
        return false;
    }

    void panelAndWindow();
    void settings();
    void followingSchedule();
    void severalMonitors(int count);
    void indicator();
    void sceneEditor();
    void scheduleEditor();
    void controls();
    void symbols();

private:
    QDir m_folder;
    QString m_suffix;
    bool m_failed = false;
};

// The tray panel and the window through a session: reading, loaded, Night Mode with adaptive
// brightness unavailable, then a helper's error.
void Gallery::panelAndWindow() {
    ControllerFixture f(ControllerFixture::withMonitors);
    f.screens->list = {{u"Velmar VX27"_s, false}};
    f.monitor.setScript(u"get luminance = wait=gate out=\"64\"\n"_s);
    MonitorMenuView panel(*f.model);
    WindowSectionState selection;
    StillLoginItem login;
    UnifiedMonitorWindow window(*f.model, selection, login);
    if (!show(&panel) || !show(&window)) // the Controls section reads the monitor as it appears
        return;
    save(&panel, u"panel-loading"_s);
    save(&window, u"window-loading"_s);
    f.monitor.openGate(u"gate"_s);
    f.settle();
    save(&panel, u"panel-loaded"_s);
    save(&window, u"window-controls"_s);

    f.c().setNightMode(true);
    reach("Night Mode", [&] { return f.c().isNightMode(); });
    f.reader.reading = Reading::unavailable(Reading::UnavailableReason::noBuiltInDisplay);
    f.adaptive().setEnabled(true);
    reach("adaptive brightness unavailable", [&] { return f.adaptive().support() == Adaptive::Support::no; });
    save(&panel, u"panel-night-adaptive-unavailable"_s);
    f.adaptive().setEnabled(false);

    f.monitor.setScript(u"set contrast * = exit=1 err=\"The monitor did not answer on I2C bus 6.\\n\"\n"_s);
    f.c().set(MonitorFeature::contrast, 30);
    reach("a helper's error", [&] { return f.c().hasError(); });
    save(&panel, u"panel-error"_s);
    save(&window, u"window-error"_s);

    // The next write succeeds: the error line fades out, held here on its way. (The panel closed
    // as the window opened, as a popup does, and a closed panel's line goes at once.)
    if (!show(&panel))
        return;
    f.monitor.setScript(QString());
    f.c().set(MonitorFeature::contrast, 40);
    reach("the error cleared", [&] { return !f.c().hasError(); });
    holdOnTheWay(&panel);
    save(&panel, u"panel-error-fading"_s);
    f.settle();
}

// Settings with every section in use: a long custom scene name, scenes by input, adaptive
// brightness paused; then its parts, the naming dialog, a scene row's menu and the editor.
void Gallery::settings() {
    ControllerFixture f(ControllerFixture::withMonitors);
    MonitorScene gaming;
    gaming.id = QUuid::createUuid();
    gaming.name = u"Late-night gaming with the lights off"_s;
    gaming.symbol = u"gamecontroller.fill"_s;
    gaming.brightness = 25;
    gaming.volume = 60;
    f.store->add(gaming);
    reach("Movie active", [&] { return f.refreshShowingMovie(); });
    f.c().setPerInputScenesEnabled(true);
    f.reader.reading = Reading::available(0.4);
    f.adaptive().setEnabled(true);
    f.c().set(MonitorFeature::contrast, 72); // pauses following
    StillLoginItem login;
    SettingsView view(*f.model, login);
    if (!show(&view))
        return;
    f.settle();
    save(&view, u"settings"_s);
    // The whole page, as if the window were tall enough for it.
    if (auto* scroll = view.findChild<QScrollArea*>())
        save(scroll->widget(), u"settings-page"_s);
    // The shortcuts: two keys the desktop gave, one another program holds; then a desktop that
    // lets no program take keys.
    auto& keys = f.model->keyboardShortcuts();
    keys.setKeys(u"brightnessUp"_s, QKeySequence(u"Ctrl+Alt+Up"_s));
    keys.setKeys(u"brightnessDown"_s, QKeySequence(u"Ctrl+Alt+Down"_s));
    keys.setKeys(u"nightMode"_s, QKeySequence(u"Meta+N"_s));
    f.keys->answer(u"nightMode"_s, GlobalShortcuts::State::taken);
    if (auto* section = view.findChild<ShortcutRows*>()) {
        view.findChild<QScrollArea*>()->ensureWidgetVisible(section, 0, 0);
        view.findChild<QScrollArea*>()->ensureWidgetVisible(section->parentWidget(), 0, 60);
        save(&view, u"settings-shortcuts"_s);
        f.keys->available = false;
        f.keys->answer(u"nightMode"_s, GlobalShortcuts::State::none);
        view.findChild<QScrollArea*>()->ensureWidgetVisible(section->parentWidget(), 0, 60);
        save(&view, u"settings-shortcuts-unavailable"_s);
        f.keys->available = true;
    }

    // The custom scene's row with its menu open.
    const auto rows = view.findChildren<SceneManagementRow*>();
    for (auto* row : rows) {
        auto* actions = row->item().isEditable ? row->findChild<QToolButton*>() : nullptr;
        if (!actions || !actions->menu())
            continue;
        QMenu* menu = actions->menu();
        menu->popup(row->mapToGlobal(QPoint(row->width() / 2, row->height())));
        if (QTest::qWaitForWindowExposed(menu)) {
            QPixmap shot = row->grab();
            const QPixmap open = menu->grab();
            // The row, and under it the menu with a margin all round.
            QPixmap both(qMax(shot.width(), open.width() + 48), shot.height() + open.height() + 16);
            both.fill(view.palette().color(QPalette::Window));
            QPainter painter(&both);
            painter.drawPixmap(0, 0, shot);
            painter.drawPixmap(40, shot.height() + 8, open);
            painter.end();
            save(both, u"scene-row-menu"_s);
        }
        menu->close();
        break;
    }

    for (auto* button : view.findChildren<QPushButton*>()) {
        if (button->objectName() == u"saveScene"_s) {
            button->click();
            if (auto* dialog = view.findChild<QDialog*>(u"namingDialog"_s); dialog && show(dialog)) {
                save(dialog, u"settings-naming"_s);
                dialog->reject();
            }
        }
    }

    view.editScene(gaming);
    if (auto* sheet = view.findChild<SceneEditorSheet*>(); sheet && show(sheet)) {
        save(sheet, u"settings-editor"_s);
        sheet->reject();
    }
    f.adaptive().setEnabled(false);
    f.settle();
}

// Adaptive brightness following the schedule: Settings' section with its editor, and the panel's
// caption while a manual change holds until the next point.
void Gallery::followingSchedule() {
    ControllerFixture f(ControllerFixture::withMonitors);
    f.clock->current = QDateTime(QDate(2026, 12, 7), QTime(15, 10), QTimeZone("Europe/Berlin"));
    f.adaptive().schedule().setSchedule(
        std::get<BrightnessSchedule>(BrightnessSchedule::parse(u"07:00=80 sunset-30=55 22:00=20"_s)));
    f.adaptive().setSource(Adaptive::Source::schedule);
    f.adaptive().setEnabled(true);
    reach("following the schedule", [&] { return f.adaptive().lastWritten().has_value(); });
    StillLoginItem login;
    SettingsView view(*f.model, login);
    if (!show(&view))
        return;
    for (auto* toggle : view.findChildren<ToggleSwitch*>()) {
        if (toggle->accessibleName() == u"Follow schedule"_s)
            view.findChild<QScrollArea*>()->ensureWidgetVisible(toggle, 0, 20);
    }
    save(&view, u"settings-schedule"_s);
    if (auto* scroll = view.findChild<QScrollArea*>())
        save(scroll->widget(), u"settings-schedule-page"_s);
    f.c().set(MonitorFeature::brightness, 65); // holds until sunset-30
    MonitorMenuView panel(*f.model);
    if (show(&panel))
        save(&panel, u"panel-schedule-held"_s);
    f.adaptive().setEnabled(false);
    f.settle();
}

// The panel, the window's Controls and Settings with `count` monitors connected: two of one model
// (told apart by a number) and one with a long name, the Controls showing each monitor in turn,
// Settings with the Monitors section and scenes by input on.
void Gallery::severalMonitors(int count) {
    ControllerFixture f(ControllerFixture::withMonitors);
    const QStringList displays{u"00000000000000aa Velmar VX27"_s,
                               u"00000000000000bb Velmar Studio Display Pro 32-inch 6K Reference"_s,
                               u"00000000000000cc Velmar VX27"_s};
    const QString brightness[] = {u"64"_s, u"35"_s, u"80"_s};
    for (int i = 0; i < count; ++i)
        f.monitor.setState({{u"luminance"_s, brightness[i]}}, displays[i].section(u' ', 0, 0));
    if (!reach("monitors listed", [&] { return f.startMonitors(displays.mid(0, count)); }))
        return;
    for (auto* controller : f.monitors->controllers())
        controller->setPerInputScenesEnabled(true);
    const QString suffix = u"-%1-monitors"_s.arg(count);

    MonitorMenuView panel(*f.model);
    WindowSectionState selection;
    StillLoginItem login;
    UnifiedMonitorWindow window(*f.model, selection, login);
    if (!show(&panel) || !show(&window))
        return;
    f.settle();
    save(&panel, u"panel"_s + suffix);
    save(&window, u"window-controls"_s + suffix);
    // The last monitor picked, as the user would.
    auto* picker = window.findChild<MonitorPicker*>();
    if (picker && picker->isVisible()) {
        picker->setCurrentIndex(count - 1);
        emit picker->activated(count - 1);
        f.settle();
        QCoreApplication::processEvents(); // the new controls' scroll bar shows on a queued call
        save(&window, u"window-controls-last"_s + suffix);
    }

    selection.setSection(MonitorWindowSection::settings);
    f.settle();
    QCoreApplication::processEvents(); // as above
    save(&window, u"window-settings"_s + suffix);
    if (auto* view = window.findChild<SettingsView*>(); view && view->findChild<QScrollArea*>())
        save(view->findChild<QScrollArea*>()->widget(), u"settings-page"_s + suffix);
    f.settle();
}

// The on-screen indicator for each kind of change.
void Gallery::indicator() {
    ControllerFixture f;
    reach("Movie active", [&] { return f.refreshShowingMovie(); });
    OnScreenIndicator indicator;
    indicator.showValue(MonitorFeature::brightness, f.c());
    save(&indicator, u"indicator-brightness"_s);
    indicator.showValue(MonitorFeature::blue, f.c());
    save(&indicator, u"indicator-blue"_s);
    indicator.showScene(MonitorScene::movie());
    save(&indicator, u"indicator-scene"_s);
    indicator.showInput(MonitorInput::displayPort);
    save(&indicator, u"indicator-input"_s);
    indicator.showNightMode(true);
    save(&indicator, u"indicator-night"_s);
    indicator.hide();
    f.settle();
}

// The editor alone: a scene with colour, then scrolled to its end, then a scene without a name.
void Gallery::sceneEditor() {
    MonitorScene scene;
    scene.id = QUuid::createUuid();
    scene.name = u"Evening"_s;
    scene.symbol = u"moon.stars.fill"_s;
    scene.kind = MonitorScene::Kind::custom;
    scene.brightness = 40;
    scene.contrast = 65;
    scene.rgb = MonitorScene::RGB{50, 44, 36};
    {
        SceneEditorSheet sheet(scene, {});
        if (!show(&sheet))
            return;
        save(&sheet, u"scene-editor"_s);
        auto* bar = sheet.findChild<QScrollArea*>()->verticalScrollBar();
        bar->setValue(bar->maximum());
        save(&sheet, u"scene-editor-scrolled"_s);
    }
    scene.name.clear();
    SceneEditorSheet empty(scene, {});
    if (show(&empty))
        save(&empty, u"scene-editor-empty"_s);
}

// The time-of-day schedule's editor in a card of the 480-pixel window's form, as Settings holds
// it: Berlin in winter by its time zone's own place; Tromsø at midsummer, a place typed in, where
// the sun does not set; and the problems it shows: a time given twice, a latitude beyond 90°.
void Gallery::scheduleEditor() {
    const auto parsed = BrightnessSchedule::parse(u"dawn=30 07:00=80 sunset-30=50 22:00=20"_s);
    const auto& schedule = std::get<BrightnessSchedule>(parsed);
    const auto draw = [&](const QString& name, const QString& title, QDate day, const QTimeZone& zone,
                          GeoPlace place, bool typed, const std::function<void(ScheduleEditor&)>& edit) {
        QWidget window;
        window.setFixedWidth(480);
        auto* outer = new QVBoxLayout(&window);
        outer->setContentsMargins(0, 0, 0, 0);
        QVBoxLayout* form = addScrollingForm(*outer);
        auto* section = new FormSection(u"Time of Day"_s, form->parentWidget());
        auto* editor = new ScheduleEditor;
        QWidget* row = section->addFullRow(editor);
        row->layout()->setContentsMargins(0, 0, 0, 0);
        row->setMinimumHeight(0);
        form->addWidget(section);
        form->addStretch(1);
        editor->setSchedule(schedule);
        editor->setPlace(typed ? std::optional(place) : std::nullopt);
        editor->setSunTimes(title, schedule.sunTimes(day, ScheduleContext{place, zone}), zone);
        if (edit)
            edit(*editor);
        // As tall as the form, wrapped lines and all, so that nothing scrolls.
        QWidget* page = form->parentWidget();
        window.resize(480, page->hasHeightForWidth() ? page->heightForWidth(480) : page->sizeHint().height());
        if (show(&window))
            save(&window, name);
    };
    const GeoPlace berlin{52.52, 13.40}, tromso{69.65, 18.96};
    draw(u"schedule-editor"_s, u"Sun times for Europe/Berlin"_s, QDate(2025, 1, 15),
         QTimeZone("Europe/Berlin"), berlin, false, {});
    draw(u"schedule-editor-no-sunset"_s, u"Sun times for 69.65° N, 18.96° E"_s, QDate(2025, 6, 21),
         QTimeZone("Europe/Oslo"), tromso, true, {});
    // Edited as the user would: the last point moved onto 07:00, then a latitude out of range.
    draw(u"schedule-editor-problems"_s, u"Sun times for Europe/Berlin"_s, QDate(2025, 1, 15),
         QTimeZone("Europe/Berlin"), berlin, true, [](ScheduleEditor& editor) {
             for (auto* time : editor.findChildren<QTimeEdit*>()) {
                 if (time->accessibleName() == u"Point 4 time"_s)
                     time->setTime(QTime(7, 0));
             }
             for (auto* field : editor.findChildren<QLineEdit*>()) {
                 if (field->accessibleName() == u"Latitude"_s) {
                     field->setText(u"95.2"_s);
                     emit field->editingFinished();
                 }
             }
         });
}

// Every custom control in every state, captioned, in one window. Only one control has the focus
// at a time, so the focused chip is taken from a second grab.
void Gallery::controls() {
    QWidget sheet;
    sheet.setAutoFillBackground(true);
    auto* grid = new QGridLayout(&sheet);
    grid->setContentsMargins(20, 20, 20, 20);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(12);
    int row = 0;
    auto add = [&](const QString& caption, QWidget* control) {
        grid->addWidget(new QLabel(caption), row, 0);
        grid->addWidget(control, row++, 1);
    };

    for (double value : {0.0, 40.0, 100.0}) {
        auto* slider = new CapsuleSlider;
        slider->setValue(value);
        add(u"Capsule %1"_s.arg(value), slider);
    }
    auto* disabled = new CapsuleSlider;
    disabled->setValue(60);
    disabled->setEnabled(false);
    add(u"Capsule disabled"_s, disabled);
    auto* focusedSlider = new CapsuleSlider;
    focusedSlider->setValue(40);
    add(u"Capsule focused"_s, focusedSlider);

    for (std::optional<QColor> tint :
         {std::optional<QColor>(), std::optional<QColor>(QColor(0xe0, 0x4a, 0x3f))}) {
        const QString suffix = tint ? u" (tint)"_s : QString();
        auto* loaded = new CompactMonitorSlider(u"Brightness"_s, u"sun.max.fill"_s, tint);
        loaded->setValue(42);
        loaded->setLoaded(true);
        add(u"Loaded"_s + suffix, loaded);
        auto* loading = new CompactMonitorSlider(u"Contrast"_s, u"circle.lefthalf.filled"_s, tint);
        loading->setValue(50);
        loading->setLoading(true);
        add(u"Loading"_s + suffix, loading);
        auto* missing = new CompactMonitorSlider(u"Volume"_s, u"speaker.wave.2.fill"_s, tint);
        missing->setValue(100);
        add(u"Not available"_s + suffix, missing);
    }
    auto* counting = new CompactMonitorSlider(u"Brightness"_s, u"sun.max.fill"_s);
    counting->setValue(20);
    counting->setLoaded(true);
    add(u"Counting 20 to 80"_s, counting);

    auto* chips = new QWidget;
    auto* chipRow = new QHBoxLayout(chips);
    chipRow->setContentsMargins(0, 0, 0, 0);
    chipRow->setSpacing(10);
    auto addChip = [&](bool active, const QString& symbol) {
        auto* chip = new CircleChip;
        chip->setActive(active);
        chip->setSymbol(symbol);
        if (active)
            chip->setSymbolColor(QColor(Qt::black));
        chipRow->addWidget(chip);
        return chip;
    };
    addChip(true, u"moon.stars.fill"_s);
    addChip(false, u"moon.stars.fill"_s);
    addChip(false, u"arrow.clockwise"_s)->setBusy(true);
    addChip(true, u"arrow.clockwise"_s)->setBusy(true);
    addChip(false, u"gearshape.fill"_s)->setDown(true);
    addChip(false, u"gearshape.fill"_s)->setEnabled(false);
    CircleChip* focusedChip = addChip(false, u"ellipsis"_s);
    chipRow->addStretch();
    add(u"Chips"_s, chips);
    grid->addWidget(new QLabel(u"active, inactive, busy, busy active, pressed, disabled, focused"_s), row++,
                    1);

    sheet.resize(560, sheet.sizeHint().height());
    if (!show(&sheet))
        return;
    counting->setValue(80); // its digits held on their way
    holdOnTheWay(counting);
    sheet.activateWindow();
    (void)QTest::qWaitForWindowActive(&sheet); // inactive, the rings are merely paler
    // As if reached with Tab: standard controls ring keyboard focus only.
    sheet.setAttribute(Qt::WA_KeyboardFocusChange);
    focusedSlider->setFocus(Qt::TabFocusReason);
    QPixmap shot = sheet.grab();
    focusedChip->setFocus(Qt::TabFocusReason);
    const QPixmap chipFocused = sheet.grab();
    const QRect chipArea(focusedChip->mapTo(&sheet, QPoint()), focusedChip->size());
    const qreal ratio = shot.devicePixelRatio();
    QPainter(&shot).drawPixmap(QRectF(chipArea), chipFocused,
                               QRectF(QPointF(chipArea.topLeft()) * ratio, QSizeF(chipArea.size()) * ratio));
    save(shot, u"controls"_s);
}

// Every symbol at three sizes and greyed out, with the name pickers show, and the fallback an
// unknown name gets.
void Gallery::symbols() {
    const QPalette palette = QApplication::palette();
    const QStringList names = SymbolIcons::knownSymbols() << u"no.such.symbol"_s;
    constexpr int columns = 3, cellWidth = 330, rowHeight = 44, margin = 12;
    const int rows = int((names.size() + columns - 1) / columns);
    QPixmap sheet(columns * cellWidth + 2 * margin, rows * rowHeight + 2 * margin);
    sheet.fill(palette.color(QPalette::Window));
    QPainter painter(&sheet);
    painter.setPen(palette.color(QPalette::WindowText));
    for (int i = 0; i < names.size(); ++i) {
        expectingUnknownSymbol = !SymbolIcons::isKnown(names[i]);
        const QIcon icon = SymbolIcons::icon(names[i], palette);
        const QPoint cell(margin + int(i / rows) * cellWidth, margin + int(i % rows) * rowHeight);
        int x = cell.x();
        for (int size : {16, 24, 32}) {
            icon.paint(&painter, QRect(x, cell.y() + (32 - size) / 2, size, size));
            x += size + 8;
        }
        icon.paint(&painter, QRect(x, cell.y() + 4, 24, 24), Qt::AlignCenter, QIcon::Disabled);
        x += 24 + 12;
        painter.drawText(QRect(x, cell.y(), cellWidth - (x - cell.x()), 32), Qt::AlignVCenter,
                         SymbolIcons::displayName(names[i]));
    }
    expectingUnknownSymbol = false;
    painter.end();
    save(sheet, u"symbols"_s);
}

} // namespace

int main(int argc, char** argv) {
    // Drawn off screen, the same on a desktop, a server and CI.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QString::fromLatin1(symbolCategory) + u".warning=true"_s);
    defaultHandler = qInstallMessageHandler(countUnknownSymbols);

    const QStringList arguments = QApplication::arguments();
    const QDir folder(arguments.size() > 1 ? arguments.at(1) : QStringLiteral(VELMAR_GALLERY_DIR));
    if (!folder.mkpath(u"."_s)) {
        std::fprintf(stderr, "velmar-gallery: cannot make %s\n", qPrintable(folder.path()));
        return 1;
    }

    bool failed = false;
    for (const bool dark : {false, true}) {
        Gallery gallery(folder, dark);
        gallery.panelAndWindow();
        gallery.settings();
        gallery.followingSchedule();
        gallery.severalMonitors(2);
        gallery.severalMonitors(3);
        gallery.indicator();
        gallery.sceneEditor();
        gallery.scheduleEditor();
        gallery.controls();
        gallery.symbols();
        failed = failed || gallery.failed();
    }
    if (unknownSymbols > 0) {
        std::fprintf(stderr, "velmar-gallery: %d symbol names without an image\n", unknownSymbols);
        failed = true;
    }
    return failed ? 1 : 0;
}
