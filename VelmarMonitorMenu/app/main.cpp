#include "app/Program.h"
#include "scripting/ProgramInstance.h"

#include <QApplication>

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

    Program program(instance);
    QObject::connect(&program, &Program::ended, &app, [] { QCoreApplication::exit(0); });
    program.start();
    return app.exec();
}
