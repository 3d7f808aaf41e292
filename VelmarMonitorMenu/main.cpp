#include "controller/ConnectedMonitors.h"
#include "controller/MonitorController.h"
#include "scenes/InputScenePreferenceStore.h"
#include "scenes/MonitorSceneStore.h"
#include "scripting/ScriptedChanges.h"
#include "system/BuiltInDisplayBrightnessReadingSource.h"
#include "system/ProgramInstance.h"
#include "system/TerminationRequests.h"
#include "ui/VelmarMonitorMenuApp.h"

#include <QApplication>
#include <QSettings>

#include <cstdio>

namespace {

void nameApplication() {
    QCoreApplication::setOrganizationName(QStringLiteral("Velmar"));
    QCoreApplication::setApplicationName(QStringLiteral("VelmarMonitor"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMAR_VERSION));
}

QStringList argumentList(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// A command for the running instance (what a keyboard shortcut runs) needs neither a display
// nor the widgets: it is quick, and works from a terminal without a desktop.
int runCommand(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    nameApplication();
    return ProgramInstance::runCommand();
}

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
}

} // namespace

int main(int argc, char* argv[]) {
    if (ProgramInstance::isCommand(argumentList(argc, argv)))
        return runCommand(argc, argv);

    QApplication app(argc, argv);
    nameApplication();
    QApplication::setApplicationDisplayName(QStringLiteral("Velmar Monitor"));
    // The installed desktop entry's name, so the desktop matches windows and the tray to it.
    QApplication::setDesktopFileName(QStringLiteral(VELMAR_APP_ID));
    // A tray utility: closing a window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt has taken its own options (-platform, -style, ...); anything left is a mistyped command.
    if (const auto rest = QCoreApplication::arguments().mid(1); !rest.isEmpty()) {
        std::fprintf(stderr, "velmar-monitor: unknown option \"%s\". (See --help.)\n",
                     qPrintable(rest.first()));
        return ProgramInstance::badArgumentsStatus;
    }

    ProgramInstance instance;
    if (!instance.claim())
        return 0; // the running instance shows its window instead

    QSettings settings;
    MonitorSceneStore sceneStore(std::make_unique<SettingsMonitorSceneStorage>(settings),
                                 MonitorScene::builtInDefaults());
    const auto brightnessReader = makeSystemBuiltInDisplayBrightnessReader();
    InputScenePreferenceStore inputScenePreferences(settings, QStringLiteral("inputScenePreferences"));

    MonitorControllerEnvironment environment;
    environment.settings = &settings;
    // The views and scripts speak to the main monitor's controller, the same object all along.
    ConnectedMonitors monitors(sceneStore, *brightnessReader, inputScenePreferences, std::move(environment));
    MonitorController& monitor = monitors.main();

    VelmarMonitorMenuApp shell(monitors);
    QObject::connect(&instance, &ProgramInstance::activationRequested, &shell,
                     &VelmarMonitorMenuApp::raiseWindow);
    // Scripts and keyboard shortcuts reach every monitor's controller where the platform lets
    // them; what they change is shown on screen for a moment.
    const std::unique_ptr<ScriptAccess> scripting = instance.serveScripts(monitors);
    if (scripting)
        showOnScreen(scripting->changes(), shell);
    // Quitting, and being told to end from outside (logout, a terminal, a service manager), both
    // end cleanly: no helper left running, settings on disk.
    TerminationRequests termination;
    QObject::connect(&termination, &TerminationRequests::requested, &shell, &VelmarMonitorMenuApp::quit);
    QObject::connect(&shell, &VelmarMonitorMenuApp::ended, &app, [] { QCoreApplication::exit(0); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &settings, [&settings] { settings.sync(); });
    shell.start();
    return app.exec();
}
