#include "DDCClient.h"

#include "async/Pause.h"
#include "async/SerialQueue.h"
#include "InputSourceList.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <coroutine>
#include <utility>

using namespace std::chrono_literals;

namespace {

// A helper killed at its time limit normally dies at once; one stuck in the kernel (an I2C
// transfer that never returns) is let go after this rather than holding every later command.
constexpr auto killGrace = 5s;
// A helper says a few bytes. One that floods its pipes is kept to this much of each, so it can
// neither exhaust our memory nor put megabytes of text on the screen.
constexpr qsizetype keptOutputBytes = 64 * 1024;
constexpr qsizetype shownErrorLength = 1000;

// A failure text as the user sees it: as printed, unless it is far longer than any message.
QString shownText(const QString& text) {
    if (text.size() <= shownErrorLength)
        return text;
    return text.left(shownErrorLength) + QStringLiteral("…");
}

// One helper process and the coroutine waiting for it, kept in that coroutine's frame.
// Every resumption is posted to the event loop, so the waiting coroutine (which destroys the
// process when it ends) never runs inside QProcess's own signal emission.
class HelperRun : public QObject {
public:
    enum class Outcome { running, exited, failedToStart, timedOut, aborted };

    HelperRun(QString program, QStringList arguments, std::chrono::milliseconds timeLimit)
        : m_process(std::make_unique<QProcess>()), m_timeLimit(timeLimit) {
        m_process->setProgram(std::move(program));
        m_process->setArguments(std::move(arguments));
        m_process->setProcessChannelMode(QProcess::SeparateChannels);
        // Never the program's own input, a terminal perhaps: a pipe closed as soon as it starts.
        m_process->setInputChannelMode(QProcess::ManagedInputChannel);
        m_timer.setSingleShot(true);
    }

    ~HelperRun() override { letGo(); }

    struct Awaiter {
        HelperRun* run;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> handle) const { run->start(handle); }
        Outcome await_resume() const noexcept { return run->m_outcome; }
    };
    Awaiter operator co_await() { return Awaiter{this}; }

    /// Kills the helper without waiting for it to go (a dock leaving with several stuck monitors
    /// must not freeze the program); the waiting coroutine resumes later.
    void abort() {
        m_outcome = Outcome::aborted;
        m_timer.stop();
        if (m_process->state() != QProcess::NotRunning)
            m_process->kill();
        letGo();
        postResume();
    }

    /// Once it has exited (or failed to start, or timed out): an aborted run has none.
    QProcess& process() { return *m_process; }
    /// What the helper printed: the last keptOutputBytes of its output, the first of its errors.
    const QByteArray& output() {
        drain();
        return m_output;
    }
    const QByteArray& errors() {
        drain();
        return m_errors;
    }

private:
    // A helper that is killed but not gone yet is reaped by the event loop whenever it dies,
    // without anyone waiting for it; should the program end first, the application takes it down
    // with it (and reaps it then).
    void letGo() {
        if (!m_process || m_process->state() == QProcess::NotRunning)
            return;
        QProcess* orphan = m_process.release();
        orphan->disconnect(this);
        if (auto* application = QCoreApplication::instance())
            orphan->setParent(application);
        QObject::connect(orphan, &QProcess::finished, orphan, &QObject::deleteLater);
    }

    void start(std::coroutine_handle<> waiter) {
        m_waiter = waiter;
        // QProcess reads both pipes as data arrives, so a chatty helper cannot fill a pipe
        // and stall while we wait for it to exit.
        connect(m_process.get(), &QProcess::readyReadStandardOutput, this, &HelperRun::drain);
        connect(m_process.get(), &QProcess::readyReadStandardError, this, &HelperRun::drain);
        connect(m_process.get(), &QProcess::finished, this, [this] {
            if (m_outcome == Outcome::running)
                m_outcome = Outcome::exited;
            postResume();
        });
        // An exec failure never reaches `started` or `finished`: without this the command would
        // wait out the whole time limit.
        connect(m_process.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart && m_outcome == Outcome::running) {
                m_outcome = Outcome::failedToStart;
                postResume();
            }
        });
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (m_outcome != Outcome::running) {
                postResume(); // killed at the limit and still not gone: give up on it
                return;
            }
            m_outcome = Outcome::timedOut;
            m_process->kill();
            m_timer.start(killGrace); // resumed by `finished`, or by this timer at the latest
        });
        m_timer.start(m_timeLimit);
        m_process->start(QIODevice::ReadOnly);
        m_process->closeWriteChannel();
    }

    void drain() {
        // The value is the last integer of the output: keep its end. A message reads from its start.
        m_output.append(m_process->readAllStandardOutput());
        if (m_output.size() > keptOutputBytes)
            m_output.remove(0, m_output.size() - keptOutputBytes);
        const QByteArray errors = m_process->readAllStandardError();
        m_errors.append(errors.left(std::max<qsizetype>(0, keptOutputBytes - m_errors.size())));
    }

    void postResume() {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_timer.stop();
                if (auto waiter = std::exchange(m_waiter, {}))
                    waiter.resume();
            },
            Qt::QueuedConnection);
    }

    std::unique_ptr<QProcess> m_process;
    QTimer m_timer;
    std::chrono::milliseconds m_timeLimit;
    std::coroutine_handle<> m_waiter;
    Outcome m_outcome = Outcome::running;
    QByteArray m_output;
    QByteArray m_errors;
};

} // namespace

struct DDCClient::Shared {
    HelperLocator locator;
    std::chrono::milliseconds timeLimit = defaultTimeLimit;
    std::chrono::milliseconds readRetryPause = defaultReadRetryPause;
    SerialQueue queue;
    CancelToken closing = makeCancelToken(); // cancelled when the client goes away
    HelperRun* current = nullptr;

    // The coroutines below hold `shared` in their frames and never touch the DDCClient itself.
    static QCoro::Task<Result<QString>> run(std::shared_ptr<Shared> shared, QStringList arguments);
    static QCoro::Task<Result<QString>> runHelper(std::shared_ptr<Shared> shared, QStringList arguments);
    static QCoro::Task<Result<qint64>> readValue(std::shared_ptr<Shared> shared, QStringList arguments);
    static QCoro::Task<Result<qint64>> read(std::shared_ptr<Shared> shared, QStringList arguments,
                                            CancelToken token);
    static QCoro::Task<Result<void>> runDiscardingOutput(std::shared_ptr<Shared> shared,
                                                         QStringList arguments);
};

DDCClient::DDCClient(HelperLocator locator, std::chrono::milliseconds timeLimit,
                     std::chrono::milliseconds readRetryPause)
    : m_shared(std::make_shared<Shared>()) {
    m_shared->locator = std::move(locator);
    m_shared->timeLimit = timeLimit;
    m_shared->readRetryPause = readRetryPause;
}

DDCClient::~DDCClient() {
    m_shared->closing->cancel();
    if (auto* running = std::exchange(m_shared->current, nullptr))
        running->abort();
}

std::optional<QString> DDCClient::helperPath() const {
    return m_shared->locator();
}

void DDCClient::setDisplay(std::optional<QString> id) {
    m_display = std::move(id);
}

const std::optional<QString>& DDCClient::display() const {
    return m_display;
}

QStringList DDCClient::addressed(QStringList arguments) const {
    if (m_display)
        arguments = QStringList{QStringLiteral("display"), *m_display} + arguments;
    return arguments;
}

bool DDCClient::isIdle() const {
    return !m_shared->queue.isBusy();
}

QCoro::Task<Result<QString>> DDCClient::run(QStringList arguments) {
    return Shared::run(m_shared, addressed(std::move(arguments)));
}

QCoro::Task<Result<qint64>> DDCClient::readValue(QStringList arguments) {
    return Shared::readValue(m_shared, addressed(std::move(arguments)));
}

QCoro::Task<Result<qint64>> DDCClient::read(MonitorFeature feature, CancelToken token) {
    QStringList arguments{QStringLiteral("get"), rawValue(feature)};
    return Shared::read(m_shared, addressed(std::move(arguments)), std::move(token));
}

QCoro::Task<Result<void>> DDCClient::write(MonitorFeature feature, qint64 value) {
    const qint64 clamped = std::clamp<qint64>(value, 0, 100);
    QStringList arguments{QStringLiteral("set"), rawValue(feature), QString::number(clamped)};
    return Shared::runDiscardingOutput(m_shared, addressed(std::move(arguments)));
}

QCoro::Task<Result<void>> DDCClient::setVelmarInput(MonitorInput input) {
    QStringList arguments{QStringLiteral("set"), QStringLiteral("input-alt"),
                          QString::number(MonitorInputs::vendorCode(input))};
    return Shared::runDiscardingOutput(m_shared, addressed(std::move(arguments)));
}

QCoro::Task<Result<void>> DDCClient::setStandardInput(MonitorInput input) {
    QStringList arguments{QStringLiteral("set"), QStringLiteral("input"),
                          QString::number(MonitorInputs::standardCode(input))};
    return Shared::runDiscardingOutput(m_shared, addressed(std::move(arguments)));
}

QCoro::Task<Result<QList<ListedDisplay>>> DDCClient::listDisplays() {
    const auto shared = m_shared;
    const QStringList arguments{QStringLiteral("display"), QStringLiteral("list")};
    const auto output = co_await Shared::run(shared, arguments);
    if (!output)
        co_return output.error();
    auto displays = DisplayListing::parse(output.value());
    if (displays.isEmpty() && !output.value().trimmed().isEmpty())
        co_return ClientError::invalidResponse(output.value());
    co_return displays;
}

QCoro::Task<Result<QList<int>>> DDCClient::inputSources() {
    const auto shared = m_shared;
    const QStringList arguments = addressed({QStringLiteral("get"), QStringLiteral("inputs")});
    const auto output = co_await Shared::run(shared, arguments);
    if (!output)
        co_return output.error();
    if (auto codes = InputSourceList::parse(output.value()))
        co_return *codes;
    co_return ClientError::invalidResponse(output.value());
}

QCoro::Task<Result<QString>> DDCClient::Shared::run(std::shared_ptr<Shared> shared, QStringList arguments) {
    auto turn = co_await shared->queue.acquire();
    if (shared->closing->isCancelled())
        co_return ClientError::cancelled(); // dropped while it waited for its turn
    co_return co_await runHelper(shared, std::move(arguments));
}

QCoro::Task<Result<QString>> DDCClient::Shared::runHelper(std::shared_ptr<Shared> shared,
                                                          QStringList arguments) {
    const auto helper = shared->locator();
    if (!helper)
        co_return ClientError::helperMissing();

    HelperRun run(*helper, std::move(arguments), shared->timeLimit);
    shared->current = &run;
    const auto outcome = co_await run;
    if (shared->current == &run)
        shared->current = nullptr;

    switch (outcome) {
    case HelperRun::Outcome::aborted:
    case HelperRun::Outcome::running:
        co_return ClientError::cancelled();
    case HelperRun::Outcome::failedToStart:
        co_return ClientError::launchFailed(run.process().errorString());
    case HelperRun::Outcome::timedOut:
        co_return ClientError::timedOut(shared->timeLimit);
    case HelperRun::Outcome::exited:
        break;
    }
    QProcess& process = run.process();
    const QString output = QString::fromUtf8(run.output());
    const QString errors = QString::fromUtf8(run.errors());
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        co_return output;
    co_return ClientError::failed(shownText(errors.isEmpty() ? output : errors));
}

std::optional<qint64> DDCClient::lastInteger(const QString& output) {
    std::optional<qint64> last;
    qsizetype i = 0;
    const qsizetype n = output.size();
    while (i < n) {
        while (i < n && output.at(i).isSpace())
            ++i;
        const qsizetype start = i;
        while (i < n && !output.at(i).isSpace())
            ++i;
        if (start == i)
            break;
        const QStringView piece = QStringView(output).mid(start, i - start);
        const qsizetype digitsFrom = (piece.front() == u'+' || piece.front() == u'-') ? 1 : 0;
        if (piece.size() == digitsFrom)
            continue;
        const bool digitsOnly = std::all_of(piece.begin() + digitsFrom, piece.end(),
                                            [](QChar c) { return c >= u'0' && c <= u'9'; });
        if (!digitsOnly)
            continue;
        bool ok = false;
        const qint64 value = piece.toLongLong(&ok, 10);
        if (ok) // a number too large for 64 bits is not a value either
            last = value;
    }
    return last;
}

QCoro::Task<Result<qint64>> DDCClient::Shared::readValue(std::shared_ptr<Shared> shared,
                                                         QStringList arguments) {
    const auto output = co_await run(shared, std::move(arguments));
    if (!output)
        co_return output.error();
    if (const auto value = lastInteger(output.value()))
        co_return *value;
    co_return ClientError::invalidResponse(output.value());
}

QCoro::Task<Result<qint64>> DDCClient::Shared::read(std::shared_ptr<Shared> shared, QStringList arguments,
                                                    CancelToken token) {
    for (int attempt = 1;; ++attempt) {
        auto result = co_await readValue(shared, arguments);
        if (result || attempt == readAttempts)
            co_return result;
        const bool waited = co_await pause(shared->readRetryPause, token, shared->closing);
        if (!waited)
            co_return ClientError::cancelled();
    }
}

QCoro::Task<Result<void>> DDCClient::Shared::runDiscardingOutput(std::shared_ptr<Shared> shared,
                                                                 QStringList arguments) {
    const auto result = co_await run(shared, std::move(arguments));
    if (!result)
        co_return result.error();
    co_return Result<void>{};
}
