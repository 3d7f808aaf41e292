#include "scenes/InputScenePreferenceStore.h"
#include "scenes/MonitorScene.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString key = QString::fromLatin1(InputScenePreferenceStore::defaultKey);

} // namespace

class TestInputScenePreferences : public QObject {
    Q_OBJECT

private slots:
    void init();

    void setAndReadBack();
    void survivesRestart();
    void removingAnEntry();
    void mapIsWrittenEvenWhenUnchanged();
    void emptyInputIdentifierIsIgnored();
    void unusableStoredValue_data();
    void unusableStoredValue();
    void storedIdsAreNotChecked();
    void ownStorageKey();

private:
    QString settingsPath() const { return m_dir->filePath(QStringLiteral("velmar.conf")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestInputScenePreferences::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestInputScenePreferences::setAndReadBack() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    InputScenePreferenceStore store(settings);
    InputScenePreferenceStore otherReader(settings);
    const QUuid id = QUuid::fromString(QStringLiteral("6f62cc9c-638d-401a-88a9-a255786bbd62"));

    QVERIFY(!store.sceneIdentifier("hdmi2").has_value());
    store.setSceneID(id, "hdmi2");
    store.setSceneID(MonitorScene::night().id, "usbC");
    QCOMPARE(store.sceneIdentifier("hdmi2"), QStringLiteral("6F62CC9C-638D-401A-88A9-A255786BBD62"));
    // Nothing is cached: another store over the same defaults sees the write at once.
    QCOMPARE(otherReader.sceneIdentifier("usbC"), QStringLiteral("C01C87F8-D096-4338-9DB0-087C08816FA4"));
    QVERIFY(!store.sceneIdentifier("hdmi1").has_value());
    QVERIFY(!store.sceneIdentifier("HDMI2").has_value());

    const QVariant stored = settings.value(key);
    QCOMPARE(stored.typeId(), QMetaType::QVariantMap);
    QCOMPARE(stored.toMap(), (QVariantMap{{"hdmi2", "6F62CC9C-638D-401A-88A9-A255786BBD62"},
                                          {"usbC", "C01C87F8-D096-4338-9DB0-087C08816FA4"}}));
}

void TestInputScenePreferences::survivesRestart() {
    const QUuid id = QUuid::createUuid();
    {
        QSettings settings(settingsPath(), QSettings::IniFormat);
        InputScenePreferenceStore(settings).setSceneID(id, "hdmi2");
    }
    // A copy of the file is read from disk, as the next launch would.
    const QString copy = m_dir->filePath(QStringLiteral("restart.conf"));
    QVERIFY(QFile::copy(settingsPath(), copy));
    QSettings settings(copy, QSettings::IniFormat);
    QCOMPARE(InputScenePreferenceStore(settings).sceneIdentifier("hdmi2"),
             id.toString(QUuid::WithoutBraces).toUpper());
}

void TestInputScenePreferences::removingAnEntry() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    InputScenePreferenceStore store(settings);
    store.setSceneID(QUuid::createUuid(), "hdmi1");
    store.setSceneID(MonitorScene::work().id, "displayPort");

    store.setSceneID(std::nullopt, "hdmi1");
    QVERIFY(!store.sceneIdentifier("hdmi1").has_value());
    QCOMPARE(store.sceneIdentifier("displayPort"), uuidText(MonitorScene::work().id));

    store.setSceneID(std::nullopt, "displayPort");
    // The last entry gone leaves an empty map in place, not a missing key.
    QVERIFY(settings.contains(key));
    QCOMPARE(settings.value(key).typeId(), QMetaType::QVariantMap);
    QVERIFY(settings.value(key).toMap().isEmpty());
}

void TestInputScenePreferences::mapIsWrittenEvenWhenUnchanged() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    InputScenePreferenceStore store(settings);
    store.setSceneID(std::nullopt, "hdmi2");
    QCOMPARE(settings.value(key).typeId(), QMetaType::QVariantMap);
    QVERIFY(settings.value(key).toMap().isEmpty());
}

void TestInputScenePreferences::emptyInputIdentifierIsIgnored() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    InputScenePreferenceStore store(settings);

    store.setSceneID(QUuid::createUuid(), QString());
    QVERIFY(!settings.contains(key));

    // Even an unusable stored value is left exactly as it is.
    settings.setValue(key, QStringLiteral("left alone"));
    store.setSceneID(QUuid::createUuid(), "");
    store.setSceneID(std::nullopt, "");
    QCOMPARE(settings.value(key), QVariant(QStringLiteral("left alone")));
}

void TestInputScenePreferences::unusableStoredValue_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::newRow("a string") << QVariant(QStringLiteral("hdmi1"));
    QTest::newRow("a list") << QVariant(QStringList{"hdmi1", "usbC"});
    QTest::newRow("a map with a number value")
        << QVariant(QVariantMap{{"hdmi1", uuidText(MonitorScene::movie().id)}, {"usbC", 7}});
    QTest::newRow("a map with a byte value")
        << QVariant(QVariantMap{{"hdmi1", QByteArray("77B56D67-531C-457C-91DA-4C0B72EA46A1")}});
}

void TestInputScenePreferences::unusableStoredValue() {
    QFETCH(QVariant, stored);
    QSettings settings(settingsPath(), QSettings::IniFormat);
    settings.setValue(key, stored);
    InputScenePreferenceStore store(settings);

    QVERIFY(!store.sceneIdentifier("hdmi1").has_value());
    QVERIFY(!store.sceneIdentifier("usbC").has_value());

    store.setSceneID(MonitorScene::reading().id, "hdmi2");
    QCOMPARE(settings.value(key).toMap(), (QVariantMap{{"hdmi2", uuidText(MonitorScene::reading().id)}}));
}

// Readers decide what an unknown or malformed id means; the store hands back what it holds.
void TestInputScenePreferences::storedIdsAreNotChecked() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    settings.setValue(key, QVariantMap{{"hdmi1", "not a uuid"}, {"vga", "anything"}});
    InputScenePreferenceStore store(settings);
    QCOMPARE(store.sceneIdentifier("hdmi1"), QStringLiteral("not a uuid"));
    QCOMPARE(store.sceneIdentifier("vga"), QStringLiteral("anything"));

    store.setSceneID(MonitorScene::movie().id, "usbC");
    QCOMPARE(store.sceneIdentifier("hdmi1"), QStringLiteral("not a uuid"));
    QCOMPARE(settings.value(key).toMap().size(), 3);
}

void TestInputScenePreferences::ownStorageKey() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    InputScenePreferenceStore store(settings, QStringLiteral("otherPreferences"));
    QCOMPARE(store.storageKey(), "otherPreferences");
    store.setSceneID(MonitorScene::movie().id, "hdmi1");
    QVERIFY(!settings.contains(key));
    QCOMPARE(settings.value("otherPreferences").toMap().value("hdmi1").toString(),
             uuidText(MonitorScene::movie().id));
    QVERIFY(!InputScenePreferenceStore(settings).sceneIdentifier("hdmi1").has_value());
}

QTEST_GUILESS_MAIN(TestInputScenePreferences)
#include "tst_inputscenepreferences.moc"
