#include "ShortcutActions.h"

#include "controller/AdaptiveBrightness.h"
#include "controller/ConnectedMonitors.h"
#include "controller/KeyboardShortcuts.h"
#include "controller/MonitorValue.h"
#include "controller/NightModeForAll.h"
#include "controller/ProgramModel.h"

#include <algorithm>

ShortcutActions::ShortcutActions(ProgramModel& model, KeyboardShortcuts& shortcuts, QObject* parent)
    : QObject(parent), m_model(model), m_shortcuts(shortcuts) {
    connect(&m_shortcuts, &KeyboardShortcuts::triggered, this, &ShortcutActions::perform);
}

bool ShortcutActions::perform(const QString& id) {
    if (id == QLatin1String(KeyboardShortcuts::brightnessUp))
        return step(MonitorFeature::brightness, +1);
    if (id == QLatin1String(KeyboardShortcuts::brightnessDown))
        return step(MonitorFeature::brightness, -1);
    if (id == QLatin1String(KeyboardShortcuts::volumeUp))
        return step(MonitorFeature::volume, +1);
    if (id == QLatin1String(KeyboardShortcuts::volumeDown))
        return step(MonitorFeature::volume, -1);
    if (id == QLatin1String(KeyboardShortcuts::nightMode))
        return toggleNightMode();
    if (id == QLatin1String(KeyboardShortcuts::adaptiveBrightness))
        return toggleAdaptive();
    if (id == QLatin1String(KeyboardShortcuts::nextInput))
        return nextInput();
    if (const auto scene = KeyboardShortcuts::sceneFromId(id))
        return applyScene(*scene);
    return false;
}

bool ShortcutActions::step(MonitorFeature feature, int direction) {
    auto& monitor = m_model.monitors().main();
    // A step from the default a view shows before the monitor answered would land anywhere.
    if (!monitor.isLoaded(feature))
        return false;
    const qint64 current = wholeMonitorValue(monitor.value(feature));
    const int target = int(std::clamp<qint64>(current + qint64(direction) * m_shortcuts.step(), 0, 100));
    monitor.set(feature, target);
    emit m_changes.valueRequested(feature, &monitor);
    return true;
}

bool ShortcutActions::toggleNightMode() {
    auto& monitor = m_model.monitors().main();
    // As the panel's button, which is disabled meanwhile.
    if (monitor.isChangingNightMode() || monitor.isWorking())
        return false;
    const bool on = !monitor.isNightMode();
    m_model.nightMode().setEnabled(on);
    emit m_changes.nightModeRequested(on, &monitor);
    return true;
}

bool ShortcutActions::toggleAdaptive() {
    auto& adaptive = m_model.adaptiveBrightness();
    const bool on = !adaptive.isEnabled();
    adaptive.setEnabled(on);
    emit m_changes.adaptiveRequested(on);
    return true;
}

bool ShortcutActions::nextInput() {
    auto& monitor = m_model.monitors().main();
    // Never a guess at another make's register: not before the monitor said which it switches on.
    if (!monitor.canSwitchInput())
        return false;
    const auto offered = monitor.offeredInputs();
    if (offered.isEmpty())
        return false;
    const auto active = monitor.activeInput();
    const qsizetype at = active ? offered.indexOf(*active) : -1;
    const MonitorInput next = offered.at((at + 1) % offered.size());
    if (active && next == *active)
        return false;
    monitor.setInput(next);
    emit m_changes.inputRequested(next, &monitor);
    return true;
}

bool ShortcutActions::applyScene(const QUuid& id) {
    auto& monitor = m_model.monitors().main();
    // The controller drops a scene asked for while another is applied.
    if (monitor.isApplyingScene())
        return false;
    const auto scenes = monitor.scenes();
    const auto found = std::find_if(scenes.cbegin(), scenes.cend(), [&](const auto& scene) { return scene.id == id; });
    if (found == scenes.cend())
        return false;
    monitor.apply(*found);
    emit m_changes.sceneRequested(*found, &monitor);
    return true;
}
