#include "TestSupport.h"

#include "LedgerConnection.h"
#include "unt_clsDatabaseUser.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Statements on the server's maintenance database; CREATE and DROP DATABASE
// take no parameters, and the names are the program's own digits.
void onServer(const QByteArray &sql)
{
    auto admin = MakeLedgerConnection(LedgerLocation::Server(QStringLiteral("dbname=postgres")));
    OperationScope scope(*admin);
    admin->Execute(sql.constData());
}

} // namespace

bool TestingOnServer() { return qEnvironmentVariable("KAVLO_TEST_ENGINE") == QLatin1String("postgresql"); }

TempDatabase::TempDatabase()
{
    if (!TestingOnServer()) {
        m_path = m_dir.filePath(QStringLiteral("qmrvz.sjk"));
        TclsDatabaseUser::CreateDatabaseFile(m_path);
        return;
    }
    static int serial = 0;
    m_serverDatabase = QStringLiteral("kavlo_t%1_%2").arg(getpid()).arg(++serial);
    onServer("create database " + m_serverDatabase.toLatin1());
    const LedgerLocation location = LedgerLocation::Server(QStringLiteral("dbname=") + m_serverDatabase);
    TclsDatabaseUser::CreateLedger(location);
    m_path = location.text();
}

TempDatabase::~TempDatabase()
{
    if (m_serverDatabase.isEmpty())
        return;
    try {
        onServer("drop database if exists " + m_serverDatabase.toLatin1() + " with (force)");
    } catch (...) {
        // A database left behind goes with the throwaway server.
    }
}

QString SourceDir() { return qEnvironmentVariable("KAVLO_SOURCE_DIR"); }
QString ProgramDir() { return qEnvironmentVariable("KAVLO_PROGRAM_DIR"); }

int FileMode(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool PlantHeldLock(const QString &path)
{
    QFile planted(path);
    if (!planted.open(QIODevice::WriteOnly))
        return false;
    const QByteArray held = QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
                            QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8() + "\n\n";
    return planted.write(held) == held.size() && planted.flush();
}
