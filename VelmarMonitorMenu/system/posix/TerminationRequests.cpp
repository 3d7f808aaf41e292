#include "system/TerminationRequests.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

// The signals that ask a program to end: SIGTERM when the session ends or a service manager (or
// launchd) stops it, SIGINT from a terminal, SIGHUP when its terminal goes. On a Mac, quitting from
// the system (logging out, Quit in the Dock's menu) arrives through AppKit instead, as Qt's own quit.

namespace {

constexpr std::array<int, 3> handledSignals{SIGTERM, SIGINT, SIGHUP};

// The handler may do next to nothing safely: it writes one byte the event loop will read.
int wakeFd = -1;

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(wakeFd, &byte, 1);
    errno = saved;
}

// The Mac's socketpair() takes no SOCK_CLOEXEC or SOCK_NONBLOCK, so the flags are set afterwards
// on every platform alike.
bool prepare(int fd) {
    const int status = ::fcntl(fd, F_GETFL);
    return status >= 0 && ::fcntl(fd, F_SETFL, status | O_NONBLOCK) == 0 &&
           ::fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

} // namespace

struct TerminationRequests::Private {
    std::array<int, 2> sockets{-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
    std::array<struct sigaction, handledSignals.size()> previous{};
};

TerminationRequests::TerminationRequests(QObject* parent) : QObject(parent), d(std::make_unique<Private>()) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, d->sockets.data()) != 0)
        return; // the default signal behaviour stays: better than no way to end the program
    if (!prepare(d->sockets[0]) || !prepare(d->sockets[1])) {
        ::close(d->sockets[0]);
        ::close(d->sockets[1]);
        d->sockets = {-1, -1};
        return;
    }
    wakeFd = d->sockets[0];
    d->notifier = std::make_unique<QSocketNotifier>(d->sockets[1], QSocketNotifier::Read);
    connect(d->notifier.get(), &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(d->sockets[1], bytes, sizeof bytes) > 0) {
        }
        emit requested();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < handledSignals.size(); ++i)
        ::sigaction(handledSignals[i], &action, &d->previous[i]);
}

TerminationRequests::~TerminationRequests() {
    if (d->sockets[0] < 0)
        return;
    for (std::size_t i = 0; i < handledSignals.size(); ++i)
        ::sigaction(handledSignals[i], &d->previous[i], nullptr);
    wakeFd = -1;
    d->notifier.reset();
    ::close(d->sockets[0]);
    ::close(d->sockets[1]);
}
