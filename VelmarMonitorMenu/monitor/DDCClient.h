#pragma once

#include "async/Cancellation.h"
#include "DisplayListing.h"
#include "HelperLocation.h"
#include "MonitorFeature.h"
#include "MonitorInput.h"
#include "Result.h"

#include <QCoro/QCoroTask>
#include <QStringList>

#include <chrono>
#include <memory>

// The only component that talks to a monitor: one helper process per command, one process at
// a time, in the order commands arrive. Callers await it from the main thread; the event loop
// keeps running while a helper works. With several monitors there is one client per monitor:
// commands to one monitor never overlap, while different monitors are served side by side.
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
    /// Stops the helper that is running (killed before this returns, reaped by the event loop
    /// without anyone waiting for it) and drops the commands waiting behind it. Their callers are
    /// resumed later, from the event loop, with ClientError::cancelled; nothing resumed that way
    /// touches this object.
    ~DDCClient();
    DDCClient(const DDCClient&) = delete;
    DDCClient& operator=(const DDCClient&) = delete;

    /// Where the helper is, when it is there.
    std::optional<QString> helperPath() const;

    /// The display every later command goes to: with an id, each command line starts with
    /// "display <id>"; without one (a single monitor) the helper picks the monitor itself.
    /// Commands already issued keep the display they were issued for.
    void setDisplay(std::optional<QString> id);
    const std::optional<QString>& display() const;

    /// Runs the helper with these arguments (after the display's, if any); the standard output as
    /// it stands on exit 0.
    QCoro::Task<Result<QString>> run(QStringList arguments);
    /// The last whole base-10 integer the helper printed.
    QCoro::Task<Result<qint64>> readValue(QStringList arguments);
    /// Up to three attempts, a retry pause apart; the pause ends early when `token` is cancelled.
    QCoro::Task<Result<qint64>> read(MonitorFeature feature, CancelToken token = {});
    /// One attempt; the value is clamped to 0..100.
    QCoro::Task<Result<void>> write(MonitorFeature feature, qint64 value);
    /// One attempt with the vendor "input-alt" code.
    QCoro::Task<Result<void>> setVelmarInput(MonitorInput input);
    /// One attempt with the standard input-source code, for a monitor without the vendor register.
    QCoro::Task<Result<void>> setStandardInput(MonitorInput input);
    /// The monitors answering DDC/CI, the default first ("display list", whatever the display);
    /// one attempt. Output with text but no usable line is an invalid response, not "none".
    QCoro::Task<Result<QList<ListedDisplay>>> listDisplays();
    /// The input-source codes the monitor's capabilities list ("get inputs"); one attempt.
    QCoro::Task<Result<QList<int>>> inputSources();

    /// No helper running and none waiting.
    bool isIdle() const;

    /// The last whole base-10 integer among the whitespace-separated pieces, if any.
    static std::optional<qint64> lastInteger(const QString& output);

private:
    struct Shared;
    // Everything a suspended command touches after it resumes lives here, held by the command's
    // own frame as well, so a command that outlives the client ends without touching it.
    std::shared_ptr<Shared> m_shared;
    std::optional<QString> m_display;

    QStringList addressed(QStringList arguments) const;
};
