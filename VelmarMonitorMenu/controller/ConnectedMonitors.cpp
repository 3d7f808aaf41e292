#include "ConnectedMonitors.h"

#include "async/Pause.h"
#include "async/SerialQueue.h"
#include "MonitorController.h"
#include "scenes/InputScenePreferenceStore.h"
#include "SettingsFile.h"
#include "SettingsKeys.h"
#include "system/DisplayLifecycleEventSource.h"

#include <QSettings>

#include <algorithm>

using namespace std::chrono_literals;

namespace {

QStringList idsOf(const QList<ListedDisplay>& displays) {
    QStringList ids;
    for (const auto& display : displays)
        ids.append(display.id);
    return ids;
}

QStringList idsOf(const QList<MonitorController*>& controllers) {
    QStringList ids;
    for (const auto* controller : controllers)
        ids.append(controller->id());
    return ids;
}

// Only well-formed ids become key names or command lines, whatever the settings file holds.
QStringList storedIds(const SettingsFile& settings, const char* key) {
    QStringList ids = settings.value(QLatin1String(key)).toStringList();
    ids.removeIf([](const QString& id) { return !DisplayListing::isDisplayId(id); });
    return ids;
}

QString groupOf(const QString& id) {
    return QLatin1String(SettingsKeys::monitorGroups) + id + QLatin1Char('/');
}

QString offsetKey(const QString& id) {
    return QLatin1String(SettingsKeys::linkedOffsets) + u'/' + id;
}

} // namespace

ConnectedMonitors::ConnectedMonitors(MonitorSceneStore& sceneStore, SettingsFile& settings,
                                     MonitorControllerEnvironment controllers,
                                     std::unique_ptr<DisplayLifecycleEventSource> lifecycle, QObject* parent)
    : QObject(parent), m_sceneStore(sceneStore), m_settings(settings), m_environment(std::move(controllers)),
      m_lifecycle(std::move(lifecycle)),
      m_listing(std::make_unique<DDCClient>(m_environment.helperLocator, m_environment.timings.helperTimeLimit,
                                            m_environment.timings.readRetryPause)),
      m_listings(std::make_shared<SerialQueue>()) {
    m_environment.settings = &m_settings;
    if (!m_environment.screens)
        m_environment.screens = makeSystemScreenNameSource();
    if (!m_lifecycle)
        m_lifecycle = std::make_unique<DisplayLifecycleEventSource>();
    m_known = storedIds(m_settings, SettingsKeys::knownMonitors);

    // The helper's default monitor, which the last listing named first: most likely the one it
    // finds again, whose keys the first controller starts with.
    auto first = m_environment;
    first.monitor.clear();
    first.addressed = false;
    first.settingsGroup = settingsGroup(m_known.value(0));
    m_controllers.push_back(std::make_unique<MonitorController>(m_sceneStore, std::move(first)));
    m_main = m_controllers.front().get();
}

ConnectedMonitors::~ConnectedMonitors() {
    m_lifetime->cancel();
    m_listing.reset();
    m_controllers.clear();
}

QList<MonitorController*> ConnectedMonitors::controllers() const {
    QList<MonitorController*> all{m_main};
    for (const auto& controller : m_controllers) {
        if (controller.get() != m_main)
            all.append(controller.get());
    }
    return all;
}

MonitorController* ConnectedMonitors::controller(const QString& id) const {
    if (id.isEmpty())
        return nullptr;
    for (const auto& controller : m_controllers) {
        if (controller->id() == id)
            return controller.get();
    }
    return nullptr;
}

QString ConnectedMonitors::chosenMain() const {
    return storedIds(m_settings, SettingsKeys::mainMonitor).value(0);
}

QString ConnectedMonitors::settingsGroup(const QString& id) const {
    // A monitor not named yet is the one whose keys the program has always used.
    if (id.isEmpty() || id == m_settings.value(QLatin1String(SettingsKeys::originalMonitor)).toString())
        return {};
    return groupOf(id);
}

void ConnectedMonitors::setMainMonitor(const QString& id) {
    if (!DisplayListing::isDisplayId(id))
        return;
    m_settings.store(QLatin1String(SettingsKeys::mainMonitor), id);
    auto* chosen = controller(id);
    if (!chosen || chosen == m_main)
        return;
    m_main = chosen;
    emit mainChanged();
    emit controllersChanged();
}

QCoro::Task<> ConnectedMonitors::start() {
    if (std::exchange(m_hasStarted, true))
        co_return;
    const auto lifetime = m_lifetime;
    m_lifecycle->start();
    lifecycleLoop();
    co_await m_main->start();
    if (lifetime->isCancelled())
        co_return;
    co_await list();
}

QCoro::Task<> ConnectedMonitors::lifecycleLoop() {
    // One event at a time: the next one waits in the stream until these readings are done. The
    // loop lasts as long as we do: the stream ends with us.
    const auto lifetime = m_lifetime;
    for (;;) {
        const auto event = co_await m_lifecycle->next();
        if (!event || lifetime->isCancelled())
            co_return;
        emit changeNoticed(*event);
        // Events that come while the monitors settle belong to the same change (a wake brings
        // several, a dock or a flapping cable a burst): wait until they stop, then read once. A
        // display that never calms down is read after a few rounds all the same.
        constexpr int settleRounds = 8;
        for (int round = 0; round < settleRounds; ++round) {
            const bool settled = co_await pause(m_environment.timings.lifecycleSettleDelay, lifetime);
            if (!settled)
                co_return;
            if (m_lifecycle->pendingCount() == 0)
                break;
            m_lifecycle->discardPending();
        }
        // A monitor still silent from this change is asked again until the next change comes.
        m_interrupt = makeCancelToken();
        const auto interrupted = m_interrupt;
        const auto connection = connect(m_lifecycle.get(), &DisplayLifecycleEventSource::posted, this,
                                        [interrupted] { interrupted->cancel(); });
        QList<QPointer<MonitorController>> before;
        for (auto* controller : controllers())
            before.append(controller);
        if (before.size() > 1) {
            co_await list();
            if (lifetime->isCancelled())
                co_return;
            co_await readAll(before, interrupted); // the ones that came read themselves
        } else {
            co_await readAll(before, interrupted);
            if (lifetime->isCancelled())
                co_return;
            co_await list();
        }
        if (lifetime->isCancelled())
            co_return;
        disconnect(connection);
        emit monitorsRead();
    }
}

QCoro::Task<> ConnectedMonitors::readAll(QList<QPointer<MonitorController>> controllers,
                                         CancelToken interrupted) {
    // Each monitor has a helper of its own: they are read side by side. A controller that goes
    // meanwhile ends its reading at once.
    std::vector<QCoro::Task<bool>> readings;
    for (const auto& controller : controllers) {
        if (controller)
            readings.push_back(controller->readAfterChange(interrupted));
    }
    for (auto& reading : readings)
        co_await reading;
}

QCoro::Task<> ConnectedMonitors::list() {
    const auto lifetime = m_lifetime;
    const auto queue = m_listings;
    const auto turn = co_await queue->acquire();
    if (lifetime->isCancelled())
        co_return;
    const auto displays = co_await m_listing->listDisplays();
    if (lifetime->isCancelled() || !displays || displays.value().isEmpty())
        co_return;
    follow(displays.value());
}

void ConnectedMonitors::follow(const QList<ListedDisplay>& displays) {
    const QStringList before = idsOf(controllers());
    takeOverFormerIds(displays);
    claimOriginal(displays);
    for (const auto& display : displays)
        prepareSettings(display.id);
    remember(displays);
    const bool several = displays.size() > 1;

    // The first controller has been speaking to the helper's default monitor, which is listed first.
    const ListedDisplay& byDefault = displays.first();
    for (const auto& controller : m_controllers) {
        if (controller->id().isEmpty() && !this->controller(byDefault.id))
            controller->learnIdentity(byDefault.id, settingsGroup(byDefault.id));
    }

    // Monitors that came get a controller; those that went lose theirs, once the views have moved
    // to another main one.
    const QStringList listed = idsOf(displays);
    std::vector<std::unique_ptr<MonitorController>> staying, going;
    for (auto& controller : m_controllers)
        (listed.contains(controller->id()) ? staying : going).push_back(std::move(controller));
    m_controllers = std::move(staying);
    QList<QPointer<MonitorController>> added;
    for (const auto& display : displays) {
        auto* controller = this->controller(display.id);
        if (!controller)
            added.append(controller = add(display, several));
        controller->setAddressed(several);
        controller->setListedName(display.name);
    }
    std::sort(m_controllers.begin(), m_controllers.end(), [&listed](const auto& a, const auto& b) {
        return listed.indexOf(a->id()) < listed.indexOf(b->id());
    });

    auto* chosen = controller(chosenMain());
    auto* main = chosen ? chosen : controller(byDefault.id);
    if (main != m_main) {
        m_main = main;
        emit mainChanged();
    }
    going.clear();
    if (idsOf(controllers()) != before)
        emit controllersChanged();
    for (const auto& controller : added)
        startController(controller);
}

QCoro::Task<> ConnectedMonitors::startController(QPointer<MonitorController> controller) {
    const auto lifetime = m_lifetime;
    co_await controller->start();
    if (!lifetime->isCancelled() && controller)
        emit controllerStarted(controller);
}

MonitorController* ConnectedMonitors::add(const ListedDisplay& display, bool addressed) {
    prepareSettings(display.id);
    auto environment = m_environment;
    environment.monitor = display.id;
    environment.addressed = addressed;
    environment.settingsGroup = settingsGroup(display.id);
    m_controllers.push_back(std::make_unique<MonitorController>(m_sceneStore, std::move(environment)));
    return m_controllers.back().get();
}

void ConnectedMonitors::takeOverFormerIds(const QList<ListedDisplay>& displays) {
    const QSettings& settings = m_settings.settings();
    const QStringList seen = storedIds(m_settings, SettingsKeys::seenMonitors);
    const QString original = m_settings.value(QLatin1String(SettingsKeys::originalMonitor)).toString();
    const auto known = [&](const QString& id) {
        return seen.contains(id) || m_known.contains(id) || id == original || hasOwnSettings(id);
    };
    for (const auto& display : displays) {
        const QString& former = display.formerId;
        if (former.isEmpty() || !known(former) || known(display.id))
            continue;
        // The monitor's own keys, and every place that names it.
        const QString from = groupOf(former);
        for (const QString& key : settings.allKeys()) {
            if (key.startsWith(from))
                m_settings.store(groupOf(display.id) + key.mid(from.size()), settings.value(key));
        }
        m_settings.remove(from.chopped(1));
        if (settings.contains(offsetKey(former))) {
            m_settings.store(offsetKey(display.id), settings.value(offsetKey(former)));
            m_settings.remove(offsetKey(former));
        }
        for (const char* key : {SettingsKeys::knownMonitors, SettingsKeys::seenMonitors, SettingsKeys::mainMonitor,
                                SettingsKeys::originalMonitor}) {
            const QVariant value = settings.value(QLatin1String(key));
            if (value.typeId() == QMetaType::QString && value.toString() == former)
                m_settings.store(QLatin1String(key), display.id);
            else if (value.isValid() && value.toStringList().contains(former))
                m_settings.store(QLatin1String(key), value.toStringList().replaceInStrings(former, display.id));
        }
        m_known.replaceInStrings(former, display.id);
    }
}

bool ConnectedMonitors::hasOwnSettings(const QString& id) const {
    QSettings& settings = m_settings.settings();
    settings.beginGroup(groupOf(id));
    const bool has = !settings.allKeys().isEmpty();
    settings.endGroup();
    return has;
}

void ConnectedMonitors::claimOriginal(const QList<ListedDisplay>& displays) {
    // The monitor the program knows first keeps the keys it has always had: the one it has been
    // speaking to.
    if (m_settings.contains(QLatin1String(SettingsKeys::originalMonitor)))
        return;
    const bool listed = !m_main->id().isEmpty() && idsOf(displays).contains(m_main->id());
    m_settings.store(QLatin1String(SettingsKeys::originalMonitor), listed ? m_main->id() : displays.first().id);
}

void ConnectedMonitors::remember(const QList<ListedDisplay>& displays) {
    const QStringList ids = idsOf(displays);
    if (ids != m_known) {
        m_known = ids;
        m_settings.store(QLatin1String(SettingsKeys::knownMonitors), ids);
    }
    // The latest seen first; beyond the limit the least recently seen go, with their settings.
    QStringList seen = storedIds(m_settings, SettingsKeys::seenMonitors);
    QStringList updated = ids;
    for (const auto& id : seen) {
        if (!updated.contains(id))
            updated.append(id);
    }
    while (updated.size() > rememberedMonitors) {
        const QString dropped = updated.takeLast();
        m_settings.remove(groupOf(dropped).chopped(1));
        m_settings.remove(offsetKey(dropped));
    }
    if (updated != seen)
        m_settings.store(QLatin1String(SettingsKeys::seenMonitors), updated);
}

void ConnectedMonitors::prepareSettings(const QString& id) {
    const QString group = settingsGroup(id);
    const bool seenBefore = m_known.contains(id) || storedIds(m_settings, SettingsKeys::seenMonitors).contains(id);
    if (group.isEmpty() || seenBefore || hasOwnSettings(id))
        return;
    // The first monitor's choices of scenes by input; its Night Mode is its own.
    for (const char* key : {SettingsKeys::perInputScenesEnabled, InputScenePreferenceStore::defaultKey}) {
        if (m_settings.contains(QLatin1String(key)))
            m_settings.store(group + QLatin1String(key), m_settings.value(QLatin1String(key)));
    }
}

QCoro::Task<> ConnectedMonitors::finishWork(std::chrono::milliseconds bound) {
    std::vector<QCoro::Task<>> finishing;
    for (auto* controller : controllers())
        finishing.push_back(controller->finishWork(bound));
    for (auto& task : finishing)
        co_await task;
}
