#include "unt_clsOneCopy.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {
// A command is a few bytes; a sender that streams more is cut off.
const qint64 kMaxCommandBytes = 4096;

QString runtimeFolder()
{
    // Per user (and 0700): copies of other users never meet ours.
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QDir().mkpath(dir);
    return dir;
}
} // namespace

QString OneCopyMutexPath() { return runtimeFolder() + QStringLiteral("/QMRVZ_OneCopyMutex"); }
QString DdeServerName() { return runtimeFolder() + QStringLiteral("/Kavlo-ddeServer"); }

TclsOneCopyMutex::TclsOneCopyMutex() : m_lock(OneCopyMutexPath())
{
    // A live copy's lock never goes stale with age, however long it runs;
    // the lock of a copy that died (its process is gone) is recovered at once.
    m_lock.setStaleLockTime(0);
}

bool TclsOneCopyMutex::Acquire() { return m_lock.tryLock(0); }

bool SendDdeCommand(const QString &command, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(DdeServerName());
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
