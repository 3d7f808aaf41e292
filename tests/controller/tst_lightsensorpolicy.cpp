// From the ambient light sensor's readings to a monitor brightness: the scale of light, the
// smoothing, the dead band and the false darkness after a wake.
#include "controller/LightSensorPolicy.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace std::chrono_literals;
using Unit = LightSensorPolicy::Unit;

namespace {
LightSensorPolicy::Tuning tuning() {
    return LightSensorPolicy::Tuning{}; // 1 to 10 000 lux, 8 s smoothing, a dead band of 6
}
// A policy over the range 10...90 that has read `lux` at time 0.
LightSensorPolicy readAt(double lux) {
    LightSensorPolicy policy(10, 90, tuning());
    policy.read(lux, Unit::lux, 0ms);
    return policy;
}
} // namespace

class TestLightSensorPolicy : public QObject {
    Q_OBJECT
private slots:
    // Each tenfold more light moves the brightness by a quarter of the range.
    void lightIsFeltOnALogarithmicScale_data() {
        QTest::addColumn<double>("lux");
        QTest::addColumn<Unit>("unit");
        QTest::addColumn<int>("brightness");
        QTest::newRow("darkness") << 0.0 << Unit::lux << 10;
        QTest::newRow("a dark room") << 1.0 << Unit::lux << 10;
        QTest::newRow("dim light") << 10.0 << Unit::lux << 30;
        QTest::newRow("a lit room") << 100.0 << Unit::lux << 50;
        QTest::newRow("an office") << 1000.0 << Unit::lux << 70;
        QTest::newRow("daylight") << 10000.0 << Unit::lux << 90;
        QTest::newRow("sunlight") << 100000.0 << Unit::lux << 90;
        QTest::newRow("a vendor's half") << 50.0 << Unit::vendor << 50;
        QTest::newRow("a vendor's beyond") << 140.0 << Unit::vendor << 90;
    }
    void lightIsFeltOnALogarithmicScale() {
        QFETCH(double, lux);
        QFETCH(Unit, unit);
        QFETCH(int, brightness);
        LightSensorPolicy policy(10, 90, tuning());
        QVERIFY(!policy.proposal(0ms, std::nullopt)); // nothing read yet
        policy.read(lux, unit, 0ms);
        QCOMPARE(policy.proposal(0ms, std::nullopt), brightness); // the first reading is taken as it is
        QVERIFY(!policy.isSettling(0ms));
    }

    // A reading that is no light at all changes nothing.
    void readingsThatAreNoLightAreIgnored() {
        auto policy = readAt(100);
        for (const double bad : {-1.0, std::nan(""), std::numeric_limits<double>::infinity()})
            policy.read(bad, Unit::lux, 1000ms);
        QCOMPARE(*policy.brightness(60s), 50.0);
    }

    // A new light is followed over a few seconds, and written once the move is worth it.
    void aNewLightIsFollowedSmoothly() {
        auto policy = readAt(100);                // 50
        policy.read(10000, Unit::lux, 0ms);       // towards 90
        QCOMPARE(*policy.brightness(0ms), 50.0);  // no jump
        QVERIFY(policy.isSettling(0ms));
        const double afterOneTau = *policy.brightness(8000ms);
        QVERIFY(std::abs(afterOneTau - (90 - 40 * std::exp(-1.0))) < 0.01);
        QVERIFY(!policy.proposal(500ms, 50.0)); // within the dead band of what was written
        QCOMPARE(policy.proposal(8000ms, 50.0), int(std::round(afterOneTau)));
        QVERIFY(!policy.isSettling(60s));
        QCOMPARE(policy.proposal(60s, 75.0), 90);
    }

    // A shadow that passes within two seconds, or a lamp that flickers, writes nothing; a light
    // switched off does.
    void passingChangesWriteNothing() {
        auto shadow = readAt(300); // about 59.6
        const double written = std::round(*shadow.brightness(0ms));
        shadow.read(50, Unit::lux, 10s);
        shadow.read(300, Unit::lux, 12s);
        for (std::chrono::milliseconds at = 10s; at <= 60s; at += 250ms)
            QVERIFY(!shadow.proposal(at, written));

        auto flicker = readAt(300);
        for (auto at = 0ms; at <= 20000ms; at += 100ms)
            flicker.read(at.count() % 200 ? 150 : 600, Unit::lux, at);
        for (auto at = 0ms; at <= 20000ms; at += 100ms)
            QVERIFY(!flicker.proposal(at, written));

        auto switchedOff = readAt(300);
        switchedOff.read(3, Unit::lux, 10s);
        QVERIFY(switchedOff.proposal(20s, written));
    }

    // Right after a wake a reading of 0 is the sensor's own; later, darkness is darkness.
    void falseDarknessAfterAWakeIsIgnored() {
        auto policy = readAt(100);
        policy.woke(1000ms);
        policy.read(0, Unit::lux, 2000ms);
        QCOMPARE(*policy.brightness(60s), 50.0);
        policy.read(0, Unit::lux, 7000ms);
        QVERIFY(std::abs(*policy.brightness(300s) - 10.0) < 0.01);
    }
};

QTEST_GUILESS_MAIN(TestLightSensorPolicy)
#include "tst_lightsensorpolicy.moc"
