#include "SensorProxyLightSensor.h"

#include "BusNameOwner.h"
#include "system/SimulatedLightSensor.h"

#include <QDBusArgument>
#include <QDBusMessage>

namespace {

const QString serviceName = QStringLiteral("net.hadess.SensorProxy");
const QString objectPath = QStringLiteral("/net/hadess/SensorProxy");
const QString sensorInterface = QStringLiteral("net.hadess.SensorProxy");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

const QString hasAmbientLightProperty = QStringLiteral("HasAmbientLight");
const QString unitProperty = QStringLiteral("LightLevelUnit");
const QString levelProperty = QStringLiteral("LightLevel");

std::optional<LightLevelUnit> unitFromName(const QString& name) {
    if (name == QLatin1String("lux"))
        return LightLevelUnit::lux;
    if (name == QLatin1String("vendor"))
        return LightLevelUnit::vendor;
    return std::nullopt;
}

} // namespace

SensorProxyLightSensor::SensorProxyLightSensor(QDBusConnection bus, QObject* parent)
    : LightSensor(parent), m_bus(std::move(bus)), m_owner(new BusNameOwner(m_bus, serviceName, this)) {
    connect(m_owner, &BusNameOwner::ownerChanged, this, &SensorProxyLightSensor::onOwnerChanged);
    if (!m_bus.isConnected())
        return;
    // Heard from any sender and checked against the owner here: naming the service would have
    // QtDBus look up its owner with a call that blocks.
    m_bus.connect(QString(), objectPath, propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                  SLOT(onPropertiesChanged(QDBusMessage)));
}

SensorProxyLightSensor::~SensorProxyLightSensor() {
    // The service would drop the claim when our connection closes; the connection is shared with
    // the rest of the program and stays, so the claim is handed back.
    release();
}

bool SensorProxyLightSensor::isPresent() const {
    return m_present;
}

std::optional<LightReading> SensorProxyLightSensor::reading() const {
    return m_reading;
}

void SensorProxyLightSensor::claim() {
    if (m_claimed)
        return;
    m_claimed = true;
    callOwner(QStringLiteral("ClaimLight"));
}

void SensorProxyLightSensor::release() {
    if (!m_claimed)
        return;
    m_claimed = false;
    callOwner(QStringLiteral("ReleaseLight"));
}

void SensorProxyLightSensor::onOwnerChanged(const QString& owner) {
    m_state = {};
    publish();
    if (owner.isEmpty())
        return;
    readProperties();
    // A restarted service has forgotten the claims made on its predecessor.
    if (m_claimed)
        callOwner(QStringLiteral("ClaimLight"));
}

void SensorProxyLightSensor::readProperties() {
    const QString owner = m_owner->owner();
    auto call =
        QDBusMessage::createMethodCall(owner, objectPath, propertiesInterface, QStringLiteral("GetAll"));
    call << sensorInterface;
    callWithoutWaiting(m_bus, call, this, [this, owner](const QDBusMessage& reply) {
        // An answer from an owner since replaced describes a service that is gone.
        if (owner != m_owner->owner() || reply.type() != QDBusMessage::ReplyMessage ||
            reply.arguments().size() != 1)
            return;
        apply(qdbus_cast<QVariantMap>(reply.arguments().constFirst()));
        publish();
    });
}

void SensorProxyLightSensor::onPropertiesChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (!m_owner->isFrom(message) || arguments.size() != 3 || arguments.at(0).toString() != sensorInterface)
        return;
    apply(qdbus_cast<QVariantMap>(arguments.at(1)));
    // A property said to have changed without its value is asked for.
    const QStringList invalidated = qdbus_cast<QStringList>(arguments.at(2));
    for (const QString& name : {hasAmbientLightProperty, unitProperty, levelProperty}) {
        if (invalidated.contains(name)) {
            readProperties();
            break;
        }
    }
    publish();
}

// Values of the wrong type are ignored like values out of range.
void SensorProxyLightSensor::apply(const QVariantMap& properties) {
    const auto has = [&](const QString& name, QMetaType::Type type) {
        const auto found = properties.constFind(name);
        return found != properties.constEnd() && found->metaType().id() == type;
    };
    if (has(hasAmbientLightProperty, QMetaType::Bool))
        m_state.hasAmbientLight = properties.value(hasAmbientLightProperty).toBool();
    if (has(unitProperty, QMetaType::QString))
        m_state.unit = unitFromName(properties.value(unitProperty).toString());
    if (has(levelProperty, QMetaType::Double)) {
        const double level = properties.value(levelProperty).toDouble();
        if (isValidLightLevel(level))
            m_state.level = level;
    }
}

void SensorProxyLightSensor::publish() {
    const bool present = m_state.hasAmbientLight && m_state.unit.has_value();
    std::optional<LightReading> reading;
    if (present && m_state.level)
        reading = LightReading{*m_state.level, *m_state.unit};

    const bool presenceChanges = present != m_present;
    const bool readingChanges = reading != m_reading;
    m_present = present;
    m_reading = reading;
    if (presenceChanges)
        emit presenceChanged(m_present);
    if (readingChanges && m_reading)
        emit readingChanged(*m_reading);
}

// The answer carries nothing to act on: a refused claim leaves the level unchanged, which is
// all a claim that never arrived would do.
void SensorProxyLightSensor::callOwner(const QString& method) {
    const QString owner = m_owner->owner();
    if (owner.isEmpty())
        return;
    m_bus.send(QDBusMessage::createMethodCall(owner, objectPath, sensorInterface, method));
}

std::unique_ptr<LightSensor> makeSystemLightSensor() {
    // Like the simulated panel, a simulated sensor lets the program follow ambient light on a
    // machine without one: a file holding the level in lux.
    const QString simulated = qEnvironmentVariable("VELMAR_SIMULATED_LIGHT_SENSOR");
    if (!simulated.isEmpty())
        return std::make_unique<SimulatedLightSensor>(simulated);
    return std::make_unique<SensorProxyLightSensor>(QDBusConnection::systemBus());
}
