// The words and codes shared by the helper, the stores and the interface.
#include "Attribute.h"
#include "monitor/ColorPreset.h"
#include "monitor/MonitorFeature.h"
#include "monitor/MonitorInput.h"

#include <QTest>

class TestVocabulary : public QObject {
    Q_OBJECT
private slots:
    // Each feature goes to the helper by a word of its own that the helper takes for a percentage.
    void featuresUseTheHelpersAttributeWords() {
        for (auto feature : MonitorFeatures::allCases) {
            const auto attribute = m1ddc::attributeFromWord(rawValue(feature).toStdString());
            QVERIFY2(attribute && m1ddc::isPercentage(*attribute), qPrintable(rawValue(feature)));
        }
    }

    // Scenes and input preferences store these names and read them back.
    void inputsReadBackTheirStoredNames() {
        for (auto input : MonitorInputs::allCases)
            QCOMPARE(monitorInputFromRawValue(rawValue(input)), input);
    }

    // Gains match a preset exactly or not at all.
    void presetMatchingIsExact() {
        for (auto preset : ColorPresets::allCases) {
            const auto gains = ColorPresets::gains(preset);
            QCOMPARE(ColorPresets::matching(gains.red, gains.green, gains.blue), preset);
            QVERIFY(!ColorPresets::matching(gains.red, gains.green, gains.blue + 0.5));
        }
    }
};

QTEST_GUILESS_MAIN(TestVocabulary)
#include "tst_vocabulary.moc"
