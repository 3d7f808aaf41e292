#include "controller/MonitorController.h"
#include "scenes/InputScenePreferenceStore.h"
#include "scenes/MonitorSceneStore.h"
#include "system/BuiltInDisplayBrightnessReadingSource.h"
#include "system/TerminationRequests.h"
#include "ui/SingleInstance.h"
#include "ui/VelmarMonitorMenuApp.h"

#include <QApplication>
#include <QSettings>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Velmar"));
    QApplication::setApplicationName(QStringLiteral("VelmarMonitor"));
    QApplication::setApplicationDisplayName(QStringLiteral("Velmar Monitor"));
    QApplication::setApplicationVersion(QStringLiteral(VELMAR_VERSION));
    // The installed desktop entry's name, so the desktop matches windows and the tray to it.
    QApplication::setDesktopFileName(QStringLiteral(VELMAR_APP_ID));
    // A tray utility: closing a window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    if (!instance.claim())
        return 0; // the running instance shows its window instead

    QSettings defaults;
    MonitorSceneStore sceneStore(std::make_unique<UserDefaultsMonitorSceneStorage>(defaults),
                                 MonitorScene::builtInDefaults());
    const auto brightnessReader = makeSystemBuiltInDisplayBrightnessReader();
    InputScenePreferenceStore inputScenePreferences(defaults, QStringLiteral("inputScenePreferences"));

    MonitorControllerEnvironment environment;
    environment.defaults = &defaults;
    MonitorController monitor(sceneStore, *brightnessReader, inputScenePreferences, std::move(environment));

    VelmarMonitorMenuApp shell(monitor);
    QObject::connect(&instance, &SingleInstance::activationRequested, &shell,
                     &VelmarMonitorMenuApp::raiseWindow);
    // Quitting, and being told to end from outside (logout, a terminal, a service manager), both
    // end cleanly: no helper left running, settings on disk.
    TerminationRequests termination;
    QObject::connect(&termination, &TerminationRequests::requested, &shell, &VelmarMonitorMenuApp::quit);
    QObject::connect(&shell, &VelmarMonitorMenuApp::ended, &app, [] { QCoreApplication::exit(0); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &defaults, [&defaults] { defaults.sync(); });
    shell.start();
    return app.exec();
}
