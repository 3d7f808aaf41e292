// The words and codes shared by the helper, the stores and the interface.
#include "monitor/ColorPreset.h"
#include "monitor/MonitorFeature.h"
#include "monitor/MonitorInput.h"

#include <QTest>

class TestVocabulary : public QObject {
    Q_OBJECT
private slots:
    void featuresUseTheHelpersAttributeWords() {
        QStringList words;
        for (auto feature : MonitorFeatures::allCases)
            words.append(rawValue(feature));
        QCOMPARE(words, (QStringList{"luminance", "contrast", "volume", "red", "green", "blue"}));
        QCOMPARE(monitorFeatureFromRawValue(QStringLiteral("luminance")), MonitorFeature::brightness);
        QVERIFY(!monitorFeatureFromRawValue(QStringLiteral("brightness")));
        QVERIFY(!monitorFeatureFromRawValue(QStringLiteral("Contrast")));
    }

    void inputCodesMapBothWays() {
        for (auto input : MonitorInputs::allCases) {
            QCOMPARE(MonitorInputs::fromVendorCode(MonitorInputs::vendorCode(input)), input);
            QCOMPARE(monitorInputFromRawValue(rawValue(input)), input);
        }
        QCOMPARE(MonitorInputs::vendorCode(MonitorInput::usbC), 210);
        QCOMPARE(MonitorInputs::vendorCode(MonitorInput::displayPort), 208);
        QCOMPARE(MonitorInputs::vendorCode(MonitorInput::hdmi1), 144);
        QCOMPARE(MonitorInputs::vendorCode(MonitorInput::hdmi2), 145);
        QVERIFY(!MonitorInputs::fromVendorCode(0));
        QCOMPARE(MonitorInputs::fromStandardCode(15), MonitorInput::displayPort);
        QCOMPARE(MonitorInputs::fromStandardCode(16), MonitorInput::displayPort);
        QCOMPARE(MonitorInputs::fromStandardCode(17), MonitorInput::hdmi1);
        QCOMPARE(MonitorInputs::fromStandardCode(18), MonitorInput::hdmi2);
        QCOMPARE(MonitorInputs::fromStandardCode(27), MonitorInput::usbC);
        QVERIFY(!MonitorInputs::fromStandardCode(19));
        QVERIFY(!MonitorInputs::fromStandardCode(210)); // vendor codes are not standard codes
        QVERIFY(!monitorInputFromRawValue(QStringLiteral("HDMI1")));
        QCOMPARE(MonitorInputs::title(MonitorInput::hdmi2), QStringLiteral("HDMI 2"));
        QCOMPARE(MonitorInputs::title(MonitorInput::usbC), QStringLiteral("USB-C"));
    }

    void presetMatchingIsExact() {
        QCOMPARE(ColorPresets::matching(50, 50, 50), ColorPreset::neutral);
        QCOMPARE(ColorPresets::matching(42, 46, 50), ColorPreset::cool);
        QCOMPARE(ColorPresets::matching(50, 46, 40), ColorPreset::warm);
        QVERIFY(!ColorPresets::matching(50.0, 46.0, 40.5));
        QVERIFY(!ColorPresets::matching(50, 46, 41));
        QCOMPARE(colorPresetFromRawValue(QStringLiteral("cool")), ColorPreset::cool);
        QVERIFY(!colorPresetFromRawValue(QStringLiteral("Cool")));
    }
};

QTEST_GUILESS_MAIN(TestVocabulary)
#include "tst_vocabulary.moc"
