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

    // Scenes and input preferences store these names.
    void inputsKeepTheirStoredNames() {
        QStringList names;
        for (auto input : MonitorInputs::allCases)
            names.append(rawValue(input));
        QCOMPARE(names, (QStringList{"usbC", "displayPort", "hdmi1", "hdmi2"}));
    }

    void presetMatchingIsExact() {
        QCOMPARE(ColorPresets::matching(50, 50, 50), ColorPreset::neutral);
        QCOMPARE(ColorPresets::matching(42, 46, 50), ColorPreset::cool);
        QCOMPARE(ColorPresets::matching(50, 46, 40), ColorPreset::warm);
        QVERIFY(!ColorPresets::matching(50.0, 46.0, 40.5));
    }
};

QTEST_GUILESS_MAIN(TestVocabulary)
#include "tst_vocabulary.moc"
