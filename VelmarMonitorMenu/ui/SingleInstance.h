#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One Velmar Monitor per user: the first instance listens on a socket in the user's private
// runtime folder; a later one finds it there, asks it to show its window, and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);
    ~SingleInstance() override;

    /// True when this process is the first instance (it now listens); false when another one
    /// answered and has been asked to show itself. A socket left behind by an instance that was
    /// killed is taken over.
    bool claim();

    static QString defaultSocketPath();

signals:
    /// A later launch asked this instance to show itself.
    void activationRequested();

private:
    bool askRunningInstance();

    QString m_socketPath;
    QLocalServer* m_server = nullptr;
};
