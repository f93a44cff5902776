#include "LedgerConnection.h"

#include "KavloError.h"
#include "LedgerExtensions.h"
#include "PgConnection.h"

#include <sqlite3.h>

QByteArray Recordset::FieldBytes(int index) const
{
    int length = 0;
    const char *data = FieldRaw(index, &length);
    return QByteArray(data, length);
}

void LedgerConnection::CreateSchema()
{
    OperationScope scope(*this);
    LedgerTransaction transaction(*this, TransactionKind::Records);
    for (const QByteArray &statement : SchemaStatements())
        Execute(statement.constData());
    CreateExtensionTables(*this);
    transaction.Commit();
}

namespace {

const char kSqliteSchema[] = R"SQL(
create table Users_Table (
    User_Name text,
    User_Password text
);
create index Users_Table_User on Users_Table (User_Name);
create table Programs_Table (
    Out_Program_Names text,
    In_Program_Names text,
    User_Name text
);
create index Programs_Table_User on Programs_Table (User_Name);
create table All_Table (
    ID integer primary key autoincrement,
    Program_Date text,
    Program_Type text,
    Program_Name text,
    Program_Money real,
    Program_Memo text,
    User_Name text
);
create index All_Table_User_Date on All_Table (User_Name, Program_Date, Program_Type);
)SQL";

class SqliteRecordsetEngine : public RecordsetEngine
{
public:
    explicit SqliteRecordsetEngine(SqliteRecordset rs) : m_rs(std::move(rs)) {}
    bool IsEOF() const override { return m_rs.IsEOF(); }
    void MoveNext() override { m_rs.MoveNext(); }
    int FieldIndex(const char *column) const override { return m_rs.FieldIndex(column); }
    const char *FieldRaw(int index, int *length) const override { return m_rs.FieldRaw(index, length); }
    double FieldDouble(int index) const override { return m_rs.FieldDouble(index); }
    qint64 FieldInteger(int index) const override { return m_rs.FieldInteger(index); }

private:
    SqliteRecordset m_rs;
};

// A local file: opened for each operation and closed at its end, so several
// store objects (and other programs) share the file without holding it.
class SqliteLedgerConnection : public LedgerConnection
{
public:
    SqliteLedgerConnection(const QString &path, bool create) : m_path(path), m_create(create) {}

    bool isServer() const override { return false; }
    void Acquire() override { m_connection.Open(m_path, m_create); }
    void Release() override { m_connection.Close(); }
    void Disconnect() override { m_connection.Close(); }
    bool MayRetry() const override { return false; }
    void Execute(const char *sql, const SqlValue *params, int count) override
    {
        m_connection.Execute(sql, params, count);
    }
    Recordset Query(const char *sql, const SqlValue *params, int count) override
    {
        return Recordset(std::make_unique<SqliteRecordsetEngine>(m_connection.Query(sql, params, count)));
    }
    qint64 Changes() const override { return m_connection.Changes(); }
    // IMMEDIATE takes the write lock up front, so a busy database fails
    // here, before anything has been changed.
    void Begin(TransactionKind) override { m_connection.Execute("BEGIN IMMEDIATE"); }
    void Commit() override { m_connection.Execute("COMMIT"); }
    void Rollback() noexcept override
    {
        if (m_connection.IsOpen())
            sqlite3_exec(m_connection.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    QList<QByteArray> SchemaStatements() const override
    {
        QList<QByteArray> statements;
        for (const QByteArray &statement : QByteArray(kSqliteSchema).split(';'))
            if (!statement.trimmed().isEmpty())
                statements.append(statement.trimmed());
        return statements;
    }

private:
    QString m_path;
    bool m_create;
    SqliteConnection m_connection;
};

} // namespace

std::unique_ptr<LedgerConnection> MakeLedgerConnection(const LedgerLocation &location, bool createFile)
{
    if (location.isServer())
        return std::make_unique<PgConnection>(location);
    return std::make_unique<SqliteLedgerConnection>(location.text(), createFile);
}
