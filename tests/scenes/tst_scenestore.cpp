#include "scenes/MonitorSceneStore.h"
#include "scenes/SceneTesting.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstring>

namespace {

const QString sceneKey = QString::fromLatin1(SettingsMonitorSceneStorage::key);
const QString backupKey = QString::fromLatin1(SettingsMonitorSceneStorage::backupKey);
const QString notWritable = QStringLiteral("Could not save your scenes: the settings file is not writable.");

// The real storage, recording each write that reached it and able to refuse them, so a test can
// tell that nothing was written and stage a failure at a chosen step.
class RecordingStorage : public MonitorSceneStorage {
public:
    RecordingStorage(QSettings& settings, std::chrono::milliseconds lockWait)
        : m_storage(settings, lockWait) {}

    std::optional<QByteArray> load() override { return m_storage.load(); }
    bool save(const QByteArray& data) override {
        calls << QStringLiteral("save");
        return writable && m_storage.save(data);
    }
    bool saveBackup(const QByteArray& data) override {
        calls << QStringLiteral("saveBackup");
        return writable && m_storage.saveBackup(data);
    }
    std::unique_ptr<Lock> lock(LockFailure& failure) override { return m_storage.lock(failure); }

    QStringList calls;
    bool writable = true;

private:
    SettingsMonitorSceneStorage m_storage;
};

struct OpenedStore {
    std::unique_ptr<MonitorSceneStore> store;
    RecordingStorage* storage; // owned by the store
};

OpenedStore openStore(QSettings& settings,
                      std::chrono::milliseconds lockWait = SettingsMonitorSceneStorage::defaultLockWait) {
    auto storage = std::make_unique<RecordingStorage>(settings, lockWait);
    auto* observer = storage.get();
    return {std::make_unique<MonitorSceneStore>(std::move(storage), MonitorScene::builtInDefaults()),
            observer};
}

QList<MonitorScene> saved(const QSettings& settings) {
    return MonitorScene::decodeList(settings.value(sceneKey).toByteArray()).value_or(QList<MonitorScene>{});
}

// Every value kept aside, by key.
QVariantMap backups(const QSettings& settings) {
    QVariantMap kept;
    for (const QString& key : settings.allKeys())
        if (key.startsWith(backupKey))
            kept.insert(key, settings.value(key));
    return kept;
}

// A second instance of the program, in a process of its own: adds scenes one by one, each a save.
int addScenesAsAnotherInstance(const char* settingsPath, const char* prefix, int count) {
    QSettings settings(QString::fromLocal8Bit(settingsPath), QSettings::IniFormat);
    MonitorSceneStore store(std::make_unique<SettingsMonitorSceneStorage>(settings),
                            MonitorScene::builtInDefaults());
    for (int i = 0; i < count; ++i) {
        store.add(makeScene(QStringLiteral("%1 %2").arg(QLatin1String(prefix)).arg(i), i));
        if (store.persistenceError())
            return 1;
    }
    return 0;
}

} // namespace

class TestSceneStore : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString settingsPath() const { return m_dir->filePath(QStringLiteral("velmar.conf")); }
    // What the next launch would see: QSettings objects over one path share a cache within the
    // process, so a copy of the file is read from disk.
    QList<MonitorScene> customScenesAfterRestart(const QString& path) const {
        const QString copy = m_dir->filePath(QUuid::createUuid().toString() + ".conf");
        if (!QFile::copy(path, copy))
            return {};
        QSettings settings(copy, QSettings::IniFormat);
        auto [store, storage] = openStore(settings);
        return store->persistenceError() ? QList<MonitorScene>{} : store->customScenes();
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    // Loading reports no error and writes nothing. Nothing stored, or a value that is not bytes: no
    // scenes.
    void loadingWritesNothing() {
        for (const bool storeText : {false, true}) {
            QSettings settings(settingsPath(), QSettings::IniFormat);
            if (storeText)
                settings.setValue(sceneKey,
                                  QString::fromUtf8(MonitorScene::encodeList({makeScene("As text", 1)})));
            auto [store, storage] = openStore(settings);
            QVERIFY(!store->persistenceError().has_value());
            QCOMPARE(store->allScenes(), MonitorScene::builtInDefaults());
            QVERIFY(storage->calls.isEmpty());
        }

        // A stored scene, even one with a built-in's id and kind, loads as custom beside the built-in,
        // which keeps the id's lookup.
        QSettings settings(settingsPath(), QSettings::IniFormat);
        MonitorScene impostor = MonitorScene::movie();
        impostor.name = QStringLiteral("My movie");
        settings.setValue(sceneKey, MonitorScene::encodeList({impostor}));

        auto [store, storage] = openStore(settings);
        impostor.kind = MonitorScene::Kind::custom;
        QCOMPARE(store->customScenes(), QList<MonitorScene>{impostor});
        QCOMPARE(store->scene(MonitorScene::movie().id).value_or(MonitorScene{}), MonitorScene::movie());
        QVERIFY(!store->persistenceError().has_value());
        QVERIFY(storage->calls.isEmpty());
    }

    // Built-in scenes are never touched and scenes stay custom. An edit that changes nothing neither
    // writes nor is announced, except that an update always saves, as a retry after a failed save.
    void editRules() {
        QSettings settings(settingsPath(), QSettings::IniFormat);
        const MonitorScene a = makeScene("A", 1), b = makeScene("B", 2);
        MonitorScene twin = makeScene("A twin", 3);
        twin.id = a.id;
        // Only a stored blob can hold two scenes with one id; removing that id takes both.
        settings.setValue(sceneKey, MonitorScene::encodeList({a, b, twin}));
        auto [store, storage] = openStore(settings);
        QSignalSpy changed(store.get(), &MonitorSceneStore::customScenesChanged);

        MonitorScene sameId = makeScene("Other values", 9);
        sameId.id = a.id;
        MonitorScene night = MonitorScene::night();
        night.name = QStringLiteral("Renamed night");
        night.kind = MonitorScene::Kind::custom;
        store->add(sameId);
        store->add(night);
        store->update(makeScene("Unknown", 9));
        store->update(night);
        store->remove(QUuid::createUuid());
        store->remove(MonitorScene::work().id);
        QVERIFY(storage->calls.isEmpty());
        QCOMPARE(changed.count(), 0);
        QCOMPARE(store->allScenes(), (MonitorScene::builtInDefaults() + QList<MonitorScene>{a, b, twin}));

        MonitorScene c = makeScene("C", 3);
        c.kind = MonitorScene::Kind::builtIn;
        store->add(c);
        c.kind = MonitorScene::Kind::custom;
        QCOMPARE(saved(settings), (QList<MonitorScene>{a, b, twin, c}));
        QCOMPARE(changed.count(), 1);

        MonitorScene changedB = b;
        changedB.brightness.reset();
        changedB.input = MonitorInput::displayPort;
        changedB.kind = MonitorScene::Kind::builtIn;
        store->update(changedB);
        changedB.kind = MonitorScene::Kind::custom;
        QCOMPARE(saved(settings), (QList<MonitorScene>{a, changedB, twin, c}));
        QCOMPARE(changed.count(), 2);
        store->update(changedB);
        QCOMPARE(storage->calls, (QStringList{"save", "save", "save"}));
        QCOMPARE(changed.count(), 2);

        store->remove(a.id);
        QCOMPARE(store->customScenes(), (QList<MonitorScene>{changedB, c}));
        QCOMPARE(saved(settings), (QList<MonitorScene>{changedB, c}));
        QCOMPARE(changed.count(), 3);
    }

    // Scenes that cannot be read are still the user's: left in place until a save must replace them,
    // then kept under a key of their own first, never lost to a failed backup. A later unreadable value
    // never replaces an earlier one, and one kept already is not kept twice.
    void unreadableValuesAreKeptAside() {
        const QByteArray blob =
            MonitorScene::encodeList({makeScene("Kept", 20, MonitorInput::hdmi1)}).replace("hdmi1", "hdmi3");
        QSettings settings(settingsPath(), QSettings::IniFormat);
        settings.setValue(backupKey, QByteArray("older unreadable scenes"));
        settings.setValue(sceneKey, blob);
        auto [store, storage] = openStore(settings);

        QVERIFY(store->customScenes().isEmpty());
        QCOMPARE(store->persistenceError().value_or(QString()), "Unknown monitor input: hdmi3");
        // A remove or update has nothing to act on and must not write either.
        store->remove(QUuid::createUuid());
        store->update(makeScene("Nothing", 1));
        QVERIFY(storage->calls.isEmpty());

        storage->writable = false;
        const MonitorScene first = makeScene("First", 1);
        store->add(first);
        QCOMPARE(storage->calls, QStringList{"saveBackup"});
        QCOMPARE(settings.value(sceneKey).toByteArray(), blob);
        QCOMPARE(store->persistenceError().value_or(QString()), notWritable);
        QCOMPARE(store->customScenes(), QList<MonitorScene>{first});

        storage->writable = true;
        storage->calls.clear();
        store->add(makeScene("Second", 2));
        store->add(makeScene("Third", 3));
        QCOMPARE(storage->calls, (QStringList{"saveBackup", "save", "save"}));
        QVERIFY(!store->persistenceError().has_value());
        QCOMPARE(customScenesAfterRestart(settingsPath()), store->customScenes());

        // More bad edits while the program runs, the last one a value kept already. Each save keeps
        // the scenes this instance holds.
        for (const QVariant& edit : {QVariant(QByteArray("{[not json")),
                                     QVariant(QStringLiteral("typed by hand")), QVariant(blob)}) {
            settings.setValue(sceneKey, edit);
            store->add(makeScene("After a bad edit", 4));
        }
        QCOMPARE(backups(settings), (QVariantMap{{backupKey, QByteArray("older unreadable scenes")},
                                                 {backupKey + ".2", blob},
                                                 {backupKey + ".3", QByteArray("{[not json")},
                                                 {backupKey + ".4", QStringLiteral("typed by hand")}}));
        QCOMPARE(store->customScenes().size(), 6);
        QCOMPARE(customScenesAfterRestart(settingsPath()), store->customScenes());
    }

    // Two instances over one file (no session bus to keep a single one, or two sessions of one user):
    // each save merges this instance's changes into what is stored now. What it added, edited or
    // deleted wins for those ids; everything else is as the other left it, deletions included.
    void instancesSharingTheFileMergeTheirChanges() {
        const MonitorScene x = makeScene("X", 1), y = makeScene("Y", 2), z = makeScene("Z", 3);
        QSettings settingsA(settingsPath(), QSettings::IniFormat),
            settingsB(settingsPath(), QSettings::IniFormat);
        settingsA.setValue(sceneKey, MonitorScene::encodeList({x, y, z}));
        auto [a, storageA] = openStore(settingsA);
        auto [b, storageB] = openStore(settingsB);
        QSignalSpy changedA(a.get(), &MonitorSceneStore::customScenesChanged);
        QSignalSpy changedB(b.get(), &MonitorSceneStore::customScenesChanged);

        MonitorScene xA = x, yB = y;
        xA.brightness = 10;
        yB.brightness = 20;
        const MonitorScene fromA = makeScene("From A", 5), fromB = makeScene("From B", 6);
        a->update(xA);
        a->remove(y.id);
        a->add(fromA);
        // B edits the scene A deleted: its edit wins, after A's scenes.
        b->update(yB);
        QCOMPARE(b->customScenes(), (QList<MonitorScene>{xA, z, fromA, yB}));
        QCOMPARE(changedB.count(), 1);
        b->add(fromB);
        b->remove(z.id);
        // A deletes its own scene; Z, deleted by B and untouched here, stays deleted.
        a->remove(fromA.id);
        const QList<MonitorScene> expected{xA, yB, fromB};
        QCOMPARE(a->customScenes(), expected);
        QCOMPARE(changedA.count(), 4);
        QCOMPARE(customScenesAfterRestart(settingsPath()), expected);
    }

    // The same, each instance in a process of its own, both saving as fast as they can.
    void instancesInTwoProcessesKeepEveryScene() {
        QSettings settings(settingsPath(), QSettings::IniFormat);
        auto [store, storage] = openStore(settings);
        store->add(makeScene("Here before", 1));

        constexpr int count = 10;
        std::vector<std::unique_ptr<QProcess>> others;
        for (const char* prefix : {"A", "B"}) {
            others.push_back(std::make_unique<QProcess>());
            others.back()->setProcessChannelMode(QProcess::ForwardedChannels);
            others.back()->start(QCoreApplication::applicationFilePath(),
                                 {"--add-scenes", settingsPath(), prefix, QString::number(count)});
        }
        for (const auto& other : others) {
            QVERIFY(other->waitForFinished(60000));
            QVERIFY(other->exitStatus() == QProcess::NormalExit && other->exitCode() == 0);
        }
        store->add(makeScene("Here after", 2));

        QStringList names;
        for (const auto& scene : customScenesAfterRestart(settingsPath()))
            names << scene.name;
        QCOMPARE(names.size(), 2 * count + 2);
        for (int i = 0; i < count; ++i)
            QVERIFY(names.contains(QString("A %1").arg(i)) && names.contains(QString("B %1").arg(i)));
        QCOMPARE(names.first(), QStringLiteral("Here before"));
        QCOMPARE(names.last(), QStringLiteral("Here after"));
        QCOMPARE(store->customScenes().size(), names.size());
    }

    // Past the wait, the change stays in memory with an error, and the next change saves it.
    void aSaveWaitsOnlyABoundedTimeForAnother() {
        QSettings settings(settingsPath(), QSettings::IniFormat);
        auto [store, storage] = openStore(settings, std::chrono::milliseconds(50));
        QLockFile otherInstance(SettingsMonitorSceneStorage::lockFilePath(settings.fileName()));
        QVERIFY(otherInstance.tryLock());

        const MonitorScene first = makeScene("First", 1), second = makeScene("Second", 2);
        store->add(first);
        QVERIFY(storage->calls.isEmpty());
        QVERIFY(store->persistenceError().value_or(QString()).startsWith(
            QStringLiteral("Could not save your scenes: another Velmar Monitor")));
        QCOMPARE(store->customScenes(), QList<MonitorScene>{first});

        otherInstance.unlock();
        store->add(second);
        QVERIFY(!store->persistenceError().has_value());
        QCOMPARE(saved(settings), (QList<MonitorScene>{first, second}));
    }

    void unwritableSettings() {
        // A regular file where the settings directory should be: unwritable even for root.
        const QString dir = m_dir->filePath(QStringLiteral("settings"));
        const QString path = dir + QStringLiteral("/velmar.conf");
        QVERIFY(QFile(dir).open(QIODevice::WriteOnly));
        QSettings settings(path, QSettings::IniFormat);
        auto [store, storage] = openStore(settings);
        QSignalSpy errorChanged(store.get(), &MonitorSceneStore::persistenceErrorChanged);

        const MonitorScene first = makeScene("First", 11), second = makeScene("Second", 12);
        store->add(first);
        QCOMPARE(store->persistenceError().value_or(QString()), notWritable);
        QCOMPARE(store->customScenes(), QList<MonitorScene>{first});
        QCOMPARE(errorChanged.count(), 1);

        // Every further failed save keeps saying so.
        store->add(second);
        store->remove(first.id);
        QCOMPARE(store->persistenceError().value_or(QString()), notWritable);
        QCOMPARE(errorChanged.count(), 1);

        // Once the file can be written again, the next change saves everything and clears the text.
        // A name beyond ASCII and every kind of value survive the restart.
        QVERIFY(QFile::remove(dir));
        QVERIFY(QDir().mkpath(dir));
        MonitorScene third = makeScene(QStringLiteral("Dritte – Lesen"), 13, MonitorInput::usbC);
        third.rgb = MonitorScene::RGB{40.5, 41, 42};
        store->add(third);
        QVERIFY(!store->persistenceError().has_value());
        QCOMPARE(errorChanged.count(), 2);
        QCOMPARE(customScenesAfterRestart(path), (QList<MonitorScene>{second, third}));
    }

    void unencodableSceneKeepsLastSavedList() {
        QSettings settings(settingsPath(), QSettings::IniFormat);
        auto [store, storage] = openStore(settings);
        store->add(makeScene("Good", 30));

        const MonitorScene broken = makeScene("Broken", std::nan(""));
        store->add(broken);
        const QString error = store->persistenceError().value_or(QString());
        QVERIFY2(error.startsWith("Could not save your scenes.") && error.contains("Broken"),
                 qPrintable(error));
        QCOMPARE(store->customScenes().size(), 2);
        QCOMPARE(storage->calls.size(), 1); // the last saved list stays as it was

        store->remove(broken.id);
        QVERIFY(!store->persistenceError().has_value());
        QCOMPARE(storage->calls.size(), 2);
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc == 5 && std::strcmp(argv[1], "--add-scenes") == 0)
        return addScenesAsAnotherInstance(argv[2], argv[3], std::atoi(argv[4]));
    TestSceneStore test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_scenestore.moc"
