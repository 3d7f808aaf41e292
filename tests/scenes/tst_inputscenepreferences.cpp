#include "scenes/InputScenePreferenceStore.h"
#include "scenes/MonitorScene.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString key = QString::fromLatin1(InputScenePreferenceStore::defaultKey);
const QString movieId = QStringLiteral("77B56D67-531C-457C-91DA-4C0B72EA46A1");

} // namespace

class TestInputScenePreferences : public QObject {
    Q_OBJECT

private slots:
    void init();

    void mapIsReadAfreshAndWrittenWhole();
    void removingEntries();
    void emptyInputIdentifierIsIgnored();
    void unusableStoredValue_data();
    void unusableStoredValue();

private:
    QString settingsPath() const { return m_dir->filePath(QStringLiteral("velmar.conf")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestInputScenePreferences::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestInputScenePreferences::mapIsReadAfreshAndWrittenWhole() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    InputScenePreferenceStore store(settings, QStringLiteral("preferences"));
    // Nothing is cached: a value written behind the store's back is what it reads. Ids are handed
    // back unchecked; readers decide what a malformed one means.
    settings.setValue("preferences", QVariantMap{{"hdmi1", "not a uuid"}});
    QCOMPARE(store.sceneIdentifier("hdmi1"), QStringLiteral("not a uuid"));

    store.setSceneID(QUuid::fromString(movieId.toLower()), "usbC");
    QCOMPARE(settings.value("preferences").toMap(),
             (QVariantMap{{"hdmi1", "not a uuid"}, {"usbC", movieId}}));
    QVERIFY(!settings.contains(key));
}

void TestInputScenePreferences::removingEntries() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    InputScenePreferenceStore store(settings);
    // Removing what is not there still writes the map.
    store.setSceneID(std::nullopt, "hdmi2");
    QCOMPARE(settings.value(key), QVariant(QVariantMap{}));

    store.setSceneID(MonitorScene::movie().id, "hdmi1");
    store.setSceneID(MonitorScene::work().id, "displayPort");
    store.setSceneID(std::nullopt, "hdmi1");
    QVERIFY(!store.sceneIdentifier("hdmi1").has_value());
    QCOMPARE(store.sceneIdentifier("displayPort"), uuidText(MonitorScene::work().id));

    // The last entry gone leaves an empty map in place, not a missing key.
    store.setSceneID(std::nullopt, "displayPort");
    QCOMPARE(settings.value(key), QVariant(QVariantMap{}));
}

void TestInputScenePreferences::emptyInputIdentifierIsIgnored() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    InputScenePreferenceStore store(settings);
    // Even an unusable stored value is left exactly as it is.
    settings.setValue(key, QStringLiteral("left alone"));
    store.setSceneID(QUuid::createUuid(), QString());
    store.setSceneID(std::nullopt, QString());
    QCOMPARE(settings.value(key), QVariant(QStringLiteral("left alone")));
}

void TestInputScenePreferences::unusableStoredValue_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::newRow("a string") << QVariant(QStringLiteral("hdmi1"));
    QTest::newRow("a map with a number value") << QVariant(QVariantMap{{"hdmi1", movieId}, {"usbC", 7}});
}

// A value that is not a map of strings reads as no preferences and is replaced by the next set.
void TestInputScenePreferences::unusableStoredValue() {
    QFETCH(QVariant, stored);
    QSettings settings(settingsPath(), QSettings::IniFormat);
    settings.setValue(key, stored);
    InputScenePreferenceStore store(settings);
    QVERIFY(!store.sceneIdentifier("hdmi1").has_value());

    store.setSceneID(MonitorScene::movie().id, "hdmi2");
    QCOMPARE(settings.value(key).toMap(), (QVariantMap{{"hdmi2", movieId}}));
}

QTEST_GUILESS_MAIN(TestInputScenePreferences)
#include "tst_inputscenepreferences.moc"
