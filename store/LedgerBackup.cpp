#include "LedgerBackup.h"

#include "KavloError.h"
#include "LedgerFiles.h"
#include "SqliteConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString systemText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

[[noreturn]] void failSystem(const char *what, int error, const QString &path)
{
    throw KavloError(QStringLiteral("%1: %2").arg(QLatin1String(what), systemText(error)), CauseOfErrno(error), path);
}

// Closes a database handle whatever happens.
struct Handle {
    sqlite3 *db = nullptr;
    ~Handle() { sqlite3_close(db); }
};

void syncPath(const QString &path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        failSystem("open", errno, path);
    const int synced = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (synced != 0 && error != EINVAL)
        failSystem("fsync", error, path);
}

// Copies every page of the ledger into the new file at `target`.
void copyLedger(const QString &source, const QString &target)
{
    Handle from;
    int rc = sqlite3_open_v2(source.toUtf8().constData(), &from.db, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK)
        throw KavloError(QString::fromUtf8(sqlite3_errmsg(from.db)), FailureCause::Unknown, source);
    sqlite3_busy_timeout(from.db, 2000);
    Handle to;
    rc = sqlite3_open_v2(target.toUtf8().constData(), &to.db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK)
        throw KavloError(QString::fromUtf8(sqlite3_errmsg(to.db)), FailureCause::Unknown, target);
    // The file is a temporary one until it is renamed: no journal is needed,
    // and one fsync at the end makes it durable.
    sqlite3_exec(to.db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    sqlite3_backup *backup = sqlite3_backup_init(to.db, "main", from.db, "main");
    if (!backup)
        throw KavloError(QString::fromUtf8(sqlite3_errmsg(to.db)), FailureCause::Unknown, target);
    sqlite3_backup_step(backup, -1);
    rc = sqlite3_backup_finish(backup);
    if (rc != SQLITE_OK) {
        const int error = sqlite3_system_errno(to.db);
        FailureCause cause = CauseOfErrno(error);
        if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
            cause = FailureCause::InUse;
        else if ((rc & 0xff) == SQLITE_FULL || ((rc & 0xff) == SQLITE_IOERR && NoRoomToGrow(target)))
            cause = FailureCause::DiskFull;
        else if ((rc & 0xff) == SQLITE_NOTADB || (rc & 0xff) == SQLITE_CORRUPT)
            cause = FailureCause::NotALedger;
        throw KavloError(QString::fromUtf8(sqlite3_errstr(rc)), cause, cause == FailureCause::NotALedger ? source : target);
    }
    if (sqlite3_close(to.db) != SQLITE_OK)
        throw KavloError(QString::fromUtf8(sqlite3_errmsg(to.db)), FailureCause::Unknown, target);
    to.db = nullptr;
}

const QRegularExpression &backupName()
{
    static const QRegularExpression name(QStringLiteral("^qmrvz-\\d{4}-\\d{2}-\\d{2}\\.sjk$"));
    return name;
}

} // namespace

namespace LedgerBackup {

QString Folder(const QString &databasePath)
{
    return QFileInfo(databasePath).absoluteDir().filePath(QStringLiteral("Backup"));
}

QString PathFor(const QString &databasePath, const QDate &day)
{
    return QDir(Folder(databasePath)).filePath(QStringLiteral("qmrvz-%1.sjk").arg(day.toString(Qt::ISODate)));
}

QStringList List(const QString &databasePath)
{
    QStringList found;
    const QDir folder(Folder(databasePath));
    for (const QString &name : folder.entryList(QDir::Files, QDir::Name | QDir::Reversed))
        if (backupName().match(name).hasMatch())
            found << folder.filePath(name);
    return found;
}

bool MakeDaily(const QString &databasePath, const QDate &day, int keep)
{
    const QString target = PathFor(databasePath, day);
    if (QFileInfo::exists(target))
        return false;
    if (!QFileInfo::exists(databasePath))
        throw KavloError(QStringLiteral("no ledger to back up"), FailureCause::Missing, databasePath);
    const QString folder = Folder(databasePath);
    MakePrivateFolder(folder);
    // Beside the target, so the rename stays within one file system; a
    // leftover from an interrupted run is replaced.
    const QString temporary = target + QStringLiteral(".part");
    QFile::remove(temporary);
    CreatePrivateFile(temporary);
    try {
        copyLedger(databasePath, temporary);
        syncPath(temporary, O_RDONLY);
        if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0)
            failSystem("rename", errno, target);
    } catch (...) {
        QFile::remove(temporary);
        throw;
    }
    syncPath(folder, O_RDONLY | O_DIRECTORY);
    const QStringList backups = List(databasePath);
    for (int i = keep; i < backups.size(); ++i)
        if (!QFile::remove(backups.at(i)))
            throw KavloError(QStringLiteral("cannot remove an old backup"), FailureCause::Unknown, backups.at(i));
    return true;
}

Runner::~Runner() { wait(); }

void Runner::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

void Runner::start(const QString &databasePath, const QDate &day, Done done)
{
    wait();
    m_thread = std::thread([databasePath, day, done = std::move(done)] {
        std::optional<KavloError> failure;
        try {
            MakeDaily(databasePath, day);
        } catch (const KavloError &e) {
            failure = e;
        } catch (const std::exception &e) {
            failure = KavloError(QString::fromLocal8Bit(e.what()), FailureCause::Unknown, databasePath);
        }
        done(failure);
    });
}

} // namespace LedgerBackup
