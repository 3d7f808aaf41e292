#pragma once

#include "async/Cancellation.h"
#include "HelperLocation.h"
#include "MonitorFeature.h"
#include "MonitorInput.h"
#include "Result.h"

#include <QCoro/QCoroTask>
#include <QStringList>

#include <chrono>
#include <memory>

// The only component that talks to the monitor: one helper process per command, one
// process at a time, in the order commands arrive. Callers await it from the main thread;
// the event loop keeps running while a helper works.
class DDCClient {
public:
    // No real DDC/CI exchange takes more than a second or two; a helper still running
    // after this is stuck, and would otherwise hold up every later command.
    static constexpr auto defaultTimeLimit = std::chrono::seconds(10);
    // Room for the monitor to recover before a read is tried again.
    static constexpr auto defaultReadRetryPause = std::chrono::milliseconds(120);
    static constexpr int readAttempts = 3;

    explicit DDCClient(HelperLocator locator = HelperLocation::bundled(),
                       std::chrono::milliseconds timeLimit = defaultTimeLimit,
                       std::chrono::milliseconds readRetryPause = defaultReadRetryPause);
    /// Stops the helper that is running (killed and reaped before this returns) and drops the
    /// commands waiting behind it. Their callers are resumed later, from the event loop, with
    /// ClientError::cancelled; nothing resumed that way touches this object.
    ~DDCClient();
    DDCClient(const DDCClient&) = delete;
    DDCClient& operator=(const DDCClient&) = delete;

    /// Where the helper is, when it is there.
    std::optional<QString> helperPath() const;

    /// Runs the helper with exactly these arguments; the standard output as it stands on exit 0.
    QCoro::Task<Result<QString>> run(QStringList arguments);
    /// The last whole base-10 integer the helper printed.
    QCoro::Task<Result<qint64>> readValue(QStringList arguments);
    /// Up to three attempts, a retry pause apart; the pause ends early when `token` is cancelled.
    QCoro::Task<Result<qint64>> read(MonitorFeature feature, CancelToken token = {});
    /// One attempt; the value is clamped to 0..100.
    QCoro::Task<Result<void>> write(MonitorFeature feature, qint64 value);
    /// One attempt with the vendor "input-alt" code.
    QCoro::Task<Result<void>> setVelmarInput(MonitorInput input);

    /// No helper running and none waiting.
    bool isIdle() const;

    /// The last whole base-10 integer among the whitespace-separated pieces, if any.
    static std::optional<qint64> lastInteger(const QString& output);

private:
    struct Shared;
    // Everything a suspended command touches after it resumes lives here, held by the command's
    // own frame as well, so a command that outlives the client ends without touching it.
    std::shared_ptr<Shared> m_shared;
};
