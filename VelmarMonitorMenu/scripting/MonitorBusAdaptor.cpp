#include "MonitorBusAdaptor.h"

#include "controller/AdaptiveBrightness.h"
#include "controller/AdaptiveSchedule.h"
#include "controller/ConnectedMonitors.h"
#include "controller/MonitorController.h"
#include "controller/MonitorValue.h"
#include "controller/NightModeForAll.h"
#include "controller/ProgramModel.h"
#include "system/WallClock.h"
#include "scenes/MonitorScene.h"

#include <QMetaProperty>

#include <algorithm>
#include <chrono>
#include <limits>

using namespace std::chrono_literals;

namespace {

// A scene, a refresh or Night Mode changes several properties within a moment: listeners get
// them in one signal instead of one each.
constexpr auto changeSignalDelay = 50ms;

constexpr int lowest = 0;
constexpr int highest = 100;

QString featureList() {
    QStringList names;
    for (const auto feature : MonitorFeatures::allCases)
        names.append(MonitorBus::featureName(feature));
    return names.join(QStringLiteral(", "));
}

QString inputList() {
    QStringList names;
    for (const auto input : MonitorInputs::allCases)
        names.append(rawValue(input));
    return names.join(QStringLiteral(", "));
}

} // namespace

MonitorBusAdaptor::MonitorBusAdaptor(ProgramModel& model, MonitorController* monitor, QDBusConnection bus,
                                     QObject* object, QString path)
    : QDBusAbstractAdaptor(object), m_model(model), m_followsMain(!monitor), m_bus(std::move(bus)),
      m_path(std::move(path)) {
    MonitorBus::registerTypes();
    m_changeSignal.setSingleShot(true);
    m_changeSignal.setInterval(changeSignalDelay);
    connect(&m_changeSignal, &QTimer::timeout, this, &MonitorBusAdaptor::publishChanges);
    bind(monitor ? *monitor : model.monitors().main());
    if (m_followsMain) {
        connect(&model.monitors(), &ConnectedMonitors::mainChanged, this,
                [this] { bind(m_model.monitors().main()); });
    }
    const auto& adaptive = model.adaptiveBrightness();
    for (auto signal :
         {&AdaptiveBrightness::enabledChanged, &AdaptiveBrightness::stateChanged, &AdaptiveBrightness::sourceChanged})
        connect(&adaptive, signal, this, &MonitorBusAdaptor::scheduleChangeSignal);
    connect(&adaptive.schedule(), &AdaptiveSchedule::changed, this, &MonitorBusAdaptor::scheduleChangeSignal);
    m_published = propertyValues();
}

MonitorBusAdaptor::~MonitorBusAdaptor() {
    // The monitor went (or the program ends) before the refresh they wait for did.
    for (const auto& call : std::exchange(m_refreshCalls, {}))
        m_bus.send(call.message.createErrorReply(QLatin1String(MonitorBus::disconnectedError),
                                                 tr("The monitor was disconnected.")));
}

void MonitorBusAdaptor::bind(MonitorController& monitor) {
    for (const auto& connection : std::exchange(m_bound, {}))
        disconnect(connection);
    m_monitor = &monitor;
    for (auto signal :
         {&MonitorController::brightnessChanged, &MonitorController::contrastChanged,
          &MonitorController::volumeChanged, &MonitorController::redChanged, &MonitorController::greenChanged,
          &MonitorController::blueChanged, &MonitorController::loadedFeaturesChanged,
          &MonitorController::activeInputChanged, &MonitorController::displayNameChanged,
          &MonitorController::statusChanged, &MonitorController::hasErrorChanged,
          &MonitorController::isBusyChanged, &MonitorController::isNightModeChanged,
          &MonitorController::activeSceneIDChanged, &MonitorController::scenesChanged})
        m_bound.append(connect(&monitor, signal, this, &MonitorBusAdaptor::scheduleChangeSignal));
    scheduleChangeSignal();
}

int MonitorBusAdaptor::level(MonitorFeature feature) const {
    if (!monitor().loadedFeatures().contains(feature))
        return -1;
    return static_cast<int>(
        std::clamp<qint64>(wholeMonitorValue(monitor().value(feature)), 0, std::numeric_limits<int>::max()));
}

QString MonitorBusAdaptor::input() const {
    const auto input = monitor().activeInput();
    return input ? rawValue(*input) : QString();
}

QString MonitorBusAdaptor::displayName() const {
    return monitor().displayName();
}

QString MonitorBusAdaptor::status() const {
    return monitor().status();
}

bool MonitorBusAdaptor::hasError() const {
    return monitor().hasError();
}

bool MonitorBusAdaptor::busy() const {
    return monitor().isBusy();
}

bool MonitorBusAdaptor::nightMode() const {
    return monitor().isNightMode();
}

bool MonitorBusAdaptor::adaptiveBrightness() const {
    return m_model.adaptiveBrightness().isEnabled();
}

QString MonitorBusAdaptor::adaptiveBrightnessState() const {
    switch (m_model.adaptiveBrightness().state()) {
    case Adaptive::State::off:
        return QStringLiteral("off");
    case Adaptive::State::paused:
        return QStringLiteral("paused");
    case Adaptive::State::unavailable:
        return QStringLiteral("unavailable");
    case Adaptive::State::checking:
        return QStringLiteral("checking");
    case Adaptive::State::following:
        break;
    }
    return QStringLiteral("following");
}

QString MonitorBusAdaptor::adaptiveBrightnessSource() const {
    return Adaptive::sourceName(m_model.adaptiveBrightness().source());
}

MonitorBus::Schedule MonitorBusAdaptor::schedule() const {
    MonitorBus::Schedule points;
    for (const auto& entry : m_model.adaptiveBrightness().schedule().schedule().entries())
        points.append({entry.when, entry.offsetMinutes, entry.brightness});
    return points;
}

int MonitorBusAdaptor::scheduleTransition() const {
    return int(m_model.adaptiveBrightness().schedule().schedule().transition().count());
}

QString MonitorBusAdaptor::activeScene() const {
    const auto id = monitor().activeSceneID();
    return id ? uuidText(*id) : QString();
}

MonitorBus::SceneList MonitorBusAdaptor::scenes() const {
    MonitorBus::SceneList list;
    for (const auto& scene : monitor().scenes())
        list.append({uuidText(scene.id), scene.name});
    return list;
}

void MonitorBusAdaptor::setDisplays(MonitorBus::DisplayList displays, bool announce) {
    if (displays == m_displays)
        return;
    m_displays = std::move(displays);
    if (announce)
        scheduleChangeSignal();
    else
        m_published.insert(QStringLiteral("Displays"), QVariant::fromValue(m_displays));
}

void MonitorBusAdaptor::refuse(const QDBusMessage& message, const char* error, const QString& text) const {
    message.setDelayedReply(true);
    m_bus.send(message.createErrorReply(QLatin1String(error), text));
}

std::optional<MonitorFeature> MonitorBusAdaptor::knownFeature(const QString& name,
                                                              const QDBusMessage& message) const {
    const auto feature = MonitorBus::featureFromName(name);
    if (!feature)
        refuse(message, "org.freedesktop.DBus.Error.InvalidArgs",
               tr("There is no feature \"%1\"; the features are %2.").arg(name, featureList()));
    return feature;
}

void MonitorBusAdaptor::SetValue(const QString& feature, int value, const QDBusMessage& message) {
    const auto known = knownFeature(feature, message);
    if (!known)
        return;
    if (value < lowest || value > highest)
        return refuse(message, "org.freedesktop.DBus.Error.InvalidArgs",
                      tr("%1 is out of range: a value is from 0 to 100.").arg(value));
    monitor().set(*known, value);
    emit m_changes.valueRequested(*known, &monitor());
}

int MonitorBusAdaptor::AdjustValue(const QString& feature, int delta, const QDBusMessage& message) {
    const auto known = knownFeature(feature, message);
    if (!known)
        return 0;
    if (delta < lowest - highest || delta > highest - lowest) {
        refuse(message, "org.freedesktop.DBus.Error.InvalidArgs",
               tr("%1 is out of range: a change is from -100 to 100.").arg(delta));
        return 0;
    }
    // A step from the default a view shows before the monitor answered would land anywhere.
    if (!monitor().loadedFeatures().contains(*known)) {
        refuse(message, MonitorBus::notReadError,
               tr("The monitor's %1 has not been read yet.").arg(MonitorBus::featureName(*known)));
        return 0;
    }
    // From the newest value, written or not, so that steps sent faster than the monitor takes
    // them add up. A monitor may report far beyond 100: the sum is made in 64 bits.
    const qint64 current = wholeMonitorValue(monitor().value(*known));
    const int target = static_cast<int>(std::clamp<qint64>(current + delta, lowest, highest));
    monitor().set(*known, target);
    emit m_changes.valueRequested(*known, &monitor());
    return target;
}

void MonitorBusAdaptor::SetInput(const QString& input, const QDBusMessage& message) {
    const auto known = MonitorBus::inputFromName(input);
    if (!known)
        return refuse(message, "org.freedesktop.DBus.Error.InvalidArgs",
                      tr("There is no input \"%1\"; the inputs are %2.").arg(input, inputList()));
    // The vendor command could mean something else to another make's monitor: not before the
    // monitor has said which register it switches on.
    if (!monitor().canSwitchInput())
        return refuse(message, MonitorBus::notReadError, tr("The monitor's input has not been read yet."));
    monitor().setInput(*known);
    emit m_changes.inputRequested(*known, &monitor());
}

void MonitorBusAdaptor::ApplyScene(const QString& scene, const QDBusMessage& message) {
    const auto all = monitor().scenes();
    QList<MonitorScene> found;
    const auto id = uuidFromText(scene.trimmed());
    for (const auto& candidate : all) {
        if (id ? candidate.id == *id : candidate.name.compare(scene.trimmed(), Qt::CaseInsensitive) == 0)
            found.append(candidate);
    }
    if (found.isEmpty()) {
        QStringList names;
        for (const auto& candidate : all)
            names.append(candidate.name);
        return refuse(
            message, "org.freedesktop.DBus.Error.InvalidArgs",
            tr("There is no scene \"%1\"; the scenes are %2.").arg(scene, names.join(QStringLiteral(", "))));
    }
    if (found.size() > 1)
        return refuse(message, "org.freedesktop.DBus.Error.InvalidArgs",
                      tr("Several scenes are named \"%1\"; name the one you mean by its id.").arg(scene));
    // The controller drops a scene asked for while another is applied; a script is told so.
    if (monitor().isApplyingScene())
        return refuse(message, MonitorBus::busyError, tr("Another scene is being applied."));
    monitor().apply(found.first());
    emit m_changes.sceneRequested(found.first(), &monitor());
}

void MonitorBusAdaptor::SetNightMode(bool on, const QDBusMessage& message) {
    // As the panel's button, which is disabled meanwhile: the monitor is busy either way.
    if (monitor().isChangingNightMode())
        return refuse(message, MonitorBus::busyError, tr("Night Mode is already being changed."));
    if (monitor().isWorking())
        return refuse(message, MonitorBus::busyError, tr("The monitor is being read."));
    m_model.nightMode().setEnabled(on);
    emit m_changes.nightModeRequested(on, &monitor());
}

void MonitorBusAdaptor::SetAdaptiveBrightness(bool on) {
    m_model.adaptiveBrightness().setEnabled(on);
    emit m_changes.adaptiveRequested(on);
}

void MonitorBusAdaptor::SetAdaptiveBrightnessSource(const QString& source, const QDBusMessage& message) {
    const auto known = Adaptive::sourceFromName(source.trimmed().toLower());
    if (!known)
        return refuse(message, "org.freedesktop.DBus.Error.InvalidArgs",
                      tr("There is no source \"%1\"; the sources are %2.")
                          .arg(source, QLatin1String(MonitorBus::sourceNames)));
    auto& adaptive = m_model.adaptiveBrightness();
    if (*known == Adaptive::Source::lightSensor && !adaptive.hasLightSensor() && adaptive.source() != *known)
        return refuse(message, MonitorBus::unavailableError, tr("This computer has no light sensor."));
    adaptive.setSource(*known);
}

void MonitorBusAdaptor::SetSchedule(const QString& points, const QDBusMessage& message) {
    auto& schedule = m_model.adaptiveBrightness().schedule();
    auto parsed = BrightnessSchedule::parse(points, schedule.schedule().transition());
    if (const auto* error = std::get_if<ScheduleError>(&parsed))
        return refuse(message, "org.freedesktop.DBus.Error.InvalidArgs", error->message());
    schedule.setSchedule(std::get<BrightnessSchedule>(parsed));
}

void MonitorBusAdaptor::SetScheduleTransition(int minutes, const QDBusMessage& message) {
    auto& schedule = m_model.adaptiveBrightness().schedule();
    auto parsed = BrightnessSchedule::parse(schedule.schedule().text(), std::chrono::minutes(minutes));
    if (const auto* error = std::get_if<ScheduleError>(&parsed))
        return refuse(message, "org.freedesktop.DBus.Error.InvalidArgs", error->message());
    schedule.setSchedule(std::get<BrightnessSchedule>(parsed));
}

QStringList MonitorBusAdaptor::ScheduleToday() {
    const auto& schedule = m_model.adaptiveBrightness().schedule();
    const auto context = schedule.context();
    const QDate today = schedule.clock().now().toTimeZone(context.timeZone).date();
    QStringList lines;
    for (const auto& point : schedule.schedule().points()) {
        std::optional<QDateTime> at;
        if (!point.sunEvent)
            at = QDateTime(today, point.clockTime, context.timeZone);
        else if (context.place)
            at = sunEventTime(*point.sunEvent, today, *context.place, context.timeZone);
        if (at && point.sunEvent)
            at = at->addSecs(60 * point.offsetMinutes);
        const QString when = at ? at->toTimeZone(context.timeZone).time().toString(QStringLiteral("HH:mm")) : QString();
        lines.append(QStringLiteral("%1=%2\t%3").arg(point.whenText()).arg(point.brightness).arg(when));
    }
    return lines;
}

void MonitorBusAdaptor::Refresh(const QDBusMessage& message) {
    auto& served = monitor();
    served.refresh();
    // A refresh already under way reads everything anyway: the answer waits for it.
    if (!served.isWorking())
        return;
    message.setDelayedReply(true);
    m_refreshCalls.append({&served, message});
    connect(&served, &MonitorController::isWorkingChanged, this, &MonitorBusAdaptor::answerRefreshes,
            Qt::UniqueConnection);
    connect(&served, &QObject::destroyed, this, &MonitorBusAdaptor::answerRefreshesOf, Qt::UniqueConnection);
}

void MonitorBusAdaptor::answerRefreshes() {
    answerRefreshesOf(nullptr);
}

void MonitorBusAdaptor::answerRefreshesOf(QObject* gone) {
    QList<RefreshCall> waiting;
    for (auto& call : std::exchange(m_refreshCalls, {})) {
        if (!call.monitor || call.monitor.data() == gone)
            m_bus.send(call.message.createErrorReply(QLatin1String(MonitorBus::disconnectedError),
                                                     tr("The monitor was disconnected.")));
        else if (!call.monitor->isWorking())
            m_bus.send(call.message.createReply());
        else
            waiting.append(std::move(call));
    }
    m_refreshCalls = std::move(waiting);
}

void MonitorBusAdaptor::scheduleChangeSignal() {
    // Not restarted by later changes: a long burst (a drag) still reports every 50 ms.
    if (!m_changeSignal.isActive())
        m_changeSignal.start();
}

QVariantMap MonitorBusAdaptor::propertyValues() const {
    QVariantMap values;
    const QMetaObject* meta = metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        values.insert(QLatin1String(property.name()), property.read(this));
    }
    return values;
}

void MonitorBusAdaptor::publishChanges() {
    const QVariantMap current = propertyValues();
    QVariantMap changed;
    for (auto it = current.cbegin(); it != current.cend(); ++it) {
        if (m_published.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    m_published = current;
    if (changed.isEmpty())
        return;
    auto signal = QDBusMessage::createSignal(m_path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                             QStringLiteral("PropertiesChanged"));
    signal << QLatin1String(MonitorBus::controlInterface) << changed << QStringList();
    m_bus.send(signal);
}
