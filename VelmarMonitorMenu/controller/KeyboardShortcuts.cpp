#include "KeyboardShortcuts.h"

#include "scenes/MonitorScene.h"
#include "scenes/MonitorSceneStore.h"
#include "SettingsFile.h"


namespace {

constexpr auto group = "shortcuts/";
constexpr auto stepKey = "shortcuts/step";
constexpr auto brightnessKeysKey = "shortcuts/brightnessKeys";
// The keyboard's own brightness keys, asked for beside the actions' keys.
constexpr auto brightnessKeyUp = "brightnessKeys/up";
constexpr auto brightnessKeyDown = "brightnessKeys/down";

} // namespace

KeyboardShortcuts::KeyboardShortcuts(SettingsFile& settings, MonitorSceneStore& scenes, GlobalShortcuts& desktop,
                                     QObject* parent)
    : QObject(parent), m_settings(settings), m_scenes(scenes), m_desktop(desktop),
      m_brightnessKeys(settings.storedSwitch(QLatin1String(brightnessKeysKey))) {
    const auto stored = settings.storedNumber(QLatin1String(stepKey), 0, 100);
    m_step = stored && (*stored == 5 || *stored == 10) ? int(*stored) : defaultStep;
    connect(&m_desktop, &GlobalShortcuts::activated, this, [this](const QString& id) {
        if (id == QLatin1String(brightnessKeyUp))
            emit triggered(QLatin1String(brightnessUp));
        else if (id == QLatin1String(brightnessKeyDown))
            emit triggered(QLatin1String(brightnessDown));
        else
            emit triggered(id);
    });
    connect(&m_desktop, &GlobalShortcuts::stateChanged, this, &KeyboardShortcuts::stateChanged);
    // A scene that comes gets a row; one that goes is no longer asked for (its key stays stored,
    // harmless, should a damaged scene list come back).
    connect(&m_scenes, &MonitorSceneStore::customScenesChanged, this, [this] {
        bind();
        emit changed();
    });
    bind();
}

QString KeyboardShortcuts::sceneId(const QUuid& scene) {
    return QStringLiteral("scene/") + uuidText(scene);
}

std::optional<QUuid> KeyboardShortcuts::sceneFromId(const QString& id) {
    if (!id.startsWith(QLatin1String("scene/")))
        return std::nullopt;
    return uuidFromText(id.mid(6));
}

QList<KeyboardShortcuts::Action> KeyboardShortcuts::actions() const {
    QList<Action> all{{QLatin1String(brightnessUp), tr("Brightness up"), {}},
                      {QLatin1String(brightnessDown), tr("Brightness down"), {}},
                      {QLatin1String(volumeUp), tr("Volume up"), {}},
                      {QLatin1String(volumeDown), tr("Volume down"), {}},
                      {QLatin1String(nightMode), tr("Night Mode"), {}},
                      {QLatin1String(adaptiveBrightness), tr("Adaptive brightness"), {}},
                      {QLatin1String(nextInput), tr("Next input"), {}}};
    for (const auto& scene : m_scenes.allScenes())
        all.append({sceneId(scene.id), scene.name, scene.id});
    return all;
}

QString KeyboardShortcuts::storedKeyName(const QString& id) const {
    return QLatin1String(group) + id;
}

QKeySequence KeyboardShortcuts::keys(const QString& id) const {
    const QVariant stored = m_settings.value(storedKeyName(id));
    if (stored.typeId() != QMetaType::QString)
        return {};
    // One key combination; text that names no key is no shortcut.
    const QKeySequence read = QKeySequence::fromString(stored.toString(), QKeySequence::PortableText);
    if (read.isEmpty() || read[0].key() == Qt::Key_unknown || read[0].key() == 0)
        return {};
    return QKeySequence(read[0]);
}

void KeyboardShortcuts::setKeys(const QString& id, const QKeySequence& keys) {
    if (keys.isEmpty()) {
        m_settings.remove(storedKeyName(id));
    } else {
        const QKeySequence single(keys[0]);
        // One key does one thing: the action that had it gives it up.
        for (const auto& other : actions()) {
            if (other.id != id && this->keys(other.id) == single)
                m_settings.remove(storedKeyName(other.id));
        }
        m_settings.store(storedKeyName(id), single.toString(QKeySequence::PortableText));
    }
    bind();
    emit changed();
}

void KeyboardShortcuts::setStep(int step) {
    if (step != 5 && step != 10)
        return;
    m_settings.store(QLatin1String(stepKey), step);
    if (step == m_step)
        return;
    m_step = step;
    emit changed();
}

void KeyboardShortcuts::setUsesBrightnessKeys(bool uses) {
    m_settings.store(QLatin1String(brightnessKeysKey), uses);
    if (uses == m_brightnessKeys)
        return;
    m_brightnessKeys = uses;
    bind();
    emit changed();
}

void KeyboardShortcuts::bind() {
    QList<GlobalShortcuts::Shortcut> wanted;
    for (const auto& action : actions()) {
        if (const auto sequence = keys(action.id); !sequence.isEmpty())
            wanted.append({action.id, action.title, sequence});
    }
    if (m_brightnessKeys) {
        wanted.append({QLatin1String(brightnessKeyUp), tr("Brightness up"), QKeySequence(Qt::Key_MonBrightnessUp)});
        wanted.append(
            {QLatin1String(brightnessKeyDown), tr("Brightness down"), QKeySequence(Qt::Key_MonBrightnessDown)});
    }
    m_desktop.setShortcuts(wanted);
}
