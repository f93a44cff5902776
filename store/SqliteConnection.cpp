#include "SqliteConnection.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

QString systemText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

bool isOsFailure(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN || primary == SQLITE_FULL ||
           primary == SQLITE_READONLY || primary == SQLITE_PERM;
}

// The engine's message, with the system's own text when the engine failed
// at a system call.
QString engineMessage(sqlite3 *db, int rc)
{
    if (!db)
        return QStringLiteral("out of memory");
    QString message = QString::fromUtf8(sqlite3_errmsg(db));
    const int error = sqlite3_system_errno(db);
    if (isOsFailure(rc) && error != 0)
        message += QStringLiteral(" (%1)").arg(systemText(error));
    return message;
}

} // namespace

FailureCause CauseOfErrno(int error)
{
    switch (error) {
    case EROFS:
    case EPERM: // an immutable file or folder
        return FailureCause::ReadOnly;
    case EACCES:
        return FailureCause::NoPermission;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FailureCause::DiskFull;
    case ENOENT:
        return FailureCause::Missing;
    default:
        return FailureCause::Unknown;
    }
}

bool NoRoomToGrow(const QString &path)
{
    // The engine reports ENOSPC itself; EFBIG (a size limit) and a disk
    // that is all but full come back as a plain write error.
    constexpr unsigned long long kRoom = 1 << 20;
    struct stat st;
    const unsigned long long size =
        ::stat(QFile::encodeName(path).constData(), &st) == 0 ? static_cast<unsigned long long>(st.st_size) : 0;
    struct rlimit limit;
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && size + kRoom >= limit.rlim_cur)
        return true;
    struct statvfs disk;
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    return ::statvfs(folder.constData(), &disk) == 0 &&
           static_cast<unsigned long long>(disk.f_bavail) * disk.f_frsize < kRoom;
}

WriteObstacle FindWriteObstacle(const QString &path)
{
    const QByteArray file = QFile::encodeName(path);
    if (::access(file.constData(), F_OK) != 0)
        return {FailureCause::Missing, systemText(errno)};
    if (::access(file.constData(), W_OK) != 0)
        return {CauseOfErrno(errno), systemText(errno)};
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    if (::access(folder.constData(), W_OK | X_OK) != 0)
        return {CauseOfErrno(errno), systemText(errno)};
    return {};
}

// --- SqliteRecordset ---------------------------------------------------------

SqliteRecordset::SqliteRecordset(const SqliteConnection *connection, sqlite3_stmt *stmt)
    : m_connection(connection), m_stmt(stmt), m_eof(false)
{
    step();
}

SqliteRecordset::SqliteRecordset(SqliteRecordset &&other) noexcept
    : m_connection(other.m_connection), m_stmt(other.m_stmt), m_eof(other.m_eof)
{
    other.m_stmt = nullptr;
    other.m_eof = true;
}

SqliteRecordset &SqliteRecordset::operator=(SqliteRecordset &&other) noexcept
{
    if (this != &other) {
        Close();
        m_connection = other.m_connection;
        m_stmt = other.m_stmt;
        m_eof = other.m_eof;
        other.m_stmt = nullptr;
        other.m_eof = true;
    }
    return *this;
}

SqliteRecordset::~SqliteRecordset() { Close(); }

void SqliteRecordset::Close()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    m_eof = true;
}

void SqliteRecordset::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return;
    m_eof = true;
    if (rc != SQLITE_DONE) {
        const KavloError error = m_connection->failure(rc);
        Close();
        throw error;
    }
}

void SqliteRecordset::MoveNext()
{
    if (!m_eof)
        step();
}

int SqliteRecordset::FieldIndex(const char *column) const
{
    if (m_stmt) {
        const int n = sqlite3_column_count(m_stmt);
        for (int i = 0; i < n; ++i)
            if (sqlite3_stricmp(sqlite3_column_name(m_stmt, i), column) == 0)
                return i;
    }
    throw KavloError(QStringLiteral("No column named %1").arg(QLatin1String(column)));
}

void SqliteRecordset::checkNotNull(int index) const
{
    if (m_eof || !m_stmt)
        throw KavloError(QStringLiteral("No current row"));
    if (sqlite3_column_type(m_stmt, index) == SQLITE_NULL)
        throw KavloError(QStringLiteral("Column %1 holds a null value")
                             .arg(QString::fromUtf8(sqlite3_column_name(m_stmt, index))));
}

const char *SqliteRecordset::FieldRaw(int index, int *length) const
{
    checkNotNull(index);
    const auto *data = static_cast<const char *>(sqlite3_column_blob(m_stmt, index));
    *length = sqlite3_column_bytes(m_stmt, index);
    return data ? data : "";
}

QByteArray SqliteRecordset::FieldBytes(int index) const
{
    int length = 0;
    const char *data = FieldRaw(index, &length);
    return QByteArray(data, length);
}

double SqliteRecordset::FieldDouble(int index) const
{
    checkNotNull(index);
    const int type = sqlite3_column_type(m_stmt, index);
    if (type != SQLITE_FLOAT && type != SQLITE_INTEGER)
        throw KavloError(QStringLiteral("Column %1 does not hold a number")
                             .arg(QString::fromUtf8(sqlite3_column_name(m_stmt, index))));
    return sqlite3_column_double(m_stmt, index);
}

qint64 SqliteRecordset::FieldInteger(int index) const
{
    checkNotNull(index);
    if (sqlite3_column_type(m_stmt, index) != SQLITE_INTEGER)
        throw KavloError(QStringLiteral("Column %1 does not hold an integer")
                             .arg(QString::fromUtf8(sqlite3_column_name(m_stmt, index))));
    return sqlite3_column_int64(m_stmt, index);
}

// --- SqliteConnection --------------------------------------------------------

SqliteConnection::~SqliteConnection() { Close(); }

void SqliteConnection::Open(const QString &path, bool create)
{
    Close();
    m_path = path;
    const QByteArray name = path.toUtf8();
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0),
                             nullptr);
    if (rc != SQLITE_OK && !create && QFileInfo::exists(path)) {
        // A ledger that cannot be written may still be read.
        sqlite3_close(db);
        db = nullptr;
        rc = sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    }
    m_db = db;
    if (rc != SQLITE_OK) {
        const KavloError error = failure(rc);
        sqlite3_close(db);
        m_db = nullptr;
        throw error;
    }
    sqlite3_extended_result_codes(m_db, 1);
    m_readOnly = sqlite3_db_readonly(m_db, "main") == 1;
    // Another program holding the file briefly should not fail an operation;
    // a lock held for longer still does, with SQLite's own message.
    sqlite3_busy_timeout(m_db, 2000);
}

void SqliteConnection::Close()
{
    if (m_db) {
        // Statements left over from a failed operation must not keep the
        // file open: finalize them so the close always succeeds.
        while (sqlite3_stmt *stmt = sqlite3_next_stmt(m_db, nullptr))
            sqlite3_finalize(stmt);
        sqlite3_close(m_db);
        m_db = nullptr;
    }
    m_readOnly = false;
}

bool SqliteConnection::hasLedgerTables() const
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(m_db,
                           "select count(*) from sqlite_master where type='table' and "
                           "name in ('Users_Table','Programs_Table','All_Table')",
                           -1, &stmt, nullptr) != SQLITE_OK)
        return true; // cannot tell: leave the engine's answer alone
    const bool found = sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_int(stmt, 0) == 3;
    sqlite3_finalize(stmt);
    return found;
}

KavloError SqliteConnection::failure(int rc) const
{
    const QString message = engineMessage(m_db, rc);
    switch (rc & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return KavloError(message, FailureCause::NotALedger, m_path);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return KavloError(message, FailureCause::InUse, m_path);
    case SQLITE_FULL:
        return KavloError(message, FailureCause::DiskFull, m_path);
    case SQLITE_ERROR:
        // A zero-length file opens as an empty database; an empty or foreign
        // schema is not a damaged ledger but no ledger at all.
        if (m_db && !hasLedgerTables())
            return KavloError(QStringLiteral("the file lacks the ledger's tables Users_Table, Programs_Table "
                                             "and All_Table"),
                              FailureCause::NotALedger, m_path);
        return KavloError(message, FailureCause::Unknown, m_path);
    default:
        break;
    }
    if (!isOsFailure(rc))
        return KavloError(message, FailureCause::Unknown, m_path);
    const FailureCause system = m_db ? CauseOfErrno(sqlite3_system_errno(m_db)) : FailureCause::Unknown;
    if (system == FailureCause::DiskFull || ((rc & 0xff) == SQLITE_IOERR && NoRoomToGrow(m_path)))
        return KavloError(message, FailureCause::DiskFull, m_path);
    // The engine says only that it could not open or write; the file and its
    // folder tell why.
    const WriteObstacle obstacle = FindWriteObstacle(m_path);
    if (obstacle.cause != FailureCause::Unknown) {
        QString text = message;
        if (!text.contains(obstacle.systemText))
            text += QStringLiteral(" (%1)").arg(obstacle.systemText);
        return KavloError(text, obstacle.cause, m_path);
    }
    if ((rc & 0xff) == SQLITE_READONLY)
        return KavloError(message, FailureCause::ReadOnly, m_path);
    return KavloError(message, system, m_path);
}

sqlite3_stmt *SqliteConnection::prepare(const char *sql, std::initializer_list<SqlValue> params)
{
    if (!m_db)
        throw KavloError(QStringLiteral("The database is not open"), FailureCause::Unknown, m_path);
    sqlite3_stmt *stmt = nullptr;
    const int prepared = sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr);
    if (prepared != SQLITE_OK)
        throw failure(prepared);
    int index = 1;
    for (const SqlValue &value : params) {
        int rc = SQLITE_OK;
        switch (value.kind()) {
        case SqlValue::Kind::Text:
            rc = sqlite3_bind_text(stmt, index, value.text().constData(), int(value.text().size()),
                                   SQLITE_TRANSIENT);
            break;
        case SqlValue::Kind::Real:
            rc = sqlite3_bind_double(stmt, index, value.real());
            break;
        case SqlValue::Kind::Integer:
            rc = sqlite3_bind_int64(stmt, index, value.integer());
            break;
        }
        if (rc != SQLITE_OK) {
            const KavloError error = failure(rc);
            sqlite3_finalize(stmt);
            throw error;
        }
        ++index;
    }
    return stmt;
}

void SqliteConnection::Execute(const char *sql, std::initializer_list<SqlValue> params)
{
    sqlite3_stmt *stmt = prepare(sql, params);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        const KavloError error = failure(rc);
        sqlite3_finalize(stmt);
        throw error;
    }
    sqlite3_finalize(stmt);
}

SqliteRecordset SqliteConnection::Query(const char *sql, std::initializer_list<SqlValue> params)
{
    return SqliteRecordset(this, prepare(sql, params));
}

qint64 SqliteConnection::LastInsertId() const { return sqlite3_last_insert_rowid(m_db); }

int SqliteConnection::Changes() const { return sqlite3_changes(m_db); }

// --- Transaction -------------------------------------------------------------

Transaction::Transaction(SqliteConnection &connection) : m_connection(connection)
{
    // IMMEDIATE takes the write lock up front, so a busy database fails here,
    // before anything has been changed.
    m_connection.Execute("BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    if (!m_done && m_connection.IsOpen())
        sqlite3_exec(m_connection.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit()
{
    m_connection.Execute("COMMIT");
    m_done = true;
}
