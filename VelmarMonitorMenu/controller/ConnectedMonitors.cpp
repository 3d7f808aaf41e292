#include "ConnectedMonitors.h"

#include "async/SerialQueue.h"
#include "MonitorController.h"
#include "scenes/InputScenePreferenceStore.h"
#include "SettingsKeys.h"
#include "scenes/SettingsSync.h"

#include <QSettings>

#include <algorithm>
#include <cmath>

using namespace std::chrono_literals;

namespace {

QStringList idsOf(const QList<ListedDisplay>& displays) {
    QStringList ids;
    for (const auto& display : displays)
        ids.append(display.id);
    return ids;
}

// A number from the settings file, which anyone may have edited: nothing unless it is a finite
// number, then held within the range.
std::optional<double> storedNumber(const QSettings& settings, const QString& key, double lowest,
                                   double highest) {
    bool ok = false;
    const double value = settings.value(key).toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return std::clamp(value, lowest, highest);
}

// Only well-formed ids become key names or command lines, whatever the settings file holds.
QStringList storedIds(const QSettings& settings, const char* key) {
    QStringList ids = settings.value(QLatin1String(key)).toStringList();
    ids.removeIf([](const QString& id) { return !DisplayListing::isDisplayId(id); });
    return ids;
}

} // namespace

ConnectedMonitors::ConnectedMonitors(MonitorSceneStore& sceneStore,
                                     BuiltInDisplayBrightnessReadingSource& brightnessReader,
                                     InputScenePreferenceStore& mainPreferences,
                                     MonitorControllerEnvironment environment, QObject* parent)
    : QObject(parent), m_sceneStore(sceneStore), m_brightnessReader(brightnessReader),
      m_settings(environment.settings), m_helperLocator(environment.helperLocator),
      m_screens(environment.screens), m_now(environment.now), m_timings(environment.timings),
      m_listings(std::make_shared<SerialQueue>()) {
    if (!m_settings) {
        m_ownSettings = std::make_unique<QSettings>();
        m_settings = m_ownSettings.get();
    }
    if (!m_screens)
        m_screens = makeSystemScreenNameSource();
    m_known = storedIds(*m_settings, SettingsKeys::knownMonitors);

    // The main controller starts out as the main monitor of the last run, addressed only once a
    // listing has found that monitor again.
    const QString lastMain = m_known.contains(chosenMain()) ? chosenMain() : m_known.value(0);
    const QString group = settingsGroup(lastMain);
    mainPreferences.setStorageKey(group + QLatin1String(InputScenePreferenceStore::defaultKey));
    environment.settings = m_settings;
    environment.screens = m_screens;
    environment.monitor = ListedDisplay{lastMain, {}};
    environment.monitorSettingsGroup = group;
    environment.readingHooks.before = [this] { return listBeforeReading(); };
    environment.readingHooks.after = [this] { return listAfterReading(); };
    m_main = std::make_unique<MonitorController>(sceneStore, brightnessReader, mainPreferences,
                                                 std::move(environment));
    watch(*m_main);
    m_brightnessLinked = m_settings->value(QLatin1String(SettingsKeys::linkedBrightnessEnabled)).toBool();
    // The differences are taken up again as each monitor is read.
    if (m_brightnessLinked)
        m_linkedLevel = storedNumber(*m_settings, QLatin1String(SettingsKeys::linkedLevel), 0, 100);
}

ConnectedMonitors::~ConnectedMonitors() {
    m_lifetime->cancel();
    m_others.clear();
    m_main.reset();
}

QList<MonitorController*> ConnectedMonitors::controllers() const {
    QList<MonitorController*> all{m_main.get()};
    // A controller being torn down may ask (through a view that watches it go) while its id is
    // still in the order: it is no longer one of them.
    for (const auto& id : m_order) {
        if (const auto other = m_others.find(id); other != m_others.end() && other->second.controller)
            all.append(other->second.controller.get());
    }
    return all;
}

MonitorController* ConnectedMonitors::controller(const QString& id) const {
    if (m_main->listedDisplay().id == id)
        return m_main.get();
    const auto other = m_others.find(id);
    return other == m_others.end() ? nullptr : other->second.controller.get();
}

void ConnectedMonitors::setMainMonitor(const QString& id) {
    if (!DisplayListing::isDisplayId(id))
        return;
    keepSettingsFile(*m_settings);
    m_settings->setValue(QLatin1String(SettingsKeys::mainMonitor), id);
    list();
}

QString ConnectedMonitors::chosenMain() const {
    return storedIds(*m_settings, SettingsKeys::mainMonitor).value(0);
}

QString ConnectedMonitors::settingsGroup(const QString& id) const {
    // A monitor not named yet is the one whose keys the program has always used.
    if (id.isEmpty() || id == m_settings->value(QLatin1String(SettingsKeys::originalMonitor)).toString())
        return {};
    return QLatin1String(SettingsKeys::monitorGroups) + id + QLatin1Char('/');
}

QCoro::Task<> ConnectedMonitors::list() {
    return listing(false);
}

QCoro::Task<> ConnectedMonitors::listBeforeReading() {
    m_listedBeforeReading = knowsSeveral();
    if (m_listedBeforeReading)
        co_await listing(true);
}

QCoro::Task<> ConnectedMonitors::listAfterReading() {
    // Once per reading: down to one monitor, the listing before it has said so already.
    if (!std::exchange(m_listedBeforeReading, false) && !knowsSeveral())
        co_await listing(false);
}

QCoro::Task<> ConnectedMonitors::listing(bool mainReadsNext) {
    const auto lifetime = m_lifetime;
    const auto queue = m_listings;
    const auto turn = co_await queue->acquire();
    if (lifetime->isCancelled())
        co_return;
    // Through the main controller's client: the helper that lists never runs beside another
    // command for the main monitor.
    const auto displays = co_await m_main->listDisplays();
    if (lifetime->isCancelled() || !displays)
        co_return;
    co_await follow(displays.value(), mainReadsNext);
}

QCoro::Task<> ConnectedMonitors::follow(QList<ListedDisplay> displays, bool mainReadsNext) {
    const auto lifetime = m_lifetime;
    const bool several = displays.size() > 1;
    remember(displays);

    const auto chosen = std::find_if(displays.begin(), displays.end(),
                                     [this](const auto& display) { return display.id == chosenMain(); });
    // No monitor answers: the main controller keeps its monitor and its commands go wherever the
    // helper sends them, as with one monitor.
    const ListedDisplay mainDisplay = displays.isEmpty()         ? m_main->listedDisplay()
                                      : chosen != displays.end() ? *chosen
                                                                 : displays.first();

    // The controllers of monitors that went, and the one of a monitor that became the main one,
    // go first: no monitor is ever spoken to by two controllers.
    const QStringList before = m_order;
    const QString mainBefore = m_main->listedDisplay().id;
    const QStringList listed = idsOf(displays);
    std::erase_if(m_others, [&](const auto& other) {
        const bool goes = other.first == mainDisplay.id || !listed.contains(other.first);
        if (goes)
            m_offsets.erase(other.second.controller.get());
        return goes;
    });
    m_order.removeIf([this](const QString& id) { return !m_others.contains(id); });

    const bool readAgain = co_await m_main->standFor(mainDisplay, settingsGroup(mainDisplay.id), several);
    if (lifetime->isCancelled())
        co_return;
    if (readAgain && !mainReadsNext)
        m_main->refresh();
    if (m_offsets.contains(m_main.get()))
        storeOffset(*m_main); // read before the listing named it

    m_order.clear();
    for (const auto& display : displays) {
        if (display.id == mainDisplay.id)
            continue;
        if (const auto other = m_others.find(display.id); other != m_others.end())
            other->second.lifecycle->post(DisplayLifecycleEvent::displayConfigurationDidChange);
        else
            addOther(display);
        m_order.append(display.id);
    }
    if (m_order != before || mainBefore != mainDisplay.id)
        emit controllersChanged();
}

void ConnectedMonitors::remember(const QList<ListedDisplay>& displays) {
    const QStringList ids = idsOf(displays);
    keepSettingsFile(*m_settings);
    // The monitor the program knows first keeps the keys it has always had.
    if (!ids.isEmpty() && !m_settings->contains(QLatin1String(SettingsKeys::originalMonitor))) {
        m_settings->setValue(QLatin1String(SettingsKeys::originalMonitor),
                             ids.contains(chosenMain()) ? chosenMain() : ids.first());
    }
    if (ids != m_known) {
        m_known = ids;
        m_settings->setValue(QLatin1String(SettingsKeys::knownMonitors), ids);
    }
}

void ConnectedMonitors::addOther(const ListedDisplay& display) {
    Other other;
    const QString group = settingsGroup(display.id);
    other.preferences = std::make_unique<InputScenePreferenceStore>(
        *m_settings, group + QLatin1String(InputScenePreferenceStore::defaultKey));
    MonitorControllerEnvironment environment;
    environment.settings = m_settings;
    environment.helperLocator = m_helperLocator;
    environment.screens = m_screens;
    // Told of wake and display changes by us, once the monitors have been listed.
    auto lifecycle =
        std::make_unique<DisplayLifecycleEventSource>(DisplayLifecycleEventSource::Observe::nothing);
    other.lifecycle = lifecycle.get();
    environment.displayLifecycle = std::move(lifecycle);
    environment.now = m_now;
    environment.timings = m_timings;
    environment.timings.lifecycleSettleDelay = 0ms; // the main controller has waited already
    environment.monitor = display;
    environment.addressed = true;
    // Adaptive brightness and the shell's preferences are the main monitor's: the program's keys
    // of any other monitor are its own, where nothing switches them on.
    environment.programSettingsGroup =
        QLatin1String(SettingsKeys::monitorGroups) + display.id + QLatin1Char('/');
    environment.monitorSettingsGroup = group;
    other.controller = std::make_unique<MonitorController>(m_sceneStore, m_brightnessReader,
                                                           *other.preferences, std::move(environment));
    const QPointer<MonitorController> controller = other.controller.get();
    watch(*other.controller);
    m_others.emplace(display.id, std::move(other));
    startOther(controller);
}

void ConnectedMonitors::watch(MonitorController& controller) {
    connect(&controller, &MonitorController::brightnessChosen, this,
            [this, &controller](double brightness, bool live) {
                followBrightness(controller, brightness, live);
            });
    connect(&controller, &MonitorController::loadedFeaturesChanged, this,
            [this, &controller] { updateOffset(controller); });
    connect(&controller, &MonitorController::nightModeChosen, this,
            [this, &controller](bool enabled) { followNightMode(controller, enabled); });
}

void ConnectedMonitors::followNightMode(const MonitorController& source, bool enabled) {
    if (std::exchange(m_followingNightMode, true))
        return;
    for (auto* controller : controllers()) {
        if (controller != &source)
            controller->setNightMode(enabled);
    }
    m_followingNightMode = false;
}

void ConnectedMonitors::setBrightnessLinked(bool linked) {
    keepSettingsFile(*m_settings);
    m_settings->setValue(QLatin1String(SettingsKeys::linkedBrightnessEnabled), linked);
    if (linked == m_brightnessLinked)
        return;
    m_brightnessLinked = linked;
    m_offsets.clear();
    m_linkedLevel.reset();
    // Differences are taken afresh each time linking begins.
    m_settings->remove(QLatin1String(SettingsKeys::linkedLevel));
    m_settings->remove(QLatin1String(SettingsKeys::linkedOffsets));
    for (auto* controller : controllers())
        updateOffset(*controller);
    emit brightnessLinkedChanged();
}

void ConnectedMonitors::updateOffset(MonitorController& controller) {
    if (!m_brightnessLinked)
        return;
    // A monitor the controller has not read (yet, or since it moved to another) has no difference.
    if (!controller.loadedFeatures().contains(MonitorFeature::brightness)) {
        m_offsets.erase(&controller);
        return;
    }
    if (m_offsets.contains(&controller))
        return;
    // Without a level, no difference remembered is worth anything: they were taken from it.
    const auto stored = m_linkedLevel ? storedOffset(controller.listedDisplay().id) : std::nullopt;
    if (!m_linkedLevel) {
        m_linkedLevel = controller.brightness();
        storeLinkedLevel();
    }
    m_offsets[&controller] = stored.value_or(controller.brightness() - *m_linkedLevel);
    storeOffset(controller);
}

std::optional<double> ConnectedMonitors::storedOffset(const QString& id) const {
    if (id.isEmpty())
        return std::nullopt;
    return storedNumber(*m_settings, QLatin1String(SettingsKeys::linkedOffsets) + u'/' + id, -100, 100);
}

void ConnectedMonitors::storeLinkedLevel() {
    keepSettingsFile(*m_settings);
    m_settings->setValue(QLatin1String(SettingsKeys::linkedLevel), *m_linkedLevel);
}

void ConnectedMonitors::storeOffset(const MonitorController& controller) {
    // A monitor not named yet is alone: its difference matters once another one comes, and is
    // taken again then.
    const QString& id = controller.listedDisplay().id;
    if (id.isEmpty())
        return;
    keepSettingsFile(*m_settings);
    m_settings->setValue(QLatin1String(SettingsKeys::linkedOffsets) + u'/' + id, m_offsets.at(&controller));
}

void ConnectedMonitors::followBrightness(MonitorController& source, double brightness, bool live) {
    const auto own = m_offsets.find(&source);
    if (!m_brightnessLinked || m_followingBrightness || own == m_offsets.end())
        return;
    m_linkedLevel = brightness - own->second;
    storeLinkedLevel();
    m_followingBrightness = true;
    for (auto* controller : controllers()) {
        const auto offset = m_offsets.find(controller);
        if (controller == &source || offset == m_offsets.end())
            continue;
        // Each controller writes its monitor once the value settles, as for its own slider; a
        // value it holds already is written already, or will be.
        const double target = std::clamp(*m_linkedLevel + offset->second, 0.0, 100.0);
        if (target == controller->brightness())
            continue;
        if (live)
            controller->setLive(MonitorFeature::brightness, target);
        else
            controller->set(MonitorFeature::brightness, target);
    }
    m_followingBrightness = false;
}

QCoro::Task<> ConnectedMonitors::startOther(QPointer<MonitorController> controller) {
    const auto lifetime = m_lifetime;
    co_await controller->start();
    if (lifetime->isCancelled() || !controller)
        co_return;
    // A monitor that comes joins the others' Night Mode, or leaves the one it was left in.
    controller->setNightMode(m_main->isNightMode());
}
