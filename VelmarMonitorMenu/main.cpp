#include "controller/MonitorController.h"
#include "scenes/InputScenePreferenceStore.h"
#include "scenes/MonitorSceneStore.h"
#include "system/BuiltInDisplayBrightnessReadingSource.h"
#include "ui/TrayApplication.h"

#include <QApplication>
#include <QSettings>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Velmar"));
    QApplication::setApplicationName(QStringLiteral("VelmarMonitor"));
    QApplication::setApplicationDisplayName(QStringLiteral("Velmar Monitor"));
    QApplication::setApplicationVersion(QStringLiteral(VELMAR_VERSION));
    // A tray utility: closing a window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    QSettings defaults;
    MonitorSceneStore sceneStore(std::make_unique<UserDefaultsMonitorSceneStorage>(defaults),
                                 MonitorScene::builtInDefaults());
    const auto brightnessReader = makeSystemBuiltInDisplayBrightnessReader();
    InputScenePreferenceStore inputScenePreferences(defaults, QStringLiteral("inputScenePreferences"));

    MonitorControllerEnvironment environment;
    environment.defaults = &defaults;
    MonitorController monitor(sceneStore, *brightnessReader, inputScenePreferences, std::move(environment));

    TrayApplication tray(monitor);
    monitor.start();
    return app.exec();
}
