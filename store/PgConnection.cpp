#include "PgConnection.h"

#include "KavloError.h"

#include <QElapsedTimer>
#include <QThread>
#include <QUrl>

#include <libpq-fe.h>

#include <charconv>
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
        // from_chars rounds as strtod does and costs a fraction of it, which
        // matters over the amounts of a long range; strtod takes whatever
        // else strtod would accept.
        const char *textEnd = text + PQgetlength(m_result.get(), m_row, index);
        double value = 0;
        const auto [stop, error] = std::from_chars(text, textEnd, value);
        if (error == std::errc() && stop == textEnd)
            return value;
        char *end = nullptr;
        value = std::strtod(text, &end);
        if (end == text || *end)
            throw KavloError(QStringLiteral("Column %1 does not hold a number").arg(name(index)));
        return value;
    }
    qint64 FieldInteger(int index) const override
    {
        checkNotNull(index);
        const char *text = PQgetvalue(m_result.get(), m_row, index);
        const char *textEnd = text + PQgetlength(m_result.get(), m_row, index);
        qint64 parsed = 0;
        const auto [stop, error] = std::from_chars(text, textEnd, parsed);
        if (error == std::errc() && stop == textEnd && stop != text)
            return parsed;
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

// Seconds a connect may take; asking about a lost commit's outcome waits
// less, so the save does not hang on a server that does not answer.
const char kConnectSeconds[] = "15";
const char kAskConnectSeconds[] = "2";
constexpr qint64 kAskMilliseconds = 3000;

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
    m_beginPending.reset();
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
    connect(kConnectSeconds);
}

void PgConnection::connect(const char *timeoutSeconds)
{
    // A server whose packets vanish would otherwise hold the window for
    // minutes: the connect has a time limit, and keepalives and the TCP
    // user timeout notice a server that went silent mid-operation within
    // seconds (the server's own kernel answers them while it works on a
    // long statement, so a busy server is not taken for a dead one). The
    // user's string, expanded from dbname, overrides what stands before
    // it. What stands after it is the program's: the text encoding, and the
    // date style sent with the connection request instead of costing a
    // round trip of its own.
    const char *keywords[] = {"connect_timeout", "keepalives", "keepalives_idle", "keepalives_interval",
                              "keepalives_count", "tcp_user_timeout", "dbname", "client_encoding", "options",
                              "fallback_application_name", nullptr};
    const QByteArray options = userOptions() + " -c datestyle=ISO,YMD";
    const char *values[] = {timeoutSeconds, "1", "4", "2", "2", "8000", m_conninfo.constData(), "UTF8",
                            options.constData(), "kavlo", nullptr};
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
}

// Server options the user's own string asks for, kept when the program adds
// its own.
QByteArray PgConnection::userOptions() const
{
    ConninfoOptions parsed;
    parsed.options = PQconninfoParse(m_conninfo.constData(), nullptr);
    return parsed.value("options").toUtf8();
}

void PgConnection::Release()
{
    // A failed operation may leave a transaction open or the connection
    // broken; the next operation must start clean.
    m_beginPending.reset();
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
    if (m_beginPending)
        return runOpening(statement, count, values.data());
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
    if (!m_conn)
        throw KavloError(QStringLiteral("The ledger server is not connected"), FailureCause::ConnectionLost,
                         m_describe);
    // Nothing is sent yet: the start travels with the first statement, so a
    // change across a network costs one round trip fewer (a login two, not
    // three).
    m_beginPending = kind;
}

// The transaction's start, its lock and its number, then its first
// statement, sent as one pipeline and answered in one round trip. The
// number lets a new connection ask about the commit when its answer is
// lost. A login deletes the user's row and inserts it again; two of those
// on one user at once would leave two rows, or none seen by the other. The
// lock conflicts with itself only, so readers never wait for it.
PGresult *PgConnection::runOpening(const QByteArray &statement, int count, const char *const *values)
{
    const TransactionKind kind = *m_beginPending;
    m_beginPending.reset();
    std::vector<const char *> parts{"begin"};
    if (kind == TransactionKind::Users)
        parts.push_back("lock table Users_Table in share row exclusive mode");
    parts.push_back("select txid_current()");
    const std::size_t numberAt = parts.size() - 1;

    if (PQenterPipelineMode(m_conn) != 1)
        fail(nullptr);
    bool sent = true;
    for (const char *part : parts)
        sent = sent && PQsendQueryParams(m_conn, part, 0, nullptr, nullptr, nullptr, nullptr, 0) == 1;
    sent = sent && PQsendQueryParams(m_conn, statement.constData(), count, nullptr, values, nullptr, nullptr, 0) == 1;
    sent = sent && PQpipelineSync(m_conn) == 1;

    // One answer per statement, each followed by a null, then the sync.
    std::vector<ResultPtr> answers;
    bool complete = false;
    if (sent) {
        const std::size_t expected = parts.size() + 1;
        while (answers.size() < expected) {
            PGresult *answer = PQgetResult(m_conn);
            if (!answer)
                break; // the connection failed before this statement's answer
            answers.emplace_back(answer, &PQclear);
            if (PQresultStatus(answer) == PGRES_PIPELINE_SYNC)
                break; // not expected before every statement's answer
            while (PGresult *extra = PQgetResult(m_conn)) // the null after an answer
                PQclear(extra);
        }
        if (answers.size() == expected) {
            PGresult *sync = PQgetResult(m_conn);
            complete = sync && PQresultStatus(sync) == PGRES_PIPELINE_SYNC;
            PQclear(sync);
        }
    }
    // The first statement that did not succeed is the one to report; the
    // ones after it were only answered "aborted".
    PGresult *failure = nullptr;
    for (const ResultPtr &answer : answers) {
        const ExecStatusType status = PQresultStatus(answer.get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            failure = answer.get();
            break;
        }
    }
    // A connection left in pipeline mode would refuse every later statement:
    // then the next operation starts on a new one.
    if (!complete || PQexitPipelineMode(m_conn) != 1) {
        try {
            fail(failure);
        } catch (...) {
            Disconnect();
            throw;
        }
    }
    if (failure)
        fail(failure);
    ++m_statementsDone;
    const PGresult *number = answers.at(numberAt).get();
    if (PQntuples(number) != 1)
        fail(nullptr);
    m_transaction = std::strtoll(PQgetvalue(number, 0, 0), nullptr, 10);
    return answers.back().release();
}

void PgConnection::Commit()
{
    if (m_beginPending) {
        // Nothing was sent, so there is nothing to commit.
        m_beginPending.reset();
        return;
    }
    const qint64 transaction = m_transaction;
    try {
        Execute("commit");
    } catch (const KavloError &e) {
        if (e.cause() != FailureCause::ConnectionLost)
            throw;
        switch (askOutcome(transaction)) {
        case Outcome::Committed:
            return;
        case Outcome::Aborted:
            throw;
        case Outcome::Unknown:
            break;
        }
        throw KavloError(QStringLiteral("结果不能确定：与账本服务器 %1 的连接在提交这次修改时中断，"
                                        "而服务器暂时无法回答这次修改是否已经生效。\n%2")
                             .arg(m_describe, e.message()),
                         FailureCause::OutcomeUnknown, m_describe);
    }
}

PgConnection::Outcome PgConnection::askOutcome(qint64 transaction)
{
    // One new connection, asked for a few seconds at most: the old one's
    // server process may still be finishing the commit ("in progress").
    QElapsedTimer waited;
    waited.start();
    try {
        Disconnect();
        connect(kAskConnectSeconds);
        while (true) {
            Recordset rs = Query("select coalesce(txid_status(?1), 'unknown') as s", {transaction});
            const QByteArray status = rs.FieldBytes(0);
            if (status == "committed")
                return Outcome::Committed;
            if (status == "aborted")
                return Outcome::Aborted;
            if (status != "in progress" || waited.elapsed() > kAskMilliseconds)
                return Outcome::Unknown;
            QThread::msleep(200);
        }
    } catch (const KavloError &) {
        Disconnect();
        return Outcome::Unknown;
    }
}

void PgConnection::Rollback() noexcept
{
    m_beginPending.reset();
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
