#include "Program.h"

#include "controller/KeyboardShortcuts.h"
#include "controller/ProgramModel.h"
#include "scenes/MonitorSceneStore.h"
#include "scripting/ProgramInstance.h"
#include "scripting/ScriptedChanges.h"
#include "scripting/ShortcutActions.h"
#include "system/GlobalShortcuts.h"
#include "system/BuiltInDisplayBrightnessReadingSource.h"
#include "system/TerminationRequests.h"
#include "ui/VelmarMonitorMenuApp.h"

#include <QGuiApplication>
#include <QSettings>

namespace {

// What a script or a keyboard shortcut changes shows on screen for a moment, on the monitor it
// changed.
void showOnScreen(const ScriptedChanges& changes, VelmarMonitorMenuApp& shell) {
    QObject::connect(&changes, &ScriptedChanges::valueRequested, &shell,
                     &VelmarMonitorMenuApp::showValueChange);
    QObject::connect(&changes, &ScriptedChanges::inputRequested, &shell,
                     &VelmarMonitorMenuApp::showInputChange);
    QObject::connect(&changes, &ScriptedChanges::sceneRequested, &shell,
                     &VelmarMonitorMenuApp::showSceneChange);
    QObject::connect(&changes, &ScriptedChanges::nightModeRequested, &shell,
                     &VelmarMonitorMenuApp::showNightModeChange);
    QObject::connect(&changes, &ScriptedChanges::adaptiveRequested, &shell,
                     &VelmarMonitorMenuApp::showAdaptiveChange);
}

ProgramEnvironment environmentOver(QSettings& settings) {
    ProgramEnvironment environment;
    environment.settings = &settings;
    environment.globalShortcuts = makeSystemGlobalShortcuts();
    return environment;
}

} // namespace

// In the order they are built; they go in the reverse order.
struct Program::Parts {
    explicit Parts(ProgramInstance& instance)
        : sceneStore(std::make_unique<SettingsMonitorSceneStorage>(settings), MonitorScene::builtInDefaults()),
          brightnessReader(makeSystemBuiltInDisplayBrightnessReader()),
          model(sceneStore, *brightnessReader, environmentOver(settings)), shell(model),
          keys(model, model.keyboardShortcuts()), scripting(instance.serveScripts(model)) {}

    QSettings settings;
    MonitorSceneStore sceneStore;
    std::unique_ptr<BuiltInDisplayBrightnessReadingSource> brightnessReader;
    // The monitors and what acts over all of them, which the views and scripts act on.
    ProgramModel model;
    VelmarMonitorMenuApp shell;
    // The program's own keys, grabbed for its whole life whether or not a window is open.
    ShortcutActions keys;
    // Scripts reach every monitor's controller where the platform lets them.
    std::unique_ptr<ScriptAccess> scripting;
    TerminationRequests termination;
};

Program::Program(ProgramInstance& instance, QObject* parent)
    : QObject(parent), d(std::make_unique<Parts>(instance)) {
    connect(&instance, &ProgramInstance::activationRequested, &d->shell, &VelmarMonitorMenuApp::raiseWindow);
    showOnScreen(d->keys.changes(), d->shell);
    if (d->scripting)
        showOnScreen(d->scripting->changes(), d->shell);
    // Quitting, and being told to end from outside (logout, a terminal, a service manager), both
    // end cleanly: no helper left running, settings on disk.
    connect(&d->termination, &TerminationRequests::requested, &d->shell, &VelmarMonitorMenuApp::quit);
    connect(&d->shell, &VelmarMonitorMenuApp::ended, this, &Program::ended);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, [this] { d->settings.sync(); });
}

Program::~Program() = default;

void Program::start() {
    d->shell.start();
}
