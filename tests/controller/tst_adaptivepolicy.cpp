// The mapping from the built-in panel's brightness to the monitor's.
#include "controller/AdaptiveBrightnessPolicy.h"

#include <QTest>

#include <cmath>
#include <limits>

class TestAdaptivePolicy : public QObject {
    Q_OBJECT
private slots:
    void defaultRangeFollowsTheResponseCurve_data() {
        QTest::addColumn<double>("reading");
        QTest::addColumn<int>("proposal");
        // The ends, and the middle, where the curve's bend shows (a straight line would give 45).
        QTest::newRow("0") << 0.0 << 8;
        QTest::newRow("0.5") << 0.5 << 41;
        QTest::newRow("1") << 1.0 << 82;
        QTest::newRow("below 0 counts as 0") << -0.3 << 8;
        QTest::newRow("above 1 counts as 1") << 1.7 << 82;
        QTest::newRow("infinity counts as 0") << std::numeric_limits<double>::infinity() << 8;
    }
    void defaultRangeFollowsTheResponseCurve() {
        QFETCH(double, reading);
        QFETCH(int, proposal);
        QCOMPARE(AdaptiveBrightnessPolicy{}.proposedMonitorBrightness(reading, std::nullopt), proposal);
    }

    void hysteresisKeepsSmallMovesOffTheMonitor() {
        const AdaptiveBrightnessPolicy policy;
        QVERIFY(!policy.proposedMonitorBrightness(0.5, 41.0));  // same value
        QVERIFY(!policy.proposedMonitorBrightness(0.51, 41.0)); // 42: one step away
        QCOMPARE(policy.proposedMonitorBrightness(0.52, 41.0), 43);
        QCOMPARE(policy.proposedMonitorBrightness(0.5, 43.0), 41); // two steps down
        // A last value that is not finite is no last value.
        QCOMPARE(policy.proposedMonitorBrightness(0.5, std::numeric_limits<double>::quiet_NaN()), 41);
    }

    void rangeIsMadeValidWhenThePolicyIsBuilt() {
        const auto reversed = AdaptiveBrightnessPolicy::forRange(60, 20);
        QCOMPARE(reversed.minimumMonitorBrightness, 20.0);
        QCOMPARE(reversed.maximumMonitorBrightness, 60.0);
        QCOMPARE(reversed.proposedMonitorBrightness(0, std::nullopt), 20);
        QCOMPARE(reversed.proposedMonitorBrightness(1, std::nullopt), 60);

        const auto wild = AdaptiveBrightnessPolicy::forRange(-5, 250);
        QCOMPARE(wild.minimumMonitorBrightness, 0.0);
        QCOMPARE(wild.maximumMonitorBrightness, 100.0);

        const auto nan = AdaptiveBrightnessPolicy::forRange(std::nan(""), std::nan(""));
        QCOMPARE(nan.minimumMonitorBrightness, 0.0);
        QCOMPARE(nan.maximumMonitorBrightness, 100.0);
    }
};

QTEST_GUILESS_MAIN(TestAdaptivePolicy)
#include "tst_adaptivepolicy.moc"
