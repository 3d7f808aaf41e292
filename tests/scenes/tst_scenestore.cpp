#include "scenes/MonitorSceneStore.h"
#include "scenes/SceneTesting.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

const QString sceneKey = QString::fromLatin1(UserDefaultsMonitorSceneStorage::key);
const QString backupKey = QString::fromLatin1(UserDefaultsMonitorSceneStorage::backupKey);

// The real storage, with a count of what reached it, so a test can tell that nothing was written.
class CountingStorage : public MonitorSceneStorage {
public:
    explicit CountingStorage(QSettings& defaults) : m_storage(defaults) {}

    std::optional<QByteArray> load() override { return m_storage.load(); }
    bool save(const QByteArray& data) override {
        ++saves;
        return m_storage.save(data);
    }
    bool saveBackup(const QByteArray& data) override {
        ++backups;
        return m_storage.saveBackup(data);
    }

    int saves = 0;
    int backups = 0;

private:
    UserDefaultsMonitorSceneStorage m_storage;
};

// Storage in memory that can refuse to write, for failures a settings file cannot stage in order.
class MemoryStorage : public MonitorSceneStorage {
public:
    std::optional<QByteArray> load() override { return blob; }
    bool save(const QByteArray& data) override {
        calls << QStringLiteral("save");
        if (writable)
            blob = data;
        return writable;
    }
    bool saveBackup(const QByteArray& data) override {
        calls << QStringLiteral("saveBackup");
        if (writable)
            backup = data;
        return writable;
    }

    std::optional<QByteArray> blob;
    std::optional<QByteArray> backup;
    bool writable = true;
    QStringList calls;
};

struct OpenedStore {
    std::unique_ptr<MonitorSceneStore> store;
    CountingStorage* storage; // owned by the store
};

OpenedStore openStore(QSettings& settings) {
    auto storage = std::make_unique<CountingStorage>(settings);
    auto* observer = storage.get();
    return {std::make_unique<MonitorSceneStore>(std::move(storage), MonitorScene::builtInDefaults()),
            observer};
}

QStringList names(const QList<MonitorScene>& scenes) {
    QStringList result;
    for (const auto& scene : scenes)
        result << scene.name;
    return result;
}

QList<MonitorScene> decodedOrEmpty(const QVariant& stored) {
    return MonitorScene::decodeList(stored.toByteArray()).value_or(QList<MonitorScene>{});
}

} // namespace

class TestSceneStore : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsEmptyWithNothingStored();
    void survivesRestart();
    void loadForcesCustomKind();
    void loadKeepsBuiltInIdBesideBuiltIn();
    void valueThatIsNotBytesReadsAsNothing();

    void addRules();
    void updateRules();
    void removeRules();

    void unreadableBlob_data();
    void unreadableBlob();
    void newestUnreadableBlobIsKept();
    void unreadableBlobSurvivesFailedBackup();

    void unwritableSettings_data();
    void unwritableSettings();
    void unencodableSceneKeepsLastSavedList();

private:
    QString settingsPath() const { return m_dir->filePath(QStringLiteral("velmar.conf")); }
    // A copy read from disk by a fresh QSettings: what the next launch of the program would see.
    QList<MonitorScene> customScenesAfterRestart(const QString& path) const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSceneStore::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSceneStore::cleanup() {
    // Some tests take away write permission; give it back so the directory can be removed.
    for (const auto& name : QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        QFile::setPermissions(m_dir->filePath(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_dir.reset();
}

QList<MonitorScene> TestSceneStore::customScenesAfterRestart(const QString& path) const {
    // QSettings objects over one path share a cache within the process; a copy of the file is
    // read from disk.
    const QString copy =
        m_dir->filePath(QStringLiteral("restart-%1.conf").arg(QUuid::createUuid().toString()));
    if (!QFile::copy(path, copy))
        return {};
    QSettings settings(copy, QSettings::IniFormat);
    auto [store, storage] = openStore(settings);
    if (store->persistenceError())
        return {};
    return store->customScenes();
}

void TestSceneStore::startsEmptyWithNothingStored() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    auto [store, storage] = openStore(settings);
    QVERIFY(store->customScenes().isEmpty());
    QVERIFY(!store->persistenceError().has_value());
    QCOMPARE(store->builtInScenes(), MonitorScene::builtInDefaults());
    QCOMPARE(store->allScenes(), MonitorScene::builtInDefaults());
    QCOMPARE(storage->saves, 0);
    QVERIFY(!settings.contains(sceneKey));
}

void TestSceneStore::survivesRestart() {
    MonitorScene first = makeScene("First", 10);
    MonitorScene second = makeScene("Second", std::nullopt, MonitorInput::usbC);
    MonitorScene third = makeScene(QStringLiteral("Dritte – Lesen"), 30);
    MonitorScene fourth = makeScene("Fourth");
    fourth.rgb = MonitorScene::RGB{40.5, 41, 42};
    {
        QSettings settings(settingsPath(), QSettings::IniFormat);
        auto [store, storage] = openStore(settings);
        store->add(first);
        store->add(second);
        store->add(third);
        second.name = QStringLiteral("Second, renamed");
        second.volume = 5;
        store->update(second);
        store->remove(first.id);
        store->add(fourth);
        QCOMPARE(names(store->customScenes()), (QStringList{"Second, renamed", third.name, "Fourth"}));
        QVERIFY(!store->persistenceError().has_value());
    }

    const QList<MonitorScene> expected = {second, third, fourth};
    QCOMPARE(customScenesAfterRestart(settingsPath()), expected);

    QSettings settings(settingsPath(), QSettings::IniFormat);
    auto [store, storage] = openStore(settings);
    QCOMPARE(store->customScenes(), expected);
    QCOMPARE(store->allScenes(), MonitorScene::builtInDefaults() + expected);

    // The stored value: bytes of a compact UTF-8 JSON array holding only the custom scenes.
    const QVariant stored = settings.value(sceneKey);
    QCOMPARE(stored.typeId(), QMetaType::QByteArray);
    QCOMPARE(stored.toByteArray(), MonitorScene::encodeList(expected));
    QVERIFY(stored.toByteArray().contains(third.name.toUtf8()));
    QVERIFY(!stored.toByteArray().contains("builtIn"));
}

void TestSceneStore::loadForcesCustomKind() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    MonitorScene scene = makeScene("Was built in", 40);
    scene.kind = MonitorScene::Kind::builtIn;
    settings.setValue(sceneKey, MonitorScene::encodeList({scene}));

    auto [store, storage] = openStore(settings);
    QCOMPARE(store->customScenes().size(), 1);
    QCOMPARE(store->customScenes()[0].kind, MonitorScene::Kind::custom);
    QCOMPARE(store->customScenes()[0].name, scene.name);
    QVERIFY(!store->persistenceError().has_value());
    QCOMPARE(storage->saves, 0);
}

void TestSceneStore::loadKeepsBuiltInIdBesideBuiltIn() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    MonitorScene impostor = MonitorScene::movie();
    impostor.name = QStringLiteral("My movie");
    settings.setValue(sceneKey, MonitorScene::encodeList({impostor}));

    auto [store, storage] = openStore(settings);
    QCOMPARE(store->customScenes().size(), 1);
    QCOMPARE(store->customScenes()[0].name, "My movie");
    QCOMPARE(store->customScenes()[0].kind, MonitorScene::Kind::custom);
    QCOMPARE(store->allScenes().size(), 5);
    QCOMPARE(store->scene(MonitorScene::movie().id).value_or(MonitorScene{}), MonitorScene::movie());
}

void TestSceneStore::valueThatIsNotBytesReadsAsNothing() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    settings.setValue(sceneKey, QString::fromUtf8(MonitorScene::encodeList({makeScene("As text", 1)})));
    auto [store, storage] = openStore(settings);
    QVERIFY(store->customScenes().isEmpty());
    QVERIFY(!store->persistenceError().has_value());
}

void TestSceneStore::addRules() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    auto [store, storage] = openStore(settings);
    QSignalSpy changed(store.get(), &MonitorSceneStore::customScenesChanged);
    QSignalSpy errorChanged(store.get(), &MonitorSceneStore::persistenceErrorChanged);

    for (const auto& builtIn : MonitorScene::builtInDefaults()) {
        MonitorScene copy = builtIn;
        copy.kind = MonitorScene::Kind::custom;
        store->add(copy);
    }
    QVERIFY(store->customScenes().isEmpty());
    QCOMPARE(storage->saves, 0);
    QCOMPARE(changed.count(), 0);

    MonitorScene scene = makeScene("Fresh", 55);
    scene.kind = MonitorScene::Kind::builtIn;
    store->add(scene);
    QCOMPARE(store->customScenes().size(), 1);
    QCOMPARE(store->customScenes()[0].kind, MonitorScene::Kind::custom);
    const auto saved = decodedOrEmpty(settings.value(sceneKey));
    QCOMPARE(saved.size(), 1);
    QCOMPARE(saved[0].kind, MonitorScene::Kind::custom);
    QCOMPARE(storage->saves, 1);
    QCOMPARE(changed.count(), 1);

    MonitorScene sameId = makeScene("Other values", 1);
    sameId.id = scene.id;
    store->add(sameId);
    QCOMPARE(store->customScenes().size(), 1);
    QCOMPARE(store->customScenes()[0].name, "Fresh");
    QCOMPARE(storage->saves, 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(errorChanged.count(), 0);
}

void TestSceneStore::updateRules() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    auto [store, storage] = openStore(settings);
    const MonitorScene a = makeScene("A", 1), b = makeScene("B", 2), c = makeScene("C", 3);
    store->add(a);
    store->add(b);
    store->add(c);
    QSignalSpy changed(store.get(), &MonitorSceneStore::customScenesChanged);
    const int savesBefore = storage->saves;

    MonitorScene unknown = makeScene("Unknown", 9);
    store->update(unknown);
    MonitorScene builtIn = MonitorScene::night();
    builtIn.name = QStringLiteral("Renamed night");
    store->update(builtIn);
    QCOMPARE(storage->saves, savesBefore);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(store->builtInScenes(), MonitorScene::builtInDefaults());
    QCOMPARE(names(store->customScenes()), (QStringList{"A", "B", "C"}));

    MonitorScene changedB = b;
    changedB.name = QStringLiteral("B2");
    changedB.brightness.reset();
    changedB.input = MonitorInput::displayPort;
    changedB.kind = MonitorScene::Kind::builtIn;
    store->update(changedB);
    changedB.kind = MonitorScene::Kind::custom;
    QCOMPARE(store->customScenes(), (QList<MonitorScene>{a, changedB, c}));
    QCOMPARE(decodedOrEmpty(settings.value(sceneKey)), (QList<MonitorScene>{a, changedB, c}));
    QCOMPARE(storage->saves, savesBefore + 1);
    QCOMPARE(changed.count(), 1);

    // The same values again are saved (a retry after a failed save) but change nothing to announce.
    store->update(changedB);
    QCOMPARE(storage->saves, savesBefore + 2);
    QCOMPARE(changed.count(), 1);
}

void TestSceneStore::removeRules() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    const MonitorScene a = makeScene("A", 1), b = makeScene("B", 2);
    MonitorScene twin = makeScene("A twin", 3);
    twin.id = a.id;
    // Only a stored blob can hold two scenes with one id; removing that id takes both.
    settings.setValue(sceneKey, MonitorScene::encodeList({a, b, twin}));
    auto [store, storage] = openStore(settings);
    QSignalSpy changed(store.get(), &MonitorSceneStore::customScenesChanged);

    store->remove(QUuid::createUuid());
    store->remove(MonitorScene::work().id);
    QCOMPARE(storage->saves, 0);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(store->customScenes().size(), 3);
    QCOMPARE(store->builtInScenes(), MonitorScene::builtInDefaults());

    store->remove(a.id);
    QCOMPARE(store->customScenes(), QList<MonitorScene>{b});
    QCOMPARE(decodedOrEmpty(settings.value(sceneKey)), QList<MonitorScene>{b});
    QCOMPARE(storage->saves, 1);
    QCOMPARE(changed.count(), 1);
}

void TestSceneStore::unreadableBlob_data() {
    QTest::addColumn<QByteArray>("blob");
    QTest::addColumn<QString>("reason");

    const QByteArray good = MonitorScene::encodeList({makeScene("Kept", 20)});
    QTest::newRow("not JSON") << QByteArray("[{\"id\": oops") << "not valid JSON";
    QTest::newRow("not an array") << QByteArray("{\"scenes\":[]}") << "not a JSON array";
    QTest::newRow("unknown input in one element")
        << QByteArray(good.chopped(1) + R"(,{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"x",)"
                                        R"("symbol":"y","kind":"custom","input":"HDMI1"}])")
        << "Scene 2 of 2: Unknown monitor input: HDMI1";
    QTest::newRow("kind missing")
        << QByteArray(R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"x","symbol":"y"}])")
        << "\"kind\" is missing";
}

void TestSceneStore::unreadableBlob() {
    QFETCH(QByteArray, blob);
    QFETCH(QString, reason);

    QSettings settings(settingsPath(), QSettings::IniFormat);
    settings.setValue(sceneKey, blob);
    auto [store, storage] = openStore(settings);
    QSignalSpy errorChanged(store.get(), &MonitorSceneStore::persistenceErrorChanged);

    QVERIFY(store->customScenes().isEmpty());
    QVERIFY(store->persistenceError().has_value());
    QVERIFY2(store->persistenceError()->startsWith("Could not read your saved scenes."),
             qPrintable(*store->persistenceError()));
    QVERIFY2(store->persistenceError()->contains(reason), qPrintable(*store->persistenceError()));
    // Nothing is touched until something has to be saved.
    QCOMPARE(settings.value(sceneKey).toByteArray(), blob);
    QVERIFY(!settings.contains(backupKey));
    QCOMPARE(storage->saves + storage->backups, 0);

    // A remove or update has nothing to act on and must not write either.
    store->remove(QUuid::createUuid());
    store->update(makeScene("Nothing", 1));
    QCOMPARE(storage->saves + storage->backups, 0);

    const MonitorScene added = makeScene("New", 44);
    store->add(added);
    QCOMPARE(settings.value(backupKey).toByteArray(), blob);
    QCOMPARE(decodedOrEmpty(settings.value(sceneKey)), QList<MonitorScene>{added});
    QVERIFY(!store->persistenceError().has_value());
    QCOMPARE(errorChanged.count(), 1);
    QCOMPARE(customScenesAfterRestart(settingsPath()), QList<MonitorScene>{added});

    // The unreadable blob is set aside once; later saves leave the backup alone.
    store->add(makeScene("Newer", 45));
    QCOMPARE(storage->backups, 1);
    QCOMPARE(storage->saves, 2);
    QCOMPARE(settings.value(backupKey).toByteArray(), blob);
}

void TestSceneStore::newestUnreadableBlobIsKept() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    settings.setValue(backupKey, QByteArray("older unreadable scenes"));
    settings.setValue(sceneKey, QByteArray("newer unreadable scenes"));
    auto [store, storage] = openStore(settings);
    QVERIFY(store->persistenceError().has_value());

    store->add(makeScene("New", 44));
    QCOMPARE(settings.value(backupKey).toByteArray(), QByteArray("newer unreadable scenes"));
    QCOMPARE(decodedOrEmpty(settings.value(sceneKey)).size(), 1);
}

void TestSceneStore::unreadableBlobSurvivesFailedBackup() {
    auto owned = std::make_unique<MemoryStorage>();
    MemoryStorage* storage = owned.get();
    storage->blob = QByteArray("not scenes");
    storage->writable = false;
    MonitorSceneStore store(std::move(owned), MonitorScene::builtInDefaults());

    const MonitorScene first = makeScene("First", 1);
    store.add(first);
    // Without a backup the unreadable blob must not be replaced.
    QCOMPARE(storage->calls, QStringList{"saveBackup"});
    QCOMPARE(storage->blob, QByteArray("not scenes"));
    QCOMPARE(store.persistenceError().value_or(QString()),
             QStringLiteral("Could not save your scenes: the settings file is not writable."));
    QCOMPARE(store.customScenes(), QList<MonitorScene>{first});

    storage->writable = true;
    storage->calls.clear();
    const MonitorScene second = makeScene("Second", 2);
    store.add(second);
    QCOMPARE(storage->calls, (QStringList{"saveBackup", "save"}));
    QCOMPARE(storage->backup, QByteArray("not scenes"));
    QCOMPARE(decodedOrEmpty(*storage->blob), (QList<MonitorScene>{first, second}));
    QVERIFY(!store.persistenceError().has_value());
}

void TestSceneStore::unwritableSettings_data() {
    QTest::addColumn<bool>("throughRegularFile");
    // Root ignores permission bits, so only the first setup works for every user.
    QTest::newRow("directory path goes through a regular file") << true;
    QTest::newRow("read-only file and directory") << false;
}

void TestSceneStore::unwritableSettings() {
    QFETCH(bool, throughRegularFile);
    const QString dir = m_dir->filePath(QStringLiteral("settings"));
    const QString path = dir + QStringLiteral("/velmar.conf");
    const MonitorScene stored = makeScene("Stored earlier", 5);
    if (throughRegularFile) {
        QFile blocker(dir);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    } else {
        QVERIFY(QDir().mkpath(dir));
        {
            QSettings settings(path, QSettings::IniFormat);
            settings.setValue(sceneKey, MonitorScene::encodeList({stored}));
        }
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
    }
    {
        QSettings probe(dir + QStringLiteral("/probe.conf"), QSettings::IniFormat);
        probe.setValue(QStringLiteral("probe"), 1);
        probe.sync();
        if (probe.status() != QSettings::AccessError)
            QSKIP("This user can write the settings file anyway");
    }
    const QList<MonitorScene> before =
        throughRegularFile ? QList<MonitorScene>{} : QList<MonitorScene>{stored};
    const QString notWritable =
        QStringLiteral("Could not save your scenes: the settings file is not writable.");

    QSettings settings(path, QSettings::IniFormat);
    auto [store, storage] = openStore(settings);
    QCOMPARE(store->customScenes(), before);
    QSignalSpy errorChanged(store.get(), &MonitorSceneStore::persistenceErrorChanged);

    const MonitorScene first = makeScene("First", 11);
    store->add(first);
    QCOMPARE(store->persistenceError().value_or(QString()), notWritable);
    QCOMPARE(store->customScenes(), before + QList<MonitorScene>{first});
    QCOMPARE(errorChanged.count(), 1);

    // Every further failed save keeps saying so.
    const MonitorScene second = makeScene("Second", 12);
    store->add(second);
    store->remove(first.id);
    QCOMPARE(store->persistenceError().value_or(QString()), notWritable);
    QCOMPARE(errorChanged.count(), 1);
    QCOMPARE(store->customScenes(), before + QList<MonitorScene>{second});

    // Once the file can be written again, the next change saves everything and clears the text.
    if (throughRegularFile) {
        QVERIFY(QFile::remove(dir));
        QVERIFY(QDir().mkpath(dir));
    } else {
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    }
    const MonitorScene third = makeScene("Third", 13);
    store->add(third);
    QVERIFY(!store->persistenceError().has_value());
    QCOMPARE(errorChanged.count(), 2);
    QCOMPARE(customScenesAfterRestart(path), (before + QList<MonitorScene>{second, third}));
}

void TestSceneStore::unencodableSceneKeepsLastSavedList() {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    auto [store, storage] = openStore(settings);
    const MonitorScene good = makeScene("Good", 30);
    store->add(good);

    const MonitorScene broken = makeScene("Broken", std::nan(""));
    store->add(broken);
    QVERIFY(store->persistenceError().has_value());
    QVERIFY2(store->persistenceError()->startsWith("Could not save your scenes."),
             qPrintable(*store->persistenceError()));
    QVERIFY(store->persistenceError()->contains("Broken"));
    QCOMPARE(store->customScenes().size(), 2);
    QCOMPARE(storage->saves, 1);
    QCOMPARE(customScenesAfterRestart(settingsPath()), QList<MonitorScene>{good});

    store->remove(broken.id);
    QVERIFY(!store->persistenceError().has_value());
    QCOMPARE(storage->saves, 2);
}

QTEST_GUILESS_MAIN(TestSceneStore)
#include "tst_scenestore.moc"
