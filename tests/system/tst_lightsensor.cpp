// The ambient light sensor: iio-sensor-proxy's sensor, with a fake service on a private bus
// standing in for the system bus, and the simulated sensor a file stands for.
#include "system/linux/SensorProxyLightSensor.h"
#include "system/SimulatedLightSensor.h"

#include "helper/TestFiles.h"
#include "support/BusPeer.h"
#include "support/PrivateBus.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <memory>
#include <optional>

char* toString(const LightReading& reading) {
    return QTest::toString(QByteArray::number(reading.level) +
                           (reading.unit == LightLevelUnit::lux ? " lux" : " (vendor)"));
}

namespace {

const QString serviceName = QStringLiteral("net.hadess.SensorProxy");
const QString servicePath = QStringLiteral("/net/hadess/SensorProxy");

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

// The service's object, as iio-sensor-proxy exports it (the light properties and methods only).
class FakeSensorProxy : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "net.hadess.SensorProxy")
    Q_PROPERTY(bool HasAmbientLight READ hasAmbientLight)
    Q_PROPERTY(QString LightLevelUnit MEMBER unit)
    Q_PROPERTY(double LightLevel MEMBER level)
public:
    bool hasLight = true;
    QString unit = QStringLiteral("lux");
    double level = 120;
    // Who called, in the order the calls came.
    QStringList claims, releases;
    int reads = 0;

    bool hasAmbientLight() {
        ++reads;
        return hasLight;
    }

public Q_SLOTS:
    void ClaimLight() { claims << message().service(); }
    void ReleaseLight() { releases << message().service(); }
};

// One run of the service: its own connection, its object, and (once started) the name.
struct SensorService : BusPeer {
    FakeSensorProxy proxy;

    SensorService(const QString& address, const QString& connectionName) : BusPeer(address, connectionName) {
        bus().registerObject(servicePath, &proxy, QDBusConnection::ExportAllContents);
    }
    bool start() { return bus().registerService(serviceName); }
    bool stop() { return bus().unregisterService(serviceName); }
    bool announce(const QVariantMap& changed, const QString& interface = serviceName) {
        return BusPeer::announce(servicePath, interface, changed);
    }
};

LightReading lux(double level) {
    return {level, LightLevelUnit::lux};
}

} // namespace

Q_DECLARE_METATYPE(std::optional<LightReading>)

class TestLightSensor : public QObject {
    Q_OBJECT

public:
    explicit TestLightSensor(QString address) : m_address(std::move(address)) {}

private:
    const QString m_address;
    QDBusConnection m_client{QString()};
    std::unique_ptr<BusBarrier> m_barrier;
    std::unique_ptr<SensorService> m_service;
    std::unique_ptr<SensorProxyLightSensor> m_sensor;
    QTemporaryDir m_folder;

    bool makeSensor() {
        m_sensor = std::make_unique<SensorProxyLightSensor>(m_client);
        // Its subscriptions are in place before the service is made to do anything.
        return m_barrier->sync();
    }

    // The sensor has read the running service: its answer, sent before the barrier, has been taken.
    bool sensorHasReadTheService() {
        return m_service->start() && makeSensor() &&
               QTest::qWaitFor([&] { return m_service->proxy.reads > 0; }, 10000) &&
               m_barrier->pass(*m_service);
    }

    QString file() const { return m_folder.filePath(QStringLiteral("lux")); }

private slots:
    void initTestCase() {
        if (m_address.isEmpty())
            QSKIP(PrivateBus::missing);
        m_client = QDBusConnection::connectToBus(m_address, QStringLiteral("sensor-client"));
        QVERIFY(m_client.isConnected());
        m_barrier = std::make_unique<BusBarrier>(m_client);
        QVERIFY(m_folder.isValid());
    }

    void init() {
        if (m_address.isEmpty())
            return;
        m_service = std::make_unique<SensorService>(m_address, QStringLiteral("service"));
        QVERIFY(m_service->bus().isConnected());
    }
    void cleanup() {
        m_sensor.reset();
        m_service.reset();
    }

    void followsTheServiceAsItComesAndGoes() {
        QVERIFY(makeSensor());
        QVERIFY(!m_sensor->isPresent());
        QSignalSpy presence(m_sensor.get(), &LightSensor::presenceChanged);
        QSignalSpy readings(m_sensor.get(), &LightSensor::readingChanged);

        QVERIFY(m_service->start());
        QVERIFY(presence.wait(10000));
        QCOMPARE(m_sensor->reading(), lux(120));

        QVERIFY(m_service->announce({{"LightLevel", 300.0}}));
        QVERIFY(readings.wait(10000));
        QCOMPARE(m_sensor->reading(), lux(300));
        QVERIFY(m_service->announce({{"LightLevelUnit", "vendor"}}));
        QVERIFY(readings.wait(10000));
        QCOMPARE(m_sensor->reading(), (LightReading{300, LightLevelUnit::vendor}));

        QVERIFY(m_service->stop());
        QVERIFY(presence.wait(10000));
        QVERIFY(!m_sensor->isPresent());
        QCOMPARE(m_sensor->reading(), std::nullopt);
        QCOMPARE(presence.count(), 2);
        QCOMPARE(readings.count(), 3);
    }

    void presentOnlyWithALightSensorOfAKnownUnit_data() {
        QTest::addColumn<bool>("hasLight");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<double>("level");
        QTest::addColumn<bool>("present");
        QTest::addColumn<std::optional<LightReading>>("reading");
        QTest::newRow("lux") << true << "lux" << 80.0 << true << std::optional(lux(80));
        QTest::newRow("no light sensor") << false << "lux" << 80.0 << false << std::optional<LightReading>();
        QTest::newRow("unknown unit") << true << "candela" << 80.0 << false << std::optional<LightReading>();
        QTest::newRow("no level yet") << true << "lux" << notANumber << true << std::optional<LightReading>();
    }
    void presentOnlyWithALightSensorOfAKnownUnit() {
        QFETCH(bool, hasLight);
        QFETCH(QString, unit);
        QFETCH(double, level);
        m_service->proxy.hasLight = hasLight;
        m_service->proxy.unit = unit;
        m_service->proxy.level = level;
        QVERIFY(sensorHasReadTheService());
        QTEST(m_sensor->isPresent(), "present");
        QTEST(m_sensor->reading(), "reading");
    }

    // Until the service says otherwise, the reading it gave stays.
    void badLevelsAreIgnored() {
        QVERIFY(sensorHasReadTheService());
        QSignalSpy readings(m_sensor.get(), &LightSensor::readingChanged);
        for (const QVariant& level : {QVariant(-1.0), QVariant(notANumber), QVariant(infinity),
                                      QVariant(-infinity), QVariant(QStringLiteral("300")), QVariant(300)})
            QVERIFY(m_service->announce({{"LightLevel", level}}));
        QVERIFY(m_service->announce({{"HasAmbientLight", "false"}}));
        QVERIFY(m_barrier->pass(*m_service));
        QVERIFY(m_sensor->isPresent());
        QCOMPARE(m_sensor->reading(), lux(120));
        QCOMPARE(readings.count(), 0);
    }

    // Any account may send on the system bus; only the owner of the service's name speaks for
    // it, and only for its own interface.
    void onlyTheServiceIsBelieved() {
        QVERIFY(sensorHasReadTheService());
        QSignalSpy presence(m_sensor.get(), &LightSensor::presenceChanged);
        QSignalSpy readings(m_sensor.get(), &LightSensor::readingChanged);

        SensorService impostor(m_address, QStringLiteral("impostor"));
        QVERIFY(impostor.announce({{"LightLevel", 5.0}}));
        QVERIFY(impostor.announce({{"HasAmbientLight", false}}));
        QVERIFY(m_barrier->pass(impostor));
        QVERIFY(m_service->announce({{"LightLevel", 5.0}}, QStringLiteral("org.example.Other")));
        QVERIFY(m_barrier->pass(*m_service));
        QCOMPARE(presence.count(), 0);
        QCOMPARE(readings.count(), 0);

        // The name moves on: its former owner is an impostor now.
        SensorService successor(m_address, QStringLiteral("successor"));
        successor.proxy.level = 40;
        QVERIFY(m_service->stop());
        QVERIFY(successor.start());
        QVERIFY(readings.wait(10000));
        QVERIFY(m_service->announce({{"LightLevel", 5.0}}));
        QVERIFY(m_barrier->pass(*m_service));
        QCOMPARE(m_sensor->reading(), lux(40));
    }

    // One claim and one release reach the service however often they are asked for; a service that
    // appears, or restarts in its own process or another, is claimed (again); the sensor's end
    // releases.
    void claimsAndReleasesReachTheService() {
        QVERIFY(makeSensor());
        m_sensor->claim();
        QVERIFY(m_service->start());
        const QString client = m_client.baseService();
        QTRY_COMPARE(m_service->proxy.claims, QStringList{client});

        m_sensor->claim();
        m_sensor->release();
        m_sensor->release();
        // A second claim would have come before the release.
        QTRY_COMPARE(m_service->proxy.releases, QStringList{client});
        QCOMPARE(m_service->proxy.claims, QStringList{client});
        // A second release would have come before this claim.
        m_sensor->claim();
        QTRY_COMPARE(m_service->proxy.claims.size(), 2);
        QCOMPARE(m_service->proxy.releases, QStringList{client});

        QVERIFY(m_service->stop());
        QVERIFY(m_service->start());
        QTRY_COMPARE(m_service->proxy.claims.size(), 3);
        SensorService successor(m_address, QStringLiteral("successor"));
        QVERIFY(m_service->stop());
        QVERIFY(successor.start());
        QTRY_COMPARE(successor.proxy.claims, QStringList{client});
        m_sensor.reset();
        QTRY_COMPARE(successor.proxy.releases, QStringList{client});
        // Nothing more went to the former owner.
        QCOMPARE(m_service->proxy.claims.size(), 3);
        QCOMPARE(m_service->proxy.releases, QStringList{client});
    }

    void simulatedSensorFollowsItsFile() {
        makeFile(file(), "250\n");
        SimulatedLightSensor sensor(file());
        QVERIFY(sensor.isPresent());
        QCOMPARE(sensor.reading(), lux(250));
        QSignalSpy presence(&sensor, &LightSensor::presenceChanged);
        QSignalSpy readings(&sensor, &LightSensor::readingChanged);

        makeFile(file(), "300");
        QVERIFY(readings.wait(10000));
        QCOMPARE(sensor.reading(), lux(300));

        // Replaced, as editors save.
        const QString replacement = m_folder.filePath(QStringLiteral("lux.new"));
        makeFile(replacement, "40.5\n");
        QVERIFY(QFile::remove(file()) && QFile::rename(replacement, file()));
        QVERIFY(readings.wait(10000));
        QCOMPARE(sensor.reading(), lux(40.5));
        makeFile(file(), "41");
        QVERIFY(readings.wait(10000));
        QCOMPARE(sensor.reading(), lux(41));

        QVERIFY(QFile::remove(file()));
        QVERIFY(presence.wait(10000));
        QVERIFY(!sensor.isPresent());
        QCOMPARE(sensor.reading(), std::nullopt);

        // Back, but not yet with a level: the one from before is gone.
        makeFile(file(), "bright");
        QVERIFY(presence.wait(10000));
        QCOMPARE(sensor.reading(), std::nullopt);
        makeFile(file(), "12");
        QVERIFY(readings.wait(10000));
        QCOMPARE(sensor.reading(), lux(12));
        QCOMPARE(readings.count(), 4);
    }

    // Beside the words the test above gives it: the file as it is while being written, a level the
    // light cannot have (the same check as the service's levels, whose cases are above), and a file
    // too long to be a level.
    void simulatedSensorTakesOnlyALevel_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("negative") << QByteArray("-5");
        QTest::newRow("too long") << QByteArray(100, '1');
    }
    void simulatedSensorTakesOnlyALevel() {
        QFETCH(QByteArray, text);
        makeFile(file(), text);
        SimulatedLightSensor sensor(file());
        QVERIFY(sensor.isPresent());
        QCOMPARE(sensor.reading(), std::nullopt);
    }

    void simulatedSensorIsChosenByTheEnvironment() {
        makeFile(file(), "75");
        qputenv("VELMAR_SIMULATED_LIGHT_SENSOR", QFile::encodeName(file()));
        const auto sensor = makeSystemLightSensor();
        qunsetenv("VELMAR_SIMULATED_LIGHT_SENSOR");
        QCOMPARE(sensor->reading(), lux(75));
    }
};

// The service lives on the system bus; a private one stands in for it.
int main(int argc, char** argv) {
    return execOnPrivateBus<TestLightSensor>(StandsFor::systemBus, argc, argv);
}

#include "tst_lightsensor.moc"
