#include "scenes/InputScenePreferenceStore.h"
#include "scenes/MonitorScene.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString key = QString::fromLatin1(InputScenePreferenceStore::defaultKey);
const QString movieId = QStringLiteral("77B56D67-531C-457C-91DA-4C0B72EA46A1");

// A settings file of the test's own, and the store over it.
struct Preferences {
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("velmar.conf")), QSettings::IniFormat};
    InputScenePreferenceStore store{settings};
};

} // namespace

class TestInputScenePreferences : public QObject {
    Q_OBJECT

private slots:
    void mapIsReadAfreshAndWrittenWhole() {
        Preferences p;
        InputScenePreferenceStore store(p.settings, QStringLiteral("preferences"));
        // Nothing is cached: a value written behind the store's back is what it reads. Ids are handed
        // back unchecked; readers decide what a malformed one means.
        p.settings.setValue("preferences", QVariantMap{{"hdmi1", "not a uuid"}});
        QCOMPARE(store.sceneIdentifier("hdmi1"), QStringLiteral("not a uuid"));

        store.setSceneID(QUuid::fromString(movieId.toLower()), "usbC");
        QCOMPARE(p.settings.value("preferences").toMap(),
                 (QVariantMap{{"hdmi1", "not a uuid"}, {"usbC", movieId}}));
        QVERIFY(!p.settings.contains(key));
    }

    void removingEntries() {
        Preferences p;
        p.store.setSceneID(MonitorScene::movie().id, "hdmi1");
        p.store.setSceneID(MonitorScene::work().id, "displayPort");
        p.store.setSceneID(std::nullopt, "hdmi1");
        QVERIFY(!p.store.sceneIdentifier("hdmi1").has_value());
        QCOMPARE(p.store.sceneIdentifier("displayPort"), uuidText(MonitorScene::work().id));
    }

    // A value that is no map reads as no preferences and is replaced by the next set, except a set for
    // no input: that is ignored, and leaves even an unusable stored value exactly as it is.
    void storedValueThatIsNoMap() {
        Preferences p;
        p.settings.setValue(key, QStringLiteral("hdmi1"));
        QVERIFY(!p.store.sceneIdentifier("hdmi1").has_value());
        p.store.setSceneID(QUuid::createUuid(), QString());
        p.store.setSceneID(std::nullopt, QString());
        QCOMPARE(p.settings.value(key), QVariant(QStringLiteral("hdmi1")));

        p.store.setSceneID(MonitorScene::movie().id, "hdmi2");
        QCOMPARE(p.settings.value(key).toMap(), (QVariantMap{{"hdmi2", movieId}}));
    }

    // An entry that is not text is no preference, and only that: the other inputs' entries still read,
    // and a set changes its own entry alone.
    void aMalformedEntryDropsOnlyItself() {
        Preferences p;
        p.settings.setValue(
            key, QVariantMap{{"hdmi1", movieId}, {"usbC", 7}, {"displayPort", QVariantList{movieId}}});
        QCOMPARE(p.store.sceneIdentifier("hdmi1"), movieId);
        QVERIFY(!p.store.sceneIdentifier("usbC").has_value());
        QVERIFY(!p.store.sceneIdentifier("displayPort").has_value());

        const QString workId = uuidText(MonitorScene::work().id);
        p.store.setSceneID(MonitorScene::work().id, "hdmi2");
        p.store.setSceneID(MonitorScene::work().id, "usbC");
        QCOMPARE(p.settings.value(key).toMap(), (QVariantMap{{"hdmi1", movieId},
                                                             {"usbC", workId},
                                                             {"displayPort", QVariantList{movieId}},
                                                             {"hdmi2", workId}}));
    }

    // Another instance, in another process, changed the map after this one read the file: a set keeps
    // what it added and does not bring back what it removed.
    void anotherInstancesEntriesAreKept() {
        Preferences p;
        p.store.setSceneID(MonitorScene::movie().id, "hdmi1");

        // QSettings objects over one path share what they read within a process, so the other
        // instance's file is written under another name and moved into place.
        const QString path = p.settings.fileName(), otherPath = path + QStringLiteral(".other");
        {
            QSettings other(otherPath, QSettings::IniFormat);
            other.setValue(key, QVariantMap{{"displayPort", movieId}});
        }
        QVERIFY(QFile::remove(path) && QFile::rename(otherPath, path));

        p.store.setSceneID(MonitorScene::night().id, "hdmi2");
        QCOMPARE(QSettings(path, QSettings::IniFormat).value(key).toMap(),
                 (QVariantMap{{"displayPort", movieId}, {"hdmi2", uuidText(MonitorScene::night().id)}}));
    }
};

QTEST_GUILESS_MAIN(TestInputScenePreferences)
#include "tst_inputscenepreferences.moc"
