#include "LinkedBrightness.h"

#include "ConnectedMonitors.h"
#include "MonitorController.h"
#include "SettingsFile.h"
#include "SettingsKeys.h"

#include <algorithm>

namespace {
QString offsetKey(const QString& id) {
    return QLatin1String(SettingsKeys::linkedOffsets) + u'/' + id;
}
} // namespace

LinkedBrightness::LinkedBrightness(ConnectedMonitors& monitors, SettingsFile& settings, QObject* parent)
    : QObject(parent), m_monitors(monitors), m_settings(settings),
      m_linked(settings.storedSwitch(QLatin1String(SettingsKeys::linkedBrightnessEnabled))) {
    // The differences are taken up again as each monitor is read.
    if (m_linked)
        m_level = m_settings.storedNumber(QLatin1String(SettingsKeys::linkedLevel), 0, 100);
    for (auto* controller : m_monitors.controllers())
        watch(controller);
    connect(&m_monitors, &ConnectedMonitors::controllersChanged, this, [this] {
        for (auto* controller : m_monitors.controllers()) {
            if (!m_watched.contains(controller))
                watch(controller);
        }
    });
}

void LinkedBrightness::watch(MonitorController* controller) {
    // Once per controller: a second connection would move the others twice.
    m_watched.insert(controller);
    connect(controller, &MonitorController::brightnessChosen, this,
            [this, controller](double value, bool live) { follow(*controller, value, live); });
    connect(controller, &MonitorController::loadedFeaturesChanged, this, [this, controller] {
        updateOffset(*controller);
    });
    connect(controller, &MonitorController::idChanged, this, [this, controller] {
        if (m_offsets.contains(controller))
            storeOffset(*controller); // read before the listing named it
    });
    connect(controller, &QObject::destroyed, this, [this, controller] {
        m_offsets.erase(controller);
        m_watched.erase(controller);
    });
    updateOffset(*controller);
}

bool LinkedBrightness::isLinked(const MonitorController& controller) const {
    return m_linked && m_offsets.contains(&controller);
}

void LinkedBrightness::setLinked(bool linked) {
    m_settings.store(QLatin1String(SettingsKeys::linkedBrightnessEnabled), linked);
    if (linked == m_linked)
        return;
    m_linked = linked;
    m_offsets.clear();
    m_level.reset();
    // Differences are taken afresh each time linking begins.
    m_settings.remove(QLatin1String(SettingsKeys::linkedLevel));
    m_settings.remove(QLatin1String(SettingsKeys::linkedOffsets));
    for (auto* controller : m_monitors.controllers())
        updateOffset(*controller);
    emit linkedChanged();
}

void LinkedBrightness::updateOffset(MonitorController& controller) {
    if (!m_linked)
        return;
    // A monitor not read yet has no difference.
    if (!controller.isLoaded(MonitorFeature::brightness)) {
        m_offsets.erase(&controller);
        return;
    }
    if (m_offsets.contains(&controller))
        return;
    // Without a level, no difference remembered is worth anything: they were taken from it.
    const auto stored = m_level ? storedOffset(controller.id()) : std::nullopt;
    if (!m_level) {
        m_level = controller.brightness();
        storeLevel();
    }
    m_offsets[&controller] = stored.value_or(controller.brightness() - *m_level);
    storeOffset(controller);
}

std::optional<double> LinkedBrightness::storedOffset(const QString& id) const {
    if (id.isEmpty())
        return std::nullopt;
    return m_settings.storedNumber(offsetKey(id), -100, 100);
}

void LinkedBrightness::storeLevel() {
    m_settings.store(QLatin1String(SettingsKeys::linkedLevel), *m_level);
}

void LinkedBrightness::storeOffset(const MonitorController& controller) {
    // A monitor not named yet is alone: its difference matters once another one comes, and is
    // kept then.
    if (!controller.id().isEmpty())
        m_settings.store(offsetKey(controller.id()), m_offsets.at(&controller));
}

void LinkedBrightness::follow(MonitorController& source, double brightness, bool live) {
    const auto own = m_offsets.find(&source);
    if (!m_linked || own == m_offsets.end())
        return;
    m_level = brightness - own->second;
    storeLevel();
    for (auto* controller : m_monitors.controllers()) {
        const auto offset = m_offsets.find(controller);
        if (controller == &source || offset == m_offsets.end())
            continue;
        // Each controller writes its monitor once the value settles, as for its own slider; a
        // value it holds already is written already, or will be.
        const double target = std::clamp(*m_level + offset->second, 0.0, 100.0);
        if (target != controller->brightness())
            controller->followBrightness(target, live);
    }
}
