#pragma once

#include "KavloError.h"

#include <QByteArray>
#include <QString>

#include <initializer_list>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;
class SqliteConnection;

// A value bound to a statement parameter. Values are always bound, never
// pasted into SQL text.
class SqlValue
{
public:
    enum class Kind { Text, Real, Integer };
    SqlValue(const QByteArray &text) : m_kind(Kind::Text), m_text(text) {}
    SqlValue(const char *text) : m_kind(Kind::Text), m_text(text) {}
    SqlValue(double value) : m_kind(Kind::Real), m_real(value) {}
    SqlValue(qint64 value) : m_kind(Kind::Integer), m_integer(value) {}

    Kind kind() const { return m_kind; }
    const QByteArray &text() const { return m_text; }
    double real() const { return m_real; }
    qint64 integer() const { return m_integer; }

private:
    Kind m_kind;
    QByteArray m_text;
    double m_real = 0;
    qint64 m_integer = 0;
};

// A forward-only result set: positioned on the first row after the query,
// IsEOF() once past the last. Columns are read by name; a null fails.
class SqliteRecordset
{
public:
    SqliteRecordset() = default;
    SqliteRecordset(SqliteRecordset &&other) noexcept;
    SqliteRecordset &operator=(SqliteRecordset &&other) noexcept;
    SqliteRecordset(const SqliteRecordset &) = delete;
    SqliteRecordset &operator=(const SqliteRecordset &) = delete;
    ~SqliteRecordset();

    bool IsEOF() const { return m_eof; }
    void MoveNext();
    void Close();

    int FieldIndex(const char *column) const; // throws when there is no such column
    // The column's bytes; valid until MoveNext. Throws on null.
    QByteArray FieldBytes(int index) const;
    QByteArray FieldBytes(const char *column) const { return FieldBytes(FieldIndex(column)); }
    double FieldDouble(int index) const;
    double FieldDouble(const char *column) const { return FieldDouble(FieldIndex(column)); }
    qint64 FieldInteger(int index) const;
    qint64 FieldInteger(const char *column) const { return FieldInteger(FieldIndex(column)); }
    // Raw access for hot loops: pointer and length, throws on null.
    const char *FieldRaw(int index, int *length) const;

private:
    friend class SqliteConnection;
    SqliteRecordset(const SqliteConnection *connection, sqlite3_stmt *stmt);
    void step();
    void checkNotNull(int index) const;

    const SqliteConnection *m_connection = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
    bool m_eof = true;
};

// A connection to one database file. Open never creates a missing file: a
// missing, unreadable or damaged database fails with SQLite's message. A
// ledger that cannot be opened for writing (a read-only file, folder or mount,
// another user's file) is opened read-only: reading works, and every write
// fails with the cause ReadOnly or NoPermission before anything is changed.
// Every failure carries its cause and the database path.
class SqliteConnection
{
public:
    SqliteConnection() = default;
    SqliteConnection(const SqliteConnection &) = delete;
    SqliteConnection &operator=(const SqliteConnection &) = delete;
    ~SqliteConnection();

    void Open(const QString &path, bool create = false);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    // True when the open connection can only read.
    bool IsReadOnly() const { return m_readOnly; }
    QString path() const { return m_path; }

    // Runs a statement that returns no rows.
    void Execute(const char *sql, std::initializer_list<SqlValue> params = {});
    // Runs a query; the result set is positioned on its first row.
    SqliteRecordset Query(const char *sql, std::initializer_list<SqlValue> params = {});
    qint64 LastInsertId() const;
    int Changes() const;

    sqlite3 *handle() const { return m_db; }

    // The failure of the last call, which returned `rc`, with its cause told
    // from the engine's code and the state of the file.
    KavloError failure(int rc) const;

private:
    sqlite3_stmt *prepare(const char *sql, std::initializer_list<SqlValue> params);
    bool hasLedgerTables() const;

    sqlite3 *m_db = nullptr;
    QString m_path;
    bool m_readOnly = false;
};

// The cause a system error number stands for, as far as the user can act on
// it (ReadOnly for a read-only mount or an immutable file, NoPermission for a
// file or folder of another user, DiskFull for ENOSPC, EDQUOT and EFBIG).
FailureCause CauseOfErrno(int error);

// Why the file at `path` cannot be written, from the system's own answer:
// Missing, ReadOnly or NoPermission (for the file or for the folder, where
// the engine makes its journal) with the system's text; Unknown when nothing
// stands in the way.
struct WriteObstacle {
    FailureCause cause = FailureCause::Unknown;
    QString systemText;
};
WriteObstacle FindWriteObstacle(const QString &path);

// True when the file at `path` cannot grow by much: its size is near the
// process's file size limit, or its disk has all but no room left.
bool NoRoomToGrow(const QString &path);

// Opens the connection for one operation and closes it at the end, whatever
// happens in between.
class ConnectionScope
{
public:
    ConnectionScope(SqliteConnection &connection, const QString &path) : m_connection(connection)
    {
        m_connection.Open(path);
    }
    ~ConnectionScope() { m_connection.Close(); }
    ConnectionScope(const ConnectionScope &) = delete;
    ConnectionScope &operator=(const ConnectionScope &) = delete;

private:
    SqliteConnection &m_connection;
};

// All statements of one operation take effect together or not at all.
class Transaction
{
public:
    explicit Transaction(SqliteConnection &connection);
    ~Transaction(); // rolls back unless committed
    void Commit();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

private:
    SqliteConnection &m_connection;
    bool m_done = false;
};
