#pragma once

#include <QString>

#include <chrono>

// Why a monitor command did not succeed. The description is the text the user sees.
class ClientError {
public:
    enum class Kind {
        failed,          // the helper exited non-zero; payload is its stderr, else its stdout
        invalidResponse, // exit 0 but no integer in the output; payload is the whole output
        helperMissing,   // the helper could not be located
        launchFailed,    // the platform refused to start the helper; payload is its own text
        timedOut,        // the helper ran past the time limit and was killed
        cancelled,       // the surrounding task was cancelled during a pause
    };

    static ClientError failed(QString payload) { return {Kind::failed, std::move(payload)}; }
    static ClientError invalidResponse(QString output) { return {Kind::invalidResponse, std::move(output)}; }
    static ClientError helperMissing() { return {Kind::helperMissing, {}}; }
    static ClientError launchFailed(QString platformText) {
        return {Kind::launchFailed, std::move(platformText)};
    }
    static ClientError timedOut(std::chrono::milliseconds limit);
    static ClientError cancelled() { return {Kind::cancelled, {}}; }

    Kind kind() const { return m_kind; }
    const QString& payload() const { return m_payload; }
    /// The user-visible text.
    QString errorDescription() const;

    bool operator==(const ClientError&) const = default;

private:
    ClientError(Kind kind, QString payload) : m_kind(kind), m_payload(std::move(payload)) {}

    Kind m_kind;
    QString m_payload;
};
