// The custom scenes' blob as read back from the settings file, where anything may have been
// written: decoded alone (each scene in it through the single scene's decoder), and loaded by the
// scene store.
#include "FuzzCheck.h"

#include "scenes/MonitorScene.h"
#include "scenes/MonitorSceneStore.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace {

struct Settings {
    std::optional<QByteArray> blob;
    std::optional<QByteArray> backup;
};

// The settings file, in memory and always writable; the fuzzer keeps what the store wrote.
class MemoryStorage : public MonitorSceneStorage {
public:
    explicit MemoryStorage(Settings& settings) : m_settings(settings) {}
    std::optional<QByteArray> load() override { return m_settings.blob; }
    bool save(const QByteArray& data) override {
        m_settings.blob = data;
        return true;
    }
    bool saveBackup(const QByteArray& data) override {
        m_settings.backup = data;
        return true;
    }
    std::unique_ptr<Lock> lock(LockFailure&) override { return std::make_unique<Lock>(); }

private:
    Settings& m_settings;
};

std::unique_ptr<MonitorSceneStore> openStore(Settings& settings) {
    return std::make_unique<MonitorSceneStore>(std::make_unique<MemoryStorage>(settings),
                                               MonitorScene::builtInDefaults());
}

QList<MonitorScene> asCustom(QList<MonitorScene> scenes) {
    for (auto& scene : scenes)
        scene.kind = MonitorScene::Kind::custom;
    return scenes;
}

// What the monitor and the sliders are given: never a value off their 0…100 scale.
void checkOnScale(const MonitorScene& scene) {
    const auto onScale = [](const std::optional<double>& value) {
        return !value || (*value >= 0 && *value <= 100);
    };
    require(onScale(scene.brightness) && onScale(scene.contrast) && onScale(scene.volume),
            "decoded brightness, contrast and volume lie within 0…100");
    require(!scene.rgb || (onScale(scene.rgb->red) && onScale(scene.rgb->green) && onScale(scene.rgb->blue)),
            "decoded colour gains lie within 0…100");
}

void checkDecodedList(const std::optional<QList<MonitorScene>>& scenes, const QString& error) {
    if (!scenes) {
        require(!error.isEmpty(), "a list that fails to decode says why");
        return;
    }
    for (const auto& scene : *scenes)
        checkOnScale(scene);
    // Whatever was read must be writable again, or the store could never save the user's scenes.
    require(!MonitorScene::encodingError(*scenes).has_value(), "decoded scenes have a JSON form");
    const auto again = MonitorScene::decodeList(MonitorScene::encodeList(*scenes));
    require(again.has_value(), "encoded scenes decode");
    require(*again == *scenes, "scenes keep every field through encodeList and decodeList");
}

void checkStore(const QByteArray& data, const std::optional<QList<MonitorScene>>& scenes,
                const QString& error) {
    Settings settings{.blob = data};
    const auto store = openStore(settings);
    if (!scenes) {
        require(store->customScenes().isEmpty(), "an unreadable blob loads no scenes");
        require(store->persistenceError() == error,
                "an unreadable blob is reported with the decoder's reason");
        // The first save keeps the unreadable blob aside before it replaces it.
        MonitorScene added;
        added.id = QUuid::fromString(QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"));
        added.name = QStringLiteral("Added");
        store->add(added);
        require(settings.backup == data, "the unreadable blob is kept as it was");
        return;
    }
    require(!store->persistenceError().has_value(), "a readable blob loads without error");
    require(store->customScenes() == asCustom(*scenes), "the store loads the decoded scenes as custom ones");
    if (scenes->isEmpty())
        return;
    // Saved and loaded again, the store has the same scenes.
    store->update(store->customScenes().first());
    require(!store->persistenceError().has_value(), "loaded scenes save");
    const auto reopened = openStore(settings);
    require(reopened->customScenes() == store->customScenes(), "saved scenes load as they were");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray blob(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const auto scenes = MonitorScene::decodeList(blob, &error);
    checkDecodedList(scenes, error);
    checkStore(blob, scenes, error);
    return 0;
}
