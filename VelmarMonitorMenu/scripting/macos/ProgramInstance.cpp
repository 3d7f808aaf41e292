#include "scripting/ProgramInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace {

// Both live in the user's own temporary folder ($TMPDIR is private to each user on macOS).
const QString instanceName = QStringLiteral("com.velmar.VelmarMonitor");
constexpr int answerTimeoutMs = 2000;

} // namespace

// The lock says who runs, and the socket carries a later launch's request to show the window.
// An app started from the Finder is kept single by macOS already; this covers the program
// started by its path, from a terminal or a script.
struct ProgramInstance::Private {
    QLockFile lock{QDir::temp().filePath(instanceName + QStringLiteral(".lock"))};
    QLocalServer server;
};

ProgramInstance::ProgramInstance(QObject* parent) : QObject(parent), d(std::make_unique<Private>()) {
    // Held for as long as the first instance runs; only a lock whose process is gone is stale.
    d->lock.setStaleLockTime(0);
}

ProgramInstance::~ProgramInstance() = default;

bool ProgramInstance::isCommand(const QStringList&) {
    return false;
}

int ProgramInstance::runCommand() {
    return badArgumentsStatus;
}

bool ProgramInstance::claim() {
    if (d->lock.tryLock(0)) {
        // The socket of an instance that crashed would keep the name taken.
        QLocalServer::removeServer(instanceName);
        connect(&d->server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* later = d->server.nextPendingConnection()) {
                later->disconnectFromServer();
                later->deleteLater();
                emit activationRequested();
            }
        });
        d->server.listen(instanceName);
        return true;
    }
    QLocalSocket running;
    running.connectToServer(instanceName);
    running.waitForConnected(answerTimeoutMs);
    // Even if it did not answer in time, it is running: two instances would fight over the
    // monitor.
    return false;
}

std::unique_ptr<ScriptAccess> ProgramInstance::serveScripts(ProgramModel&) {
    return nullptr; // scripting goes over the session bus, which a Mac does not run
}
