#pragma once

#include <QObject>

#include <memory>

class ProgramInstance;

// The running program, wired together: the settings and stores, the connected monitors and what
// acts over all of them, the shell with its tray icon and window, scripting, and the requests to
// end that come from outside. main() makes one once this process is the user's one instance.
class Program : public QObject {
    Q_OBJECT
public:
    explicit Program(ProgramInstance& instance, QObject* parent = nullptr);
    ~Program() override;

    /// Shows the tray icon (or the window) and starts reading the monitors.
    void start();

signals:
    /// Quitting is done: the event loop may end.
    void ended();

private:
    struct Parts;
    std::unique_ptr<Parts> d;
};
