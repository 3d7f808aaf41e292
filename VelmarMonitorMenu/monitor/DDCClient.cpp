#include "DDCClient.h"

#include "async/Pause.h"

#include <QCoro/QCoroProcess>
#include <QProcess>

#include <algorithm>

DDCClient::DDCClient(HelperLocator locator, std::chrono::milliseconds timeLimit)
    : m_locator(std::move(locator)), m_timeLimit(timeLimit) {}

QCoro::Task<Result<QString>> DDCClient::run(QStringList arguments) {
    auto turn = co_await m_queue.acquire();
    co_return co_await runHelper(std::move(arguments));
}

QCoro::Task<Result<QString>> DDCClient::runHelper(QStringList arguments) {
    const auto helper = m_locator();
    if (!helper)
        co_return ClientError::helperMissing();

    QProcess process;
    process.setProgram(*helper);
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);

    // QProcess reads both pipes as data arrives, so a chatty helper cannot fill a pipe
    // and stall while we wait for it to exit.
    const bool started = co_await qCoro(process).start(QIODevice::ReadOnly, m_timeLimit);
    if (!started) {
        const QString reason = process.errorString();
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(1000);
        }
        co_return ClientError::launchFailed(reason);
    }

    const bool finished = co_await qCoro(process).waitForFinished(m_timeLimit);
    if (!finished && process.state() != QProcess::NotRunning) {
        process.kill();
        co_await qCoro(process).waitForFinished(5s);
        co_return ClientError::timedOut(m_timeLimit);
    }

    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        co_return output;
    co_return ClientError::failed(errors.isEmpty() ? output : errors);
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

QCoro::Task<Result<qint64>> DDCClient::readValue(QStringList arguments) {
    const auto output = co_await run(std::move(arguments));
    if (!output)
        co_return output.error();
    if (const auto value = lastInteger(output.value()))
        co_return *value;
    co_return ClientError::invalidResponse(output.value());
}

QCoro::Task<Result<qint64>> DDCClient::read(MonitorFeature feature, CancelToken token) {
    const QStringList arguments{QStringLiteral("get"), rawValue(feature)};
    for (int attempt = 1;; ++attempt) {
        auto result = co_await readValue(arguments);
        if (result || attempt == readAttempts)
            co_return result;
        const bool waited = co_await pause(readRetryPause, token);
        if (!waited)
            co_return ClientError::cancelled();
    }
}

QCoro::Task<Result<void>> DDCClient::write(MonitorFeature feature, qint64 value) {
    const qint64 clamped = std::clamp<qint64>(value, 0, 100);
    const QStringList arguments{QStringLiteral("set"), rawValue(feature), QString::number(clamped)};
    const auto result = co_await run(arguments);
    if (!result)
        co_return result.error();
    co_return Result<void>{};
}

QCoro::Task<Result<void>> DDCClient::setVelmarInput(MonitorInput input) {
    const QStringList arguments{QStringLiteral("set"), QStringLiteral("input-alt"),
                                QString::number(MonitorInputs::vendorCode(input))};
    const auto result = co_await run(arguments);
    if (!result)
        co_return result.error();
    co_return Result<void>{};
}
