#pragma once

#include "LedgerConnection.h"

#include <optional>

struct pg_conn;

// A ledger on a PostgreSQL server, through libpq. The connection is opened
// on first use and kept between operations; a connection the server closed
// while idle is noticed by the first statement of the next operation, which
// the store then runs once more on a new connection.
class PgConnection : public LedgerConnection
{
public:
    explicit PgConnection(const LedgerLocation &location);
    ~PgConnection() override;

    bool isServer() const override { return true; }
    void Acquire() override;
    void Release() override;
    void Disconnect() override;
    bool MayRetry() const override { return m_reused && m_statementsDone == 0; }

    using LedgerConnection::Execute;
    using LedgerConnection::Query;
    void Execute(const char *sql, const SqlValue *params, int count) override;
    Recordset Query(const char *sql, const SqlValue *params, int count) override;
    qint64 Changes() const override { return m_changes; }

    void Begin(TransactionKind kind) override;
    void Commit() override;
    void Rollback() noexcept override;
    QList<QByteArray> SchemaStatements() const override;

private:
    enum class Outcome { Committed, Aborted, Unknown };
    void connect(const char *timeoutSeconds);
    QByteArray userOptions() const;
    // After the commit's answer was lost: what became of the transaction.
    Outcome askOutcome(qint64 transaction);
    struct pg_result *run(const char *sql, const SqlValue *params, int count);
    struct pg_result *runOpening(const QByteArray &statement, int count, const char *const *values);
    [[noreturn]] void fail(struct pg_result *result) const;

    QByteArray m_conninfo;
    QString m_describe;
    pg_conn *m_conn = nullptr;
    qint64 m_changes = 0;
    bool m_reused = false;
    qint64 m_transaction = 0; // the open transaction's number
    int m_statementsDone = 0;
    // A transaction asked for whose start has not been sent yet: it goes
    // with the transaction's first statement.
    std::optional<TransactionKind> m_beginPending;
};
