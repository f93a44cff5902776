#include "PgConnection.h"

#include "KavloError.h"

#include <QUrl>

#include <libpq-fe.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using ResultPtr = std::unique_ptr<PGresult, decltype(&PQclear)>;

struct ConninfoOptions {
    PQconninfoOption *options = nullptr;
    ~ConninfoOptions() { PQconninfoFree(options); }
    QString value(const char *keyword) const
    {
        for (PQconninfoOption *o = options; o && o->keyword; ++o)
            if (std::strcmp(o->keyword, keyword) == 0 && o->val)
                return QString::fromUtf8(o->val);
        return QString();
    }
};

// libpq indents the second line of its messages with a tab.
QString trimmedMessage(const char *message)
{
    return QString::fromUtf8(message).trimmed().replace(QLatin1String("\n\t"), QLatin1String("\n"));
}

// Statements are written with SQLite's ?N markers; PostgreSQL's are $N.
// No statement of the store holds a quoted literal with a question mark.
QByteArray pgDialect(const char *sql)
{
    QByteArray out(sql);
    for (qsizetype i = 0; i < out.size(); ++i)
        if (out.at(i) == '?' && i + 1 < out.size() && out.at(i + 1) >= '0' && out.at(i + 1) <= '9')
            out[i] = '$';
    return out;
}

FailureCause causeOf(const char *sqlstate)
{
    if (!sqlstate)
        return FailureCause::Unknown;
    const QByteArray state(sqlstate);
    if (state == "53100")
        return FailureCause::DiskFull;
    if (state == "25006")
        return FailureCause::ReadOnly;
    if (state == "42501")
        return FailureCause::NoPermission;
    if (state.startsWith("08") || state.startsWith("57P"))
        return FailureCause::ConnectionLost;
    if (state == "3D000")
        return FailureCause::Missing;
    if (state == "42P01")
        return FailureCause::NotALedger;
    if (state == "55P03" || state == "40P01" || state == "40001")
        return FailureCause::InUse;
    return FailureCause::Unknown;
}

class PgRecordset : public RecordsetEngine
{
public:
    explicit PgRecordset(PGresult *result) : m_result(result, &PQclear), m_rows(PQntuples(result)) {}

    bool IsEOF() const override { return m_row >= m_rows; }
    void MoveNext() override
    {
        if (m_row < m_rows)
            ++m_row;
    }
    int FieldIndex(const char *column) const override
    {
        const int index = PQfnumber(m_result.get(), column);
        if (index < 0)
            throw KavloError(QStringLiteral("No column named %1").arg(QLatin1String(column)));
        if (m_names.size() <= index)
            m_names.resize(index + 1);
        m_names[index] = QLatin1String(column);
        return index;
    }
    const char *FieldRaw(int index, int *length) const override
    {
        checkNotNull(index);
        *length = PQgetlength(m_result.get(), m_row, index);
        return PQgetvalue(m_result.get(), m_row, index);
    }
    double FieldDouble(int index) const override
    {
        checkNotNull(index);
        const char *text = PQgetvalue(m_result.get(), m_row, index);
        char *end = nullptr;
        const double value = std::strtod(text, &end);
        if (end == text || *end)
            throw KavloError(QStringLiteral("Column %1 does not hold a number").arg(name(index)));
        return value;
    }
    qint64 FieldInteger(int index) const override
    {
        checkNotNull(index);
        const char *text = PQgetvalue(m_result.get(), m_row, index);
        char *end = nullptr;
        const qint64 value = std::strtoll(text, &end, 10);
        if (end == text || *end)
            throw KavloError(QStringLiteral("Column %1 does not hold an integer").arg(name(index)));
        return value;
    }

private:
    // Messages name a column as the store asked for it, not in the lower
    // case the server folds unquoted names to.
    QString name(int index) const
    {
        if (index < m_names.size() && !m_names.at(index).isEmpty())
            return m_names.at(index);
        return QString::fromUtf8(PQfname(m_result.get(), index));
    }
    void checkNotNull(int index) const
    {
        if (m_row >= m_rows)
            throw KavloError(QStringLiteral("No current row"));
        if (index < 0 || index >= PQnfields(m_result.get()))
            throw KavloError(QStringLiteral("No column %1").arg(index));
        if (PQgetisnull(m_result.get(), m_row, index))
            throw KavloError(QStringLiteral("Column %1 holds a null value").arg(name(index)));
    }

    ResultPtr m_result;
    int m_rows;
    int m_row = 0;
    mutable QList<QString> m_names;
};

const char *const kPgSchema[] = {
    // rowid keeps the order of insertion, which the user list is read in.
    "create table Users_Table ("
    " rowid bigint generated always as identity primary key,"
    " User_Name text collate \"C\","
    " User_Password text collate \"C\")",
    "create index Users_Table_User on Users_Table (User_Name)",
    "create table Programs_Table ("
    " rowid bigint generated always as identity primary key,"
    " Out_Program_Names text collate \"C\","
    " In_Program_Names text collate \"C\","
    " User_Name text collate \"C\")",
    "create index Programs_Table_User on Programs_Table (User_Name)",
    // ID by default, so a copied ledger keeps its record numbers.
    "create table All_Table ("
    " ID bigint generated by default as identity primary key,"
    " Program_Date date,"
    " Program_Type text collate \"C\","
    " Program_Name text collate \"C\","
    " Program_Money double precision,"
    " Program_Memo text collate \"C\","
    " User_Name text collate \"C\")",
    "create index All_Table_User_Date on All_Table (User_Name, Program_Date, Program_Type, ID)",
    "create table Kavlo_Schema (Version integer not null)",
    "insert into Kavlo_Schema (Version) values (1)",
};

} // namespace

// --- LedgerLocation ------------------------------------------------------------

LedgerLocation LedgerLocation::Server(const QString &conninfo)
{
    const QString trimmed = conninfo.trimmed();
    if (trimmed.startsWith(QLatin1String("postgresql://")) || trimmed.startsWith(QLatin1String("postgres://")))
        return LedgerLocation(true, trimmed);
    char *error = nullptr;
    ConninfoOptions parsed;
    parsed.options = PQconninfoParse(trimmed.toUtf8().constData(), &error);
    if (!parsed.options) {
        const QString reason = error ? trimmedMessage(error) : QStringLiteral("out of memory");
        PQfreemem(error);
        throw KavloError(QStringLiteral("服务器连接字符串有误：%1").arg(reason));
    }
    // Every libpq keyword may stand in a URI's query part.
    QString uri = QStringLiteral("postgresql://");
    QChar separator = QLatin1Char('?');
    for (PQconninfoOption *o = parsed.options; o->keyword; ++o) {
        if (!o->val)
            continue;
        uri += separator + QLatin1String(o->keyword) + QLatin1Char('=') +
               QString::fromLatin1(QUrl::toPercentEncoding(QString::fromUtf8(o->val)));
        separator = QLatin1Char('&');
    }
    return LedgerLocation(true, uri);
}

LedgerLocation LedgerLocation::FromText(const QString &text)
{
    if (text.startsWith(QLatin1String("postgresql://")) || text.startsWith(QLatin1String("postgres://")))
        return LedgerLocation(true, text);
    return File(text);
}

QString LedgerLocation::describe() const
{
    if (!m_server)
        return m_text;
    ConninfoOptions parsed;
    parsed.options = PQconninfoParse(m_text.toUtf8().constData(), nullptr);
    ConninfoOptions defaults;
    defaults.options = PQconndefaults();
    auto pick = [&](const char *keyword) {
        const QString given = parsed.value(keyword);
        return given.isEmpty() ? defaults.value(keyword) : given;
    };
    QString host = pick("host");
    if (host.isEmpty())
        host = pick("hostaddr");
    if (host.isEmpty() || host.startsWith(QLatin1Char('/')))
        host = QStringLiteral("localhost");
    QString database = pick("dbname");
    if (database.isEmpty())
        database = pick("user");
    const QString port = pick("port");
    return host + (port.isEmpty() ? QString() : QLatin1Char(':') + port) + QLatin1Char('/') + database;
}

// --- PgConnection --------------------------------------------------------------

PgConnection::PgConnection(const LedgerLocation &location)
    : m_conninfo(location.text().toUtf8()), m_describe(location.describe())
{
}

PgConnection::~PgConnection() { Disconnect(); }

void PgConnection::Disconnect()
{
    forgetTables();
    if (m_conn)
        PQfinish(m_conn);
    m_conn = nullptr;
}

void PgConnection::Acquire()
{
    m_statementsDone = 0;
    if (m_conn && PQstatus(m_conn) == CONNECTION_OK && PQtransactionStatus(m_conn) == PQTRANS_IDLE) {
        m_reused = true;
        return;
    }
    Disconnect();
    m_reused = false;
    // A server whose packets vanish would otherwise hold the window for
    // minutes; the user's string, expanded from dbname, overrides what
    // stands before it. The text encoding after it is the program's.
    const char *keywords[] = {"connect_timeout", "dbname", "client_encoding", "fallback_application_name", nullptr};
    const char *values[] = {"15", m_conninfo.constData(), "UTF8", "kavlo", nullptr};
    PGconn *conn = PQconnectdbParams(keywords, values, 1);
    if (!conn)
        throw KavloError(QStringLiteral("无法连接账本服务器 %1：out of memory").arg(m_describe),
                         FailureCause::ServerUnreachable, m_describe);
    if (PQstatus(conn) != CONNECTION_OK) {
        const QString reason = trimmedMessage(PQerrorMessage(conn));
        PQfinish(conn);
        throw KavloError(QStringLiteral("无法连接账本服务器 %1：%2").arg(m_describe, reason),
                         FailureCause::ServerUnreachable, m_describe);
    }
    m_conn = conn;
    // Dates come back as yyyy-mm-dd whatever the server's default style.
    ResultPtr result(PQexec(m_conn, "set datestyle to 'ISO, YMD'"), &PQclear);
    if (PQresultStatus(result.get()) != PGRES_COMMAND_OK)
        fail(result.get());
}

void PgConnection::Release()
{
    // A failed operation may leave a transaction open or the connection
    // broken; the next operation must start clean.
    if (!m_conn)
        return;
    if (PQstatus(m_conn) != CONNECTION_OK)
        Disconnect();
    else if (PQtransactionStatus(m_conn) != PQTRANS_IDLE)
        Rollback();
}

void PgConnection::fail(PGresult *result) const
{
    const bool lost = !m_conn || PQstatus(m_conn) == CONNECTION_BAD;
    const char *sqlstate = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const FailureCause cause = lost ? FailureCause::ConnectionLost : causeOf(sqlstate);
    QString reason = result ? trimmedMessage(PQresultErrorMessage(result)) : QString();
    if (reason.isEmpty() && m_conn)
        reason = trimmedMessage(PQerrorMessage(m_conn));
    if (cause == FailureCause::ConnectionLost)
        throw KavloError(QStringLiteral("与账本服务器 %1 的连接已中断：%2").arg(m_describe, reason), cause,
                         m_describe);
    throw KavloError(reason, cause, m_describe);
}

PGresult *PgConnection::run(const char *sql, const SqlValue *params, int count)
{
    if (!m_conn)
        throw KavloError(QStringLiteral("The ledger server is not connected"), FailureCause::ConnectionLost,
                         m_describe);
    std::vector<QByteArray> texts;
    std::vector<const char *> values;
    texts.reserve(count);
    values.reserve(count);
    for (int i = 0; i < count; ++i) {
        const SqlValue &value = params[i];
        switch (value.kind()) {
        case SqlValue::Kind::Text:
            values.push_back(value.text().constData());
            continue;
        case SqlValue::Kind::Real:
            // 17 significant digits give back exactly the same double.
            texts.push_back(QByteArray::number(value.real(), 'g', 17));
            break;
        case SqlValue::Kind::Integer:
            texts.push_back(QByteArray::number(value.integer()));
            break;
        }
        values.push_back(texts.back().constData());
    }
    const QByteArray statement = pgDialect(sql);
    PGresult *result = PQexecParams(m_conn, statement.constData(), count, nullptr, values.data(), nullptr,
                                    nullptr, 0);
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        ResultPtr owned(result, &PQclear);
        fail(result);
    }
    ++m_statementsDone;
    return result;
}

void PgConnection::Execute(const char *sql, const SqlValue *params, int count)
{
    ResultPtr result(run(sql, params, count), &PQclear);
    const char *changed = PQcmdTuples(result.get());
    m_changes = (changed && *changed) ? std::strtoll(changed, nullptr, 10) : 0;
}

Recordset PgConnection::Query(const char *sql, const SqlValue *params, int count)
{
    return Recordset(std::make_unique<PgRecordset>(run(sql, params, count)));
}

void PgConnection::Begin(TransactionKind kind)
{
    Execute("begin");
    // A login deletes the user's row and inserts it again; two of those on
    // one user at once would leave two rows, or none seen by the other.
    // The lock conflicts with itself only, so readers never wait for it.
    if (kind == TransactionKind::Users)
        Execute("lock table Users_Table in share row exclusive mode");
}

void PgConnection::Commit()
{
    // A connection lost while the commit is under way leaves open whether
    // it took effect; the transaction's number lets a new connection ask.
    qint64 transaction = 0;
    {
        Recordset rs = Query("select txid_current()");
        transaction = rs.FieldInteger(0);
    }
    try {
        Execute("commit");
    } catch (const KavloError &e) {
        if (e.cause() != FailureCause::ConnectionLost)
            throw;
        QByteArray status;
        try {
            Disconnect();
            Acquire();
            Recordset rs = Query("select txid_status(?1)", {transaction});
            status = rs.FieldBytes(0);
        } catch (const KavloError &) {
            throw KavloError(e.message() + QStringLiteral("\n无法确认最后这次保存是否已存入服务器：请在服务器恢复后按“查看”核对，再决定是否重新保存。"),
                             FailureCause::ConnectionLost, m_describe);
        }
        if (status == "committed")
            return;
        throw;
    }
}

void PgConnection::Rollback() noexcept
{
    if (m_conn && PQstatus(m_conn) == CONNECTION_OK && PQtransactionStatus(m_conn) != PQTRANS_IDLE) {
        PGresult *result = PQexec(m_conn, "rollback");
        PQclear(result);
    }
}

QList<QByteArray> PgConnection::SchemaStatements() const
{
    QList<QByteArray> statements;
    for (const char *statement : kPgSchema)
        statements.append(statement);
    return statements;
}
