// Scenes on the controller's side: applying them, tracking the active one, saving,
// duplicating and deleting, and the preferred scene of each input.
#include "MonitorController.h"

#include "async/Pause.h"
#include "MonitorSettings.h"
#include "SettingsFile.h"
#include "MonitorValue.h"
#include "NightMode.h"
#include "PacedCommands.h"
#include "RunningTask.h"
#include "scenes/InputScenePreferenceStore.h"
#include "scenes/MonitorSceneMatcher.h"
#include "scenes/MonitorSceneStore.h"

using namespace std::chrono_literals;

void MonitorController::apply(const MonitorScene& scene) {
    if (m_isApplyingScene)
        return;
    applyScene(scene, true);
}

QCoro::Task<> MonitorController::applyScene(MonitorScene scene, bool switchesInput) {
    if (m_isApplyingScene)
        co_return; // dropped, not queued
    const auto lifetime = m_lifetime;
    const RunningTask running(m_writes.runningTasks, m_lifetime);
    setApplyingScene(true);

    // No delayed slider write may land after the scene's values.
    m_writes.cancelPending();

    emit adjustedByHand();

    auto fail = [this, &scene](const ClientError& error) {
        // What was written stays written, on the monitor and in the sliders; no rollback.
        setActiveSceneID(std::nullopt);
        setStatus(tr("Could not apply %1: %2").arg(scene.name, error.errorDescription()), true);
        setApplyingScene(false);
    };

    std::vector<std::pair<MonitorFeature, double>> values;
    if (scene.brightness)
        values.emplace_back(MonitorFeature::brightness, *scene.brightness);
    if (scene.contrast)
        values.emplace_back(MonitorFeature::contrast, *scene.contrast);
    if (scene.volume)
        values.emplace_back(MonitorFeature::volume, *scene.volume);
    if (scene.rgb) {
        values.emplace_back(MonitorFeature::red, scene.rgb->red);
        values.emplace_back(MonitorFeature::green, scene.rgb->green);
        values.emplace_back(MonitorFeature::blue, scene.rgb->blue);
    }
    // Each write waits out its own spacing afterwards, so the sequence needs no gap of its own.
    const auto write = [this](const auto& value) { return writeSceneValue(value.first, value.second); };
    const auto show = [this](const auto& value) { setValue(value.first, value.second); };
    const auto failure = co_await runPaced(values, 0ms, OnFailure::stop, lifetime, write, show);
    if (lifetime->isCancelled())
        co_return;
    if (failure) {
        fail(*failure);
        co_return;
    }

    if (switchesInput && scene.input && scene.input != m_activeInput) {
        ++m_writes.inputChoices;
        const auto switched = co_await selectInput(*scene.input);
        if (lifetime->isCancelled())
            co_return;
        if (!switched) {
            fail(switched.error());
            co_return;
        }
        setActiveInput(scene.input);
    }

    // A scene ends Night Mode without restoring: its own values are what the user asked for.
    if (m_nightMode->isOn())
        m_nightMode->end();

    setActiveSceneID(scene.id);
    setStatus(tr("%1 • Applied").arg(scene.name), false);
    setApplyingScene(false);
}

QCoro::Task<Result<void>> MonitorController::writeSceneValue(MonitorFeature feature, double value) {
    const auto lifetime = m_lifetime;
    const auto result = co_await m_ddc->write(feature, wholeMonitorValue(value));
    if (lifetime->isCancelled())
        co_return ClientError::cancelled();
    if (!result)
        co_return result;
    markLoaded(feature);
    co_await pause(m_timings.valueSetWritePause, lifetime); // cut short only when we are going away
    co_return Result<void>{};
}

MonitorSceneState MonitorController::sceneState() const {
    return {m_brightness, m_contrast, m_volume, m_red, m_green, m_blue, m_activeInput};
}

void MonitorController::updateActiveSceneMatch() {
    if (!m_loadedFeatures.contains(MonitorFeature::brightness))
        return; // the default values say nothing about the monitor yet
    const auto match =
        MonitorSceneMatcher::matchingScene(sceneState(), m_sceneStore.allScenes(), sceneMatchTolerance);
    setActiveSceneID(match ? std::optional<QUuid>(match->id) : std::nullopt);
}

QCoro::Task<> MonitorController::applyPreferredSceneForCurrentInput() {
    if (!m_perInputScenesEnabled || !m_activeInput)
        co_return;
    const auto id = preferredSceneID(*m_activeInput);
    if (!id)
        co_return;
    const auto scene = m_sceneStore.scene(*id);
    if (!scene)
        co_return; // a deleted scene is no preference
    if (m_activeSceneID == scene->id)
        co_return; // already applied
    co_await applyScene(*scene, false);
}

void MonitorController::updateScene(const MonitorScene& scene) {
    m_sceneStore.update(scene);
    // The edited values may no longer be what the monitor shows.
    if (m_activeSceneID == scene.id)
        setActiveSceneID(std::nullopt);
}

void MonitorController::saveCurrentSettingsAsScene(const QString& name, const QString& symbol) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return;
    MonitorScene scene;
    scene.id = QUuid::createUuid();
    scene.name = trimmed;
    scene.symbol = symbol;
    scene.kind = MonitorScene::Kind::custom;
    scene.brightness = m_brightness;
    scene.contrast = m_contrast;
    scene.volume = m_volume;
    scene.rgb = MonitorScene::RGB{m_red, m_green, m_blue};
    m_sceneStore.add(scene);
    setActiveSceneID(scene.id);
}

void MonitorController::duplicateScene(const MonitorScene& scene) {
    MonitorScene copy = scene;
    copy.id = QUuid::createUuid();
    copy.name = tr("%1 Copy").arg(scene.name);
    copy.kind = MonitorScene::Kind::custom;
    m_sceneStore.add(copy);
}

void MonitorController::deleteScene(const MonitorScene& scene) {
    if (scene.kind == MonitorScene::Kind::builtIn)
        return;
    m_sceneStore.remove(scene.id);
    if (m_activeSceneID == scene.id)
        setActiveSceneID(std::nullopt);
    // Input preferences naming the scene stay; a missing scene simply counts as no preference.
}

std::optional<QUuid> MonitorController::preferredSceneID(MonitorInput input) const {
    const auto text = m_inputScenePreferences->sceneIdentifier(rawValue(input));
    if (!text)
        return std::nullopt;
    return uuidFromText(*text);
}

void MonitorController::setPreferredSceneID(MonitorInput input, std::optional<QUuid> sceneID) {
    m_inputScenePreferences->setSceneID(sceneID, rawValue(input));
    m_settingsFile->checkSoon();
}

void MonitorController::setPerInputScenesEnabled(bool enabled) {
    assign(m_perInputScenesEnabled, enabled, &MonitorController::perInputScenesEnabledChanged);
    m_settings->setPerInputScenesEnabled(enabled);
}
