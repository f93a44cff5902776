#include "unt_clsOneCopy.h"

#include "KavloError.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// A command is a few bytes; a sender that streams more is cut off.
const qint64 kMaxCommandBytes = 4096;

// Why `path` may not hold the lock and the socket, or empty when it may.
// Made (0700) when missing and `make` says so.
QString refusal(const QString &path, bool make)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info;
    if (::lstat(name.constData(), &info) != 0 && errno == ENOENT && make) {
        // A missing cache folder is made too, private as it should be; but
        // nothing above it: a home folder that does not exist stays so.
        const QFileInfo parent(QFileInfo(path).absolutePath());
        if (!parent.exists() && QFileInfo::exists(parent.absolutePath()))
            ::mkdir(QFile::encodeName(parent.absoluteFilePath()).constData(), 0700);
        ::mkdir(name.constData(), 0700);
    }
    if (::lstat(name.constData(), &info) != 0)
        return QStringLiteral("%1：%2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("%1：是一个链接").arg(path);
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("%1：不是文件夹").arg(path);
    if (info.st_uid != ::geteuid())
        return QStringLiteral("%1：属于另一个用户（uid %2）").arg(path).arg(info.st_uid);
    if ((info.st_mode & 07777) != 0700)
        return QStringLiteral("%1：权限是 %2，不是 0700").arg(path, QString::number(info.st_mode & 07777, 8));
    return QString();
}

QString inFolder(const QString &fileName)
{
    const QString folder = OneCopyFolder();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + fileName;
}
} // namespace

QStringList OneCopyFolderCandidates()
{
    QStringList candidates;
    // Read directly: asking Qt for its runtime location warns when the
    // variable is unset and falls back to a folder in /tmp.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        candidates << QDir::cleanPath(runtime);
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty())
        candidates << cache + QStringLiteral("/kavlo");
    candidates << QDir::tempPath() + QStringLiteral("/kavlo-%1").arg(::geteuid());
    return candidates;
}

QString OneCopyFolder(QStringList *refusals)
{
    const QStringList candidates = OneCopyFolderCandidates();
    for (int i = 0; i < candidates.size(); ++i) {
        // $XDG_RUNTIME_DIR belongs to the session; it is never made here.
        const bool make = i > 0 || qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR");
        const QString why = refusal(candidates.at(i), make);
        if (why.isEmpty())
            return candidates.at(i);
        if (refusals)
            refusals->append(why);
    }
    return QString();
}

QString OneCopyMutexPath() { return inFolder(QStringLiteral("QMRVZ_OneCopyMutex")); }
QString DdeServerName() { return inFolder(QStringLiteral("Kavlo-ddeServer")); }

TclsOneCopyMutex::TclsOneCopyMutex() = default;
TclsOneCopyMutex::~TclsOneCopyMutex() = default;

bool TclsOneCopyMutex::Acquire()
{
    QStringList refusals;
    const QString folder = OneCopyFolder(&refusals);
    if (folder.isEmpty())
        throw KavloError(QStringLiteral("找不到只属于当前用户的文件夹来存放单一运行锁，无法确保只运行一个 Kavlo：\n") +
                         refusals.join(QLatin1Char('\n')));
    m_lock = std::make_unique<QLockFile>(folder + QStringLiteral("/QMRVZ_OneCopyMutex"));
    // A live copy's lock never goes stale with age, however long it runs;
    // the lock of a copy that died (its process is gone) is recovered at once.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    if (m_lock->error() == QLockFile::LockFailedError)
        return false;
    throw KavloError(QStringLiteral("无法创建单一运行锁，无法确保只运行一个 Kavlo。"), FailureCause::Unknown,
                     m_lock->fileName());
}

bool SendDdeCommand(const QString &command, int timeoutMs)
{
    const QString name = DdeServerName();
    if (name.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QByteArray data = command.toUtf8();
    data.append('\0');
    socket.write(data);
    socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return true;
}

QStringList SplitCommandLines(const QByteArray &data)
{
    const int end = data.indexOf('\0');
    QString text = QString::fromUtf8(end < 0 ? data : data.left(end));
    if (text.isEmpty())
        return {};
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'));
}

TclsDdeServer::TclsDdeServer(QObject *parent) : QObject(parent), m_server(std::make_unique<QLocalServer>())
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server.get(), &QLocalServer::newConnection, this, &TclsDdeServer::acceptConnection);
}

TclsDdeServer::~TclsDdeServer() = default;

bool TclsDdeServer::Listen()
{
    const QString name = DdeServerName();
    if (name.isEmpty())
        return false;
    QLocalServer::removeServer(name);
    return m_server->listen(name);
}

void TclsDdeServer::acceptConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // One command per connection, complete at its zero byte (or when the
        // sender hangs up without one).
        auto deliver = [this, socket] {
            if (socket->property("done").toBool())
                return;
            const QByteArray data = socket->peek(socket->bytesAvailable());
            const qsizetype end = data.indexOf('\0');
            if (data.size() > kMaxCommandBytes && (end < 0 || end > kMaxCommandBytes)) {
                socket->setProperty("done", true);
                socket->abort();
                return;
            }
            if (end < 0 && socket->state() == QLocalSocket::ConnectedState)
                return;
            socket->setProperty("done", true);
            socket->readAll();
            if (OnExecuteMacro)
                OnExecuteMacro(SplitCommandLines(data));
        };
        connect(socket, &QLocalSocket::readyRead, this, deliver);
        connect(socket, &QLocalSocket::disconnected, this, deliver);
        if (socket->bytesAvailable() > 0)
            deliver();
    }
}
