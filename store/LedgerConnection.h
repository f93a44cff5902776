#pragma once

#include "SqliteConnection.h" // SqlValue

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

#include <initializer_list>
#include <memory>

// Where a ledger lives: a local database file, or a PostgreSQL server named
// by a libpq connection string. As text (what windows pass to each other) a
// server location is a libpq URI, "postgresql://..." or "postgres://...";
// anything else is a file path.
class LedgerLocation
{
public:
    LedgerLocation() = default;
    static LedgerLocation File(const QString &path) { return LedgerLocation(false, path); }
    // Accepts both forms libpq does (key=value pairs or a URI) and keeps it
    // as a URI, so the text form stays unambiguous.
    static LedgerLocation Server(const QString &conninfo);
    static LedgerLocation FromText(const QString &text);

    bool isServer() const { return m_server; }
    // The file path, or the server's connection string.
    QString text() const { return m_text; }
    // "host:port/database" for a server, the path for a file: what the user
    // is shown. Never holds a password.
    QString describe() const;

private:
    LedgerLocation(bool server, const QString &text) : m_server(server), m_text(text) {}
    bool m_server = false;
    QString m_text;
};

// One engine's forward-only result set, positioned on the first row after
// the query, IsEOF() once past the last. Columns are read by name; a null
// fails the operation.
class RecordsetEngine
{
public:
    virtual ~RecordsetEngine() = default;
    virtual bool IsEOF() const = 0;
    virtual void MoveNext() = 0;
    virtual int FieldIndex(const char *column) const = 0; // throws when there is no such column
    // Pointer and length of the column's bytes, valid until MoveNext. Throws on null.
    virtual const char *FieldRaw(int index, int *length) const = 0;
    virtual double FieldDouble(int index) const = 0;
    virtual qint64 FieldInteger(int index) const = 0;
};

class Recordset
{
public:
    Recordset() = default;
    explicit Recordset(std::unique_ptr<RecordsetEngine> engine) : m_engine(std::move(engine)) {}

    bool IsEOF() const { return !m_engine || m_engine->IsEOF(); }
    void MoveNext() { m_engine->MoveNext(); }
    void Close() { m_engine.reset(); }
    int FieldIndex(const char *column) const { return m_engine->FieldIndex(column); }
    const char *FieldRaw(int index, int *length) const { return m_engine->FieldRaw(index, length); }
    QByteArray FieldBytes(int index) const;
    QByteArray FieldBytes(const char *column) const { return FieldBytes(FieldIndex(column)); }
    double FieldDouble(int index) const { return m_engine->FieldDouble(index); }
    double FieldDouble(const char *column) const { return FieldDouble(FieldIndex(column)); }
    qint64 FieldInteger(int index) const { return m_engine->FieldInteger(index); }
    qint64 FieldInteger(const char *column) const { return FieldInteger(FieldIndex(column)); }

private:
    std::unique_ptr<RecordsetEngine> m_engine;
};

// What a transaction is about to change. User rows are read and rewritten in
// one go (a login deletes the row and inserts it again), so those
// transactions must not interleave with each other on a shared ledger.
enum class TransactionKind { Records, Users };

// The store's view of a database: statements written once for both engines
// with ?1, ?2 ... parameter markers, every value bound. A local file is
// opened for one operation and closed again; a server connection is opened
// on first use and kept, since each connect costs a network round trip.
class LedgerConnection
{
public:
    virtual ~LedgerConnection() = default;

    virtual bool isServer() const = 0;
    // Ready for one operation; Release ends it (a file closes, a server
    // connection stays open for the next).
    virtual void Acquire() = 0;
    virtual void Release() = 0;
    virtual void Disconnect() = 0;
    // True when the operation just failed on a kept connection that the
    // server had closed while it was idle, before any statement of the
    // operation ran: reconnecting and running the operation again is safe.
    virtual bool MayRetry() const = 0;

    virtual void Execute(const char *sql, const SqlValue *params, int count) = 0;
    virtual Recordset Query(const char *sql, const SqlValue *params, int count) = 0;
    // Rows changed by the latest Execute.
    virtual qint64 Changes() const = 0;

    virtual void Begin(TransactionKind kind) = 0;
    virtual void Commit() = 0;
    virtual void Rollback() noexcept = 0;

    // The statements that make an empty ledger, in this engine's dialect.
    virtual QList<QByteArray> SchemaStatements() const = 0;

    void Execute(const char *sql, std::initializer_list<SqlValue> params = {})
    {
        Execute(sql, params.begin(), int(params.size()));
    }
    Recordset Query(const char *sql, std::initializer_list<SqlValue> params = {})
    {
        return Query(sql, params.begin(), int(params.size()));
    }

    // Creates the ledger's tables in an empty database, in one transaction.
    void CreateSchema();

    // Tables added later (see LedgerExtensions.h) that this connection has
    // seen: a server connection asks once, a file is asked every time, as
    // another program may replace it between operations.
    bool knowsTable(const QByteArray &table) const { return m_tables.contains(table); }
    // Within a transaction a table may be one it made: it counts once the
    // transaction commits.
    void rememberTable(const QByteArray &table)
    {
        if (!isServer())
            return;
        if (m_inTransaction)
            m_tablesOnCommit.insert(table);
        else
            m_tables.insert(table);
    }
    void transactionStarted() { m_inTransaction = true; }
    void transactionEnded(bool committed)
    {
        if (committed)
            m_tables.unite(m_tablesOnCommit);
        m_tablesOnCommit.clear();
        m_inTransaction = false;
    }

protected:
    // A new connection may reach a database that changed meanwhile.
    void forgetTables()
    {
        m_tables.clear();
        m_tablesOnCommit.clear();
    }

private:
    QSet<QByteArray> m_tables;
    QSet<QByteArray> m_tablesOnCommit;
    bool m_inTransaction = false;
};

std::unique_ptr<LedgerConnection> MakeLedgerConnection(const LedgerLocation &location, bool createFile = false);

// One operation: acquires the connection and releases it whatever happens.
class OperationScope
{
public:
    explicit OperationScope(LedgerConnection &connection) : m_connection(connection) { m_connection.Acquire(); }
    ~OperationScope() { m_connection.Release(); }
    OperationScope(const OperationScope &) = delete;
    OperationScope &operator=(const OperationScope &) = delete;

private:
    LedgerConnection &m_connection;
};

// All statements of one operation take effect together or not at all.
class LedgerTransaction
{
public:
    LedgerTransaction(LedgerConnection &connection, TransactionKind kind) : m_connection(connection)
    {
        m_connection.Begin(kind);
        m_connection.transactionStarted();
    }
    ~LedgerTransaction()
    {
        if (!m_done) {
            m_connection.Rollback();
            m_connection.transactionEnded(false);
        }
    }
    void Commit()
    {
        m_connection.Commit();
        m_done = true;
        m_connection.transactionEnded(true);
    }
    LedgerTransaction(const LedgerTransaction &) = delete;
    LedgerTransaction &operator=(const LedgerTransaction &) = delete;

private:
    LedgerConnection &m_connection;
    bool m_done = false;
};
