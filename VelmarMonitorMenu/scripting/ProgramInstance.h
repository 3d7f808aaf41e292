#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

class ProgramModel;
class ScriptedChanges;

/// Scripts' way to the controller, open for as long as this object lives; it must not outlive
/// the ProgramInstance that opened it.
class ScriptAccess {
public:
    virtual ~ScriptAccess() = default;
    /// The changes scripts asked for, once the controller has taken them on.
    virtual const ScriptedChanges& changes() const = 0;
};

// This process as the user's one Velmar Monitor, and what reaches it from outside: a later
// launch asking it to show itself and, where the platform offers it, scripts. One
// implementation per platform, chosen in CMake: on Linux a name on the session bus, which also
// serves scripts and the command line's commands; on macOS a lock and a local socket in the
// user's own temporary folder, without scripting so far.
class ProgramInstance : public QObject {
    Q_OBJECT
public:
    /// The exit status of a start with arguments that are neither Qt's nor a command.
    static constexpr int badArgumentsStatus = 2;

    explicit ProgramInstance(QObject* parent = nullptr);
    ~ProgramInstance() override;

    /// Whether `arguments` (the program's path first) hold a command for the running instance
    /// instead of a start of the program; never where the platform offers no scripting.
    static bool isCommand(const QStringList& arguments);
    /// Carries out such a command against the running instance and gives its exit status.
    /// Needs a QCoreApplication.
    static int runCommand();

    /// True when this process is the first instance; false when another one runs, which has
    /// been asked to show itself.
    bool claim();
    /// Once claimed: opens every monitor's controller to scripts; null where the platform offers
    /// none, or when another process serves them.
    std::unique_ptr<ScriptAccess> serveScripts(ProgramModel& model);

signals:
    /// A later launch asked this instance to show itself.
    void activationRequested();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
