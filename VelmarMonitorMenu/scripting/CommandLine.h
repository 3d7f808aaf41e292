#pragma once

#include <QDBusConnection>
#include <QStringList>

class QTextStream;

// The program's command line when it is given a command instead of being started: it drives the
// running instance through its bus interface and ends. This is what keyboard shortcuts run.
namespace CommandLine {

/// How a command ended, as its exit status.
enum ExitStatus : int {
    succeeded = 0,
    refused = 1,      // the instance refused or failed the command
    badArguments = 2, // nothing was changed
    notRunning = 3,   // no instance answers on the session bus
};

/// Whether `arguments` (the program's path first) hold a command, --help or --version; without
/// one the program starts as usual.
bool isCommand(const QStringList& arguments);

/// Carries out the commands against the instance on `bus`, writing --status and --help to `out`
/// and every problem to `err`. Needs a QCoreApplication.
int run(const QStringList& arguments, QDBusConnection bus, QTextStream& out, QTextStream& err);

} // namespace CommandLine
