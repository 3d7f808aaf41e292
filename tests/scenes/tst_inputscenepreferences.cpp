#include "scenes/InputScenePreferenceStore.h"
#include "scenes/MonitorScene.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString key = QString::fromLatin1(InputScenePreferenceStore::defaultKey);
const QString movieId = QStringLiteral("77B56D67-531C-457C-91DA-4C0B72EA46A1");

} // namespace

class TestInputScenePreferences : public QObject {
    Q_OBJECT

private:
    QString settingsPath() const { return m_dir->filePath(QStringLiteral("velmar.conf")); }

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void mapIsReadAfreshAndWrittenWhole() {
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

    void removingEntries() {
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

    void emptyInputIdentifierIsIgnored() {
        QSettings settings(settingsPath(), QSettings::IniFormat);
        InputScenePreferenceStore store(settings);
        // Even an unusable stored value is left exactly as it is.
        settings.setValue(key, QStringLiteral("left alone"));
        store.setSceneID(QUuid::createUuid(), QString());
        store.setSceneID(std::nullopt, QString());
        QCOMPARE(settings.value(key), QVariant(QStringLiteral("left alone")));
    }

    // A value that is no map reads as no preferences and is replaced by the next set.
    void storedValueThatIsNoMap() {
        QSettings settings(settingsPath(), QSettings::IniFormat);
        settings.setValue(key, QStringLiteral("hdmi1"));
        InputScenePreferenceStore store(settings);
        QVERIFY(!store.sceneIdentifier("hdmi1").has_value());

        store.setSceneID(MonitorScene::movie().id, "hdmi2");
        QCOMPARE(settings.value(key).toMap(), (QVariantMap{{"hdmi2", movieId}}));
    }

    // An entry that is not text is no preference, and only that: the other inputs' entries still read,
    // and a set changes its own entry alone.
    void aMalformedEntryDropsOnlyItself() {
        QSettings settings(settingsPath(), QSettings::IniFormat);
        settings.setValue(
            key, QVariantMap{{"hdmi1", movieId}, {"usbC", 7}, {"displayPort", QVariantList{movieId}}});
        InputScenePreferenceStore store(settings);
        QCOMPARE(store.sceneIdentifier("hdmi1"), movieId);
        QVERIFY(!store.sceneIdentifier("usbC").has_value());
        QVERIFY(!store.sceneIdentifier("displayPort").has_value());

        const QString workId = uuidText(MonitorScene::work().id);
        store.setSceneID(MonitorScene::work().id, "hdmi2");
        store.setSceneID(MonitorScene::work().id, "usbC");
        QCOMPARE(settings.value(key).toMap(), (QVariantMap{{"hdmi1", movieId},
                                                           {"usbC", workId},
                                                           {"displayPort", QVariantList{movieId}},
                                                           {"hdmi2", workId}}));
    }

    // Another instance, in another process, changed the map after this one read the file: a set keeps
    // what it added and does not bring back what it removed.
    void anotherInstancesEntriesAreKept() {
        QSettings settings(settingsPath(), QSettings::IniFormat);
        InputScenePreferenceStore store(settings);
        store.setSceneID(MonitorScene::movie().id, "hdmi1");

        // QSettings objects over one path share what they read within a process, so the other
        // instance's file is written under another name and moved into place.
        const QString otherPath = settingsPath() + QStringLiteral(".other");
        {
            QSettings other(otherPath, QSettings::IniFormat);
            other.setValue(key, QVariantMap{{"displayPort", movieId}});
        }
        QVERIFY(QFile::remove(settingsPath()) && QFile::rename(otherPath, settingsPath()));

        store.setSceneID(MonitorScene::night().id, "hdmi2");
        QCOMPARE(QSettings(settingsPath(), QSettings::IniFormat).value(key).toMap(),
                 (QVariantMap{{"displayPort", movieId}, {"hdmi2", uuidText(MonitorScene::night().id)}}));
    }
};

QTEST_GUILESS_MAIN(TestInputScenePreferences)
#include "tst_inputscenepreferences.moc"
