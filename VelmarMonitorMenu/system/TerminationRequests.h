#pragma once

#include <QObject>

#include <memory>

// Requests to end the program that arrive from outside it (SIGTERM when the session
// ends or a service manager stops it, SIGINT from a terminal, SIGHUP when its terminal goes),
// delivered on the event loop, where ending cleanly is possible. Without this the program would
// die at once and leave a running helper behind.
class TerminationRequests : public QObject {
    Q_OBJECT
public:
    explicit TerminationRequests(QObject* parent = nullptr);
    ~TerminationRequests() override;

signals:
    void requested();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
