#include "SqliteConnection.h"

#include "KavloError.h"

#include <sqlite3.h>

#include <cstring>

namespace {
QString engineMessage(sqlite3 *db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}
} // namespace

// --- SqliteRecordset ---------------------------------------------------------

SqliteRecordset::SqliteRecordset(sqlite3 *db, sqlite3_stmt *stmt) : m_db(db), m_stmt(stmt), m_eof(false)
{
    step();
}

SqliteRecordset::SqliteRecordset(SqliteRecordset &&other) noexcept
    : m_db(other.m_db), m_stmt(other.m_stmt), m_eof(other.m_eof)
{
    other.m_stmt = nullptr;
    other.m_eof = true;
}

SqliteRecordset &SqliteRecordset::operator=(SqliteRecordset &&other) noexcept
{
    if (this != &other) {
        Close();
        m_db = other.m_db;
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
        const QString message = engineMessage(m_db);
        Close();
        throw KavloError(message);
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
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = engineMessage(db) + QStringLiteral(": ") + path;
        sqlite3_close(db);
        throw KavloError(message);
    }
    m_db = db;
    sqlite3_extended_result_codes(m_db, 1);
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
}

void SqliteConnection::fail(const QString &what) const
{
    throw KavloError(what.isEmpty() ? engineMessage(m_db) : what);
}

sqlite3_stmt *SqliteConnection::prepare(const char *sql, const SqlValue *params, int count)
{
    if (!m_db)
        fail(QStringLiteral("The database is not open"));
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        fail(QString());
    for (int index = 1; index <= count; ++index) {
        const SqlValue &value = params[index - 1];
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
            const QString message = engineMessage(m_db);
            sqlite3_finalize(stmt);
            fail(message);
        }
    }
    return stmt;
}

void SqliteConnection::Execute(const char *sql, const SqlValue *params, int count)
{
    sqlite3_stmt *stmt = prepare(sql, params, count);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        const QString message = engineMessage(m_db);
        sqlite3_finalize(stmt);
        fail(message);
    }
    sqlite3_finalize(stmt);
}

SqliteRecordset SqliteConnection::Query(const char *sql, const SqlValue *params, int count)
{
    return SqliteRecordset(m_db, prepare(sql, params, count));
}

qint64 SqliteConnection::LastInsertId() const { return sqlite3_last_insert_rowid(m_db); }

int SqliteConnection::Changes() const { return sqlite3_changes(m_db); }
