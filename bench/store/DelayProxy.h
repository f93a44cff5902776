#pragma once

#include "KavloError.h"

#include <QByteArray>
#include <QProcess>
#include <QString>

// delay_proxy.py on loopback in front of the PostgreSQL server that PGPORT
// names, driven through its standard input: the delay each way, the round
// trips counted since it was last asked, and a cut of the next COMMIT's
// answer. Used by the engine bench and by the server tests.
class DelayProxy
{
public:
    explicit DelayProxy(const QString &script)
    {
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {script, QStringLiteral("0"), QStringLiteral("127.0.0.1"),
                         qEnvironmentVariable("PGPORT", QStringLiteral("5432")), QStringLiteral("0")});
        const QList<QByteArray> ready = answer().split(' ');
        if (ready.size() != 2 || ready.at(0) != "ready")
            throw KavloError(QStringLiteral("%1 did not start").arg(script));
        m_port = ready.at(1).toInt();
    }
    ~DelayProxy()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
    }
    DelayProxy(const DelayProxy &) = delete;
    DelayProxy &operator=(const DelayProxy &) = delete;

    int port() const { return m_port; }
    // A libpq connection string to the database through the proxy.
    QString conninfo(const QString &database) const
    {
        return QStringLiteral("host=127.0.0.1 port=%1 dbname=%2").arg(m_port).arg(database);
    }
    void setDelay(double milliseconds) { command("delay " + QByteArray::number(milliseconds)); }
    int roundTrips() { return command("count").toInt(); }
    // The next COMMIT reaches the server; its answer is dropped and the
    // connection closed.
    void cutNextCommit() { command("cut"); }
    void refuseConnections(double seconds) { command("refuse " + QByteArray::number(seconds)); }

private:
    QByteArray command(const QByteArray &line)
    {
        m_process.write(line + '\n');
        return answer();
    }
    QByteArray answer()
    {
        while (!m_process.canReadLine())
            if (!m_process.waitForReadyRead(10000))
                throw KavloError(QStringLiteral("the delay proxy does not answer: %1")
                                     .arg(QString::fromLocal8Bit(m_process.readAllStandardError())));
        return m_process.readLine().trimmed();
    }

    QProcess m_process;
    int m_port = 0;
};
