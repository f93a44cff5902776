#include "LedgerCopy.h"

#include "KavloError.h"
#include "LedgerExtensions.h"

#include <QCryptographicHash>

#include <algorithm>

namespace {

const char kUsers[] = "select User_Name, User_Password from Users_Table order by rowid";
const char kLists[] = "select Out_Program_Names, In_Program_Names, User_Name from Programs_Table order by rowid";
const char kRecords[] = "select ID, Program_Date, Program_Type, Program_Name, Program_Money, Program_Memo, User_Name "
                        "from All_Table order by ID";

qint64 scalar(LedgerConnection &connection, const char *sql, std::initializer_list<SqlValue> params = {})
{
    Recordset rs = connection.Query(sql, params);
    return rs.IsEOF() ? 0 : rs.FieldInteger(0);
}

void addField(QCryptographicHash &hash, const QByteArray &bytes)
{
    // Length first, so no two different rows give the same stream.
    hash.addData(QByteArray::number(bytes.size()) + ':');
    hash.addData(bytes);
}

QByteArray moneyText(double value) { return QByteArray::number(value, 'g', 17); }

// The next ID a new record would get: IDs once handed out are never reused,
// also after the newest record was deleted.
qint64 nextRecordId(LedgerConnection &connection)
{
    const qint64 afterMax = scalar(connection, "select coalesce(max(ID), 0) + 1 from All_Table");
    qint64 sequence = 0;
    if (connection.isServer()) {
        sequence = scalar(connection, "select coalesce(pg_sequence_last_value("
                                      "pg_get_serial_sequence('all_table', 'id')::regclass), 0) + 1");
    } else {
        sequence = scalar(connection, "select coalesce(max(seq), 0) + 1 from sqlite_sequence where name='All_Table'");
    }
    return std::max(afterMax, sequence);
}

void setNextRecordId(LedgerConnection &connection, qint64 next)
{
    if (connection.isServer()) {
        Recordset rs = connection.Query("select setval(pg_get_serial_sequence('all_table', 'id'), ?1, false)",
                                        {next});
        return;
    }
    connection.Execute("delete from sqlite_sequence where name='All_Table'");
    connection.Execute("insert into sqlite_sequence (name, seq) values ('All_Table', ?1)", {next - 1});
}

// Inserts rows of one table in statements of up to 500 rows.
class BatchInsert
{
public:
    BatchInsert(LedgerConnection &connection, const QByteArray &head, int columns)
        : m_connection(connection), m_head(head), m_columns(columns)
    {
    }
    void add(std::initializer_list<SqlValue> row) { add(QList<SqlValue>(row)); }
    void add(const QList<SqlValue> &row)
    {
        m_params.append(row);
        if (++m_rows == 500)
            flush();
    }
    void flush()
    {
        if (m_rows == 0)
            return;
        QByteArray sql(m_head);
        for (int r = 0; r < m_rows; ++r) {
            sql += r ? ",(" : " values (";
            for (int c = 1; c <= m_columns; ++c)
                sql += '?' + QByteArray::number(r * m_columns + c) + (c < m_columns ? "," : ")");
        }
        m_connection.Execute(sql.constData(), m_params.constData(), int(m_params.size()));
        m_params.clear();
        m_rows = 0;
    }

private:
    LedgerConnection &m_connection;
    QByteArray m_head;
    int m_columns;
    int m_rows = 0;
    QList<SqlValue> m_params;
};

} // namespace

bool HasLedgerTables(LedgerConnection &connection)
{
    if (connection.isServer())
        return scalar(connection, "select count(*) from pg_catalog.pg_tables where schemaname = current_schema() "
                                  "and lower(tablename) in ('users_table','programs_table','all_table')") > 0;
    return scalar(connection, "select count(*) from sqlite_master where type='table' and "
                              "name in ('Users_Table','Programs_Table','All_Table')") > 0;
}

LedgerSummary SummarizeLedger(LedgerConnection &connection)
{
    LedgerSummary summary;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    {
        Recordset rs = connection.Query(kUsers);
        for (; !rs.IsEOF(); rs.MoveNext(), ++summary.users)
            for (int c = 0; c < 2; ++c)
                addField(hash, rs.FieldBytes(c));
    }
    hash.addData("|lists|");
    {
        Recordset rs = connection.Query(kLists);
        for (; !rs.IsEOF(); rs.MoveNext(), ++summary.lists)
            for (int c = 0; c < 3; ++c)
                addField(hash, rs.FieldBytes(c));
    }
    hash.addData("|records|");
    {
        Recordset rs = connection.Query(kRecords);
        for (; !rs.IsEOF(); rs.MoveNext(), ++summary.records) {
            addField(hash, QByteArray::number(rs.FieldInteger(0)));
            for (int c = 1; c < 7; ++c)
                addField(hash, c == 4 ? moneyText(rs.FieldDouble(c)) : rs.FieldBytes(c));
        }
    }
    // Tables added later: a ledger lacking one reads it as empty, as the
    // program does, so an old ledger and its copy (which has every table)
    // compare equal.
    for (const LedgerExtension &extension : LedgerExtensions()) {
        hash.addData("|" + extension.table + "|");
        if (!HasExtensionTable(connection, extension))
            continue;
        const int columns = int(extension.columns.count(',') + 1);
        const QByteArray sql = "select " + extension.columns + " from " + extension.table + " order by " +
                               extension.orderBy;
        for (Recordset rs = connection.Query(sql.constData()); !rs.IsEOF(); rs.MoveNext()) {
            ++summary.extensionRows;
            for (int c = 0; c < columns; ++c)
                addField(hash, rs.FieldBytes(c));
        }
    }
    summary.checksum = hash.result().toHex();
    return summary;
}

LedgerSummary CopyLedger(LedgerConnection &from, LedgerConnection &to, const CopyProgress &progress)
{
    OperationScope source(from);
    OperationScope target(to);
    // Reads of the source and writes of the target in one transaction each:
    // the copy is of one moment of the source and lands whole or not at all.
    LedgerTransaction reading(from, TransactionKind::Records);
    const LedgerSummary original = SummarizeLedger(from);
    LedgerTransaction writing(to, TransactionKind::Records);
    if (!HasLedgerTables(to)) {
        for (const QByteArray &statement : to.SchemaStatements())
            to.Execute(statement.constData());
    } else if (!SummarizeLedger(to).isEmpty()) {
        throw KavloError(QStringLiteral("目标账本不是空的：为了不混淆两本账，只能复制到空账本。"));
    }
    CreateExtensionTables(to);
    {
        BatchInsert users(to, "insert into Users_Table (User_Name,User_Password)", 2);
        for (Recordset rs = from.Query(kUsers); !rs.IsEOF(); rs.MoveNext())
            users.add({rs.FieldBytes(0), rs.FieldBytes(1)});
        users.flush();
        BatchInsert lists(to, "insert into Programs_Table (Out_Program_Names,In_Program_Names,User_Name)", 3);
        for (Recordset rs = from.Query(kLists); !rs.IsEOF(); rs.MoveNext())
            lists.add({rs.FieldBytes(0), rs.FieldBytes(1), rs.FieldBytes(2)});
        lists.flush();
        BatchInsert records(to,
                            "insert into All_Table (ID,Program_Date,Program_Type,Program_Name,Program_Money,"
                            "Program_Memo,User_Name)",
                            7);
        qint64 done = 0;
        for (Recordset rs = from.Query(kRecords); !rs.IsEOF(); rs.MoveNext()) {
            records.add({rs.FieldInteger(0), rs.FieldBytes(1), rs.FieldBytes(2), rs.FieldBytes(3),
                         rs.FieldDouble(4), rs.FieldBytes(5), rs.FieldBytes(6)});
            if (progress && ++done % 10000 == 0)
                progress(done, original.records);
        }
        records.flush();
        if (progress)
            progress(original.records, original.records);
    }
    // Every table added later, whatever it is, column by column as text:
    // each engine turns the text back into the column's type.
    for (const LedgerExtension &extension : LedgerExtensions()) {
        if (!HasExtensionTable(from, extension))
            continue;
        const int columns = int(extension.columns.count(',') + 1);
        const QByteArray select = "select " + extension.columns + " from " + extension.table + " order by " +
                                  extension.orderBy;
        BatchInsert rows(to, "insert into " + extension.table + " (" + extension.columns + ")", columns);
        for (Recordset rs = from.Query(select.constData()); !rs.IsEOF(); rs.MoveNext()) {
            QList<SqlValue> row;
            for (int c = 0; c < columns; ++c)
                row.append(rs.FieldBytes(c));
            rows.add(row);
        }
        rows.flush();
    }
    setNextRecordId(to, nextRecordId(from));
    const LedgerSummary copied = SummarizeLedger(to);
    if (!(copied == original))
        throw KavloError(QStringLiteral("复制后的账本与原账本不一致（%1 个用户、%2 条记录，应为 %3 个用户、%4 条记录），已撤销复制。")
                             .arg(copied.users)
                             .arg(copied.records)
                             .arg(original.users)
                             .arg(original.records));
    writing.Commit();
    return copied;
}
