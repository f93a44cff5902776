#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

// Where the copies of one user meet: a folder that only this user can write
// to, so nothing another local user plants there can keep Kavlo from starting
// or receive its commands. Candidates, first usable one wins:
//   1. $XDG_RUNTIME_DIR, when set;
//   2. "kavlo" in the user's cache folder ($XDG_CACHE_HOME or ~/.cache);
//   3. "kavlo-<uid>" in the temporary folder.
// The last two are made (mode 0700) when missing. A candidate is used only
// when it is a real folder (not a link), owned by this user, of mode 0700.
QStringList OneCopyFolderCandidates();
// The folder chosen from the candidates; empty when none is safe, with one
// line per refused candidate saying why in `refusals`.
QString OneCopyFolder(QStringList *refusals = nullptr);

QString OneCopyMutexPath(); // ".../QMRVZ_OneCopyMutex"
QString DdeServerName();    // ".../Kavlo-ddeServer", a local socket

// The single-instance lock "QMRVZ_OneCopyMutex". The first copy takes it and
// holds it for its whole life; a lock left by a copy that died is taken over.
class TclsOneCopyMutex
{
public:
    TclsOneCopyMutex();
    ~TclsOneCopyMutex();
    // True when this copy now holds the lock; false when another copy does.
    // Throws KavloError when there is no safe folder for it or the lock file
    // cannot be made there: then nobody holds it and the caller decides.
    bool Acquire();

private:
    std::unique_ptr<QLockFile> m_lock;
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
    // died is removed first. False when listening failed or there is no safe
    // folder for the socket.
    bool Listen();

    int Tag = 0;
    std::function<void(const QStringList &lines)> OnExecuteMacro;

private:
    void acceptConnection();

    std::unique_ptr<QLocalServer> m_server;
};
