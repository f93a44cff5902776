#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QLocalServer;

// Where the copies of one user meet: the user's runtime folder.
QString OneCopyMutexPath();  // ".../QMRVZ_OneCopyMutex"
QString DdeServerName();     // ".../Kavlo-ddeServer", a local socket

// The single-instance lock "QMRVZ_OneCopyMutex". The first copy takes it and
// holds it for its whole life; a lock left by a copy that died is taken over.
class TclsOneCopyMutex
{
public:
    TclsOneCopyMutex();
    // True when this copy now holds the lock; false when another copy does.
    bool Acquire();

private:
    QLockFile m_lock;
};

// The second copy's side of the command channel: sends the command (with its
// terminating zero byte) to the running copy. False when nobody answered.
bool SendDdeCommand(const QString &command, int timeoutMs = 1000);

// The command as the receiver sees it: the text up to the first zero byte,
// split into lines. No text, no lines.
QStringList SplitCommandLines(const QByteArray &data);

// The running copy's side: a local server that hands each command to
// OnExecuteMacro on the user-interface thread. Tag is the ready flag.
class TclsDdeServer : public QObject
{
    Q_OBJECT
public:
    explicit TclsDdeServer(QObject *parent = nullptr);
    ~TclsDdeServer() override;

    // Starts listening under DdeServerName(); a socket left by a copy that
    // died is removed first. False when listening failed.
    bool Listen();

    int Tag = 0;
    std::function<void(const QStringList &lines)> OnExecuteMacro;

private:
    void acceptConnection();

    std::unique_ptr<QLocalServer> m_server;
};
