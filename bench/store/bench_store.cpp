// Measures the ledger store on a database of 400,000 records (two users,
// 200,000 each over ten years) against two baselines measured in the same
// run: the floor (a bare SQLite read of the same rows) and the literal
// day-by-day algorithm (one query per day on the same schema).
#include "AmountText.h"
#include "RangeRows.h"
#include "SqliteConnection.h"
#include "TextCodec.h"
#include "StoreBench.h"
#include "unt_clsDatabaseUser.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

const QString kUser = QStringLiteral("张三");
const QString kOther = QStringLiteral("李四");

// The bare read: the same rows through sqlite3_step, every column taken as
// bytes, nothing decoded or formatted.
qint64 floorRead(const QString &path, const QDate &start, const QDate &end)
{
    SqliteConnection connection;
    connection.Open(path);
    SqliteRecordset rs = connection.Query(
        "select ID, Program_Date, Program_Type, Program_Name, Program_Money, Program_Memo "
        "from All_Table where User_Name=?1 and Program_Date>=?2 and Program_Date<=?3 "
        "order by Program_Date asc, Program_Type asc, ID asc",
        {EncodeField(kUser), start.toString(Qt::ISODate).toLatin1(), end.toString(Qt::ISODate).toLatin1()});
    qint64 bytes = 0;
    for (; !rs.IsEOF(); rs.MoveNext()) {
        for (int c = 0; c < 6; ++c) {
            int length = 0;
            rs.FieldRaw(c, &length);
            bytes += length;
        }
    }
    rs.Close();
    connection.Close();
    return bytes;
}

// The day-by-day algorithm as first designed: one query per day.
void literalList(const QString &path, const QDate &start, const QDate &end, DayTotals &days,
                 RangeRecords &records)
{
    days = DayTotals();
    records = RangeRecords();
    const QByteArray n = EncodeField(kUser);
    SqliteConnection connection;
    connection.Open(path);
    for (QDate d = start; d <= end; d = d.addDays(1)) {
        const QString dayText = d.toString(Qt::ISODate);
        SqliteRecordset rs = connection.Query(
            "select * from All_Table where User_Name=?1 and Program_Date=?2 order by Program_Type asc,ID asc",
            {n, dayText.toLatin1()});
        double expense = 0, income = 0;
        for (; !rs.IsEOF(); rs.MoveNext()) {
            const QString type = DecodeField(rs.FieldBytes("Program_Type"));
            const double money = rs.FieldDouble("Program_Money");
            (type == kTypeExpense ? expense : income) += money;
            records.id << QString::number(rs.FieldInteger("ID"));
            records.date << dayText;
            records.type << type;
            records.name << DecodeField(rs.FieldBytes("Program_Name"));
            records.amount << FormatAmount(money);
            records.memo << DecodeField(rs.FieldBytes("Program_Memo"));
        }
        days.date << dayText;
        days.expense << FormatAmount(expense);
        days.income << FormatAmount(income);
        days.balance << FormatAmount(income - expense);
    }
    connection.Close();
}

bool same(const DayTotals &a, const DayTotals &b)
{
    return a.date == b.date && a.expense == b.expense && a.income == b.income && a.balance == b.balance;
}

bool same(const RangeRecords &a, const RangeRecords &b)
{
    return a.id == b.id && a.date == b.date && a.type == b.type && a.name == b.name && a.amount == b.amount &&
           a.memo == b.memo;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.sjk"));
    TclsDatabaseUser::CreateDatabaseFile(path);
    TclsDatabaseUser store(path);
    const QDate first(2015, 1, 1);
    const QDate last = first.addYears(10).addDays(-1);
    const int span = int(first.daysTo(last)) + 1;

    QElapsedTimer timer;
    timer.start();
    FillBenchRecords(store, kUser, first, span, 200000);
    FillBenchRecords(store, kOther, first, span, 200000);
    std::printf("setup: 400000 records written in %.0f ms\n", double(timer.elapsed()));

    DayTotals days;
    RangeRecords records;
    const double tenYears = bestOf(3, [&] { store.ListRecordsOfDate(kUser, first, last, days, records); });
    std::printf("ListRecordsOfDate, 10 years (%d days, %d records): %.1f ms (target <= 1000 ms)\n", days.size(),
                records.size(), tenYears);
    const QDate yearStart(2020, 1, 1), yearEnd(2020, 12, 31);
    const double oneYear = bestOf(5, [&] { store.ListRecordsOfDate(kUser, yearStart, yearEnd, days, records); });
    std::printf("ListRecordsOfDate, 1 year (%d records): %.1f ms (target <= 100 ms)\n", records.size(), oneYear);

    qint64 bytes = 0;
    const RunFigures floorRuns = measureRuns(5, [&] { bytes = floorRead(path, first, last); });
    const double floorMs = floorRuns.best;
    std::printf("floor: bare SQLite read of the same rows, 10 years (%lld bytes): %.1f ms (cpu %.1f ms; spread "
                "%.1f ms)\n",
                bytes, floorMs, floorRuns.bestCpu, floorRuns.spread());
    // What the browse windows read: the texts stay undecoded until shown.
    RangeRows rows;
    const RunFigures rowRuns = measureRuns(5, [&] { store.ListRecordsOfDate(kUser, first, last, days, rows); });
    const double rowRatio = rowRuns.best / floorMs;
    std::printf("ListRecordsOfDate undecoded, 10 years (%d records): %.1f ms (cpu %.1f ms; spread %.1f ms), x%.2f "
                "the floor (cpu x%.2f; target <= x1.50)%s\n",
                rows.size(), rowRuns.best, rowRuns.bestCpu, rowRuns.spread(), rowRatio,
                rowRuns.bestCpu / floorRuns.bestCpu, rowRatio <= 1.5 ? "" : " MISSED");

    DayTotals literalDays;
    RangeRecords literalRecords;
    const double literalMs = bestOf(1, [&] { literalList(path, first, last, literalDays, literalRecords); });
    store.ListRecordsOfDate(kUser, first, last, days, records);
    const bool identical = same(days, literalDays) && same(records, literalRecords);
    std::printf("literal: one query per day, 10 years: %.1f ms; results %s (%d records)\n", literalMs,
                identical ? "identical" : "DIFFERENT", literalRecords.size());

    const LunchBatch lunches;
    const double addMs =
        bestOf(3, [&] { store.AddRecord(kOther, kTypeExpense, lunches.dates, lunches.names, lunches.amounts, lunches.memos); });
    std::printf("AddRecord, 1000 rows: %.1f ms (target <= 100 ms)\n", addMs);

    ProgramTotals totals;
    const double totalsMs =
        bestOf(5, [&] { store.GetProgramTotals(kUser, kTypeExpense, yearStart, yearEnd, totals); });
    std::printf("GetProgramTotals, 1 year (%d items): %.1f ms (target <= 50 ms)\n", totals.size(), totalsMs);

    std::printf("ratio to floor %.1f, ratio to literal %.1f\n", tenYears / floorMs, literalMs / tenYears);
    return identical ? 0 : 1;
}
