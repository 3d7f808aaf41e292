#include "scripting/ProgramInstance.h"

#include "scripting/CommandLine.h"
#include "scripting/MonitorBusService.h"
#include "scripting/SingleInstance.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

static_assert(ProgramInstance::badArgumentsStatus == CommandLine::badArguments);

namespace {

class BusScriptAccess : public ScriptAccess {
public:
    BusScriptAccess(ProgramModel& model, SingleInstance& instance)
        : m_service(model, instance.bus(), &instance) {}
    const ScriptedChanges& changes() const override { return m_service.changes(); }

private:
    MonitorBusService m_service;
};

} // namespace

// The session bus name tells who runs, and the object behind it takes scripts' commands.
struct ProgramInstance::Private {
    SingleInstance instance;
};

ProgramInstance::ProgramInstance(QObject* parent) : QObject(parent), d(std::make_unique<Private>()) {
    connect(&d->instance, &SingleInstance::activationRequested, this, &ProgramInstance::activationRequested);
}

ProgramInstance::~ProgramInstance() = default;

bool ProgramInstance::isCommand(const QStringList& arguments) {
    return CommandLine::isCommand(arguments);
}

int ProgramInstance::runCommand() {
    QTextStream out(stdout), err(stderr);
    return CommandLine::run(QCoreApplication::arguments(), QDBusConnection::sessionBus(), out, err);
}

bool ProgramInstance::claim() {
    return d->instance.claim();
}

std::unique_ptr<ScriptAccess> ProgramInstance::serveScripts(ProgramModel& model) {
    if (!d->instance.ownsName())
        return nullptr;
    return std::make_unique<BusScriptAccess>(model, d->instance);
}
