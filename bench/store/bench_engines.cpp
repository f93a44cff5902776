// The ledger store on both engines side by side: a local SQLite file and a
// PostgreSQL server on loopback, each with 200,000 records of one user over
// ten years plus 200,000 of another. Every figure also as a ratio to a bare
// read of the same rows on the same engine (each field as the engine hands it
// over: a server's text as bytes, a file's numbers as numbers; nothing decoded).
//
// Needs a server: run inside pg_virtualenv, or without PG* settings the
// program runs itself inside one.
#include "AmountText.h"
#include "DelayProxy.h"
#include "LedgerConnection.h"
#include "../support/ThrowawayServer.h"
#include "RangeRows.h"
#include "TextCodec.h"
#include "StoreBench.h"
#include "unt_clsDatabaseUser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <unistd.h>

namespace {

const QString kUser = QStringLiteral("张三");
const QString kOther = QStringLiteral("李四");
const QDate kFirst(2015, 1, 1);
const QDate kLast = kFirst.addYears(10).addDays(-1);
const QDate kYearStart(2020, 1, 1);
const QDate kYearEnd(2020, 12, 31);

// A bare read: the rows of one query, every column taken in the form the
// engine hands it over. A server sends text, taken as bytes; a file holds
// numbers as numbers (`kinds`: i integer, r real, t text, one letter per
// column), and taking those as bytes would make SQLite print each one.
void bareReadOnce(LedgerConnection &connection, const char *kinds, const char *sql, const QList<SqlValue> &values)
{
    OperationScope scope(connection);
    Recordset rs = connection.Query(sql, values.constData(), int(values.size()));
    const int columns = int(std::strlen(kinds));
    const bool wireText = connection.isServer();
    qint64 bytes = 0;
    double numbers = 0;
    for (; !rs.IsEOF(); rs.MoveNext()) {
        for (int c = 0; c < columns; ++c) {
            if (!wireText && kinds[c] == 'i') {
                numbers += double(rs.FieldInteger(c));
            } else if (!wireText && kinds[c] == 'r') {
                numbers += rs.FieldDouble(c);
            } else {
                int length = 0;
                rs.FieldRaw(c, &length);
                bytes += length;
            }
        }
    }
    if (bytes == 0 && numbers == 0)
        std::printf("  (no rows read)\n");
}

double bareRead(LedgerConnection &connection, const char *kinds, const char *sql,
                std::initializer_list<SqlValue> params)
{
    const QList<SqlValue> values(params);
    return bestOf(5, [&] { bareReadOnce(connection, kinds, sql, values); });
}

const char kListingQuery[] = "select ID, Program_Date, Program_Type, Program_Name, Program_Money, Program_Memo "
                             "from All_Table where User_Name=?1 and Program_Date>=?2 and Program_Date<=?3 "
                             "order by Program_Date asc, Program_Type asc, ID asc";
const char kListingKinds[] = "itttrt";

// The range read the browse windows use (texts decoded only when shown)
// beside the bare read of the same rows, each with its processor time and
// the spread of the runs: the machine is shared with other work.
struct RangeReadFigures {
    RunFigures ten, one, floorTen, floorOne;
};

RangeReadFigures measureRangeReads(TclsDatabaseUser &store, LedgerConnection &raw)
{
    RangeReadFigures f;
    DayTotals days;
    RangeRows rows;
    auto floorRuns = [&](const QDate &start, const QDate &end) {
        const QList<SqlValue> values{EncodeField(kUser), start.toString(Qt::ISODate).toLatin1(),
                                     end.toString(Qt::ISODate).toLatin1()};
        return measureRuns(5, [&] { bareReadOnce(raw, kListingKinds, kListingQuery, values); });
    };
    f.ten = measureRuns(5, [&] { store.ListRecordsOfDate(kUser, kFirst, kLast, days, rows); });
    f.floorTen = floorRuns(kFirst, kLast);
    f.one = measureRuns(7, [&] { store.ListRecordsOfDate(kUser, kYearStart, kYearEnd, days, rows); });
    f.floorOne = floorRuns(kYearStart, kYearEnd);
    return f;
}

void rangeReadRow(const char *what, const RunFigures &read, const RunFigures &floor)
{
    const double ratio = read.best / floor.best;
    std::printf("  %-10s %8.1f ms (spread %6.1f, cpu %7.1f)   bare %8.1f ms (spread %6.1f, cpu %7.1f)   x%4.2f "
                "(cpu x%4.2f)   target <= x1.50%s\n",
                what, read.best, read.spread(), read.bestCpu, floor.best, floor.spread(), floor.bestCpu, ratio,
                read.bestCpu / floor.bestCpu, ratio <= 1.5 ? "" : "  MISSED");
}

// The listing's rows, as the listing reads them.
double floorRead(LedgerConnection &connection, const QDate &start, const QDate &end)
{
    return bareRead(connection, kListingKinds,
                    "select ID, Program_Date, Program_Type, Program_Name, Program_Money, Program_Memo "
                    "from All_Table where User_Name=?1 and Program_Date>=?2 and Program_Date<=?3 "
                    "order by Program_Date asc, Program_Type asc, ID asc",
                    {EncodeField(kUser), start.toString(Qt::ISODate).toLatin1(), end.toString(Qt::ISODate).toLatin1()});
}

struct Figures {
    double tenYears, oneYear, floorTen, floorOne, add, floorAdd, login, floorLogin, totals;
    int records;
    RangeReadFigures rangeReads;
};

Figures measure(const char *engine, const LedgerLocation &location)
{
    std::printf("%s: %s\n", engine, location.describe().toUtf8().constData());
    TclsDatabaseUser::CreateLedger(location);
    TclsDatabaseUser store(location);
    store.CreateUser(kUser, QStringLiteral("pw"));
    store.CreateUser(kOther, QStringLiteral("pw"));
    QElapsedTimer timer;
    timer.start();
    FillBenchRecords(store, kUser, kFirst, int(kFirst.daysTo(kLast)) + 1, 200000);
    FillBenchRecords(store, kOther, kFirst, int(kFirst.daysTo(kLast)) + 1, 200000);
    std::printf("  setup: 400000 records written in %.0f ms\n", double(timer.elapsed()));

    Figures f{};
    DayTotals days;
    RangeRecords records;
    f.tenYears = bestOf(3, [&] { store.ListRecordsOfDate(kUser, kFirst, kLast, days, records); });
    f.records = records.size();
    f.oneYear = bestOf(5, [&] { store.ListRecordsOfDate(kUser, kYearStart, kYearEnd, days, records); });
    auto raw = MakeLedgerConnection(location);
    f.floorTen = floorRead(*raw, kFirst, kLast);
    f.floorOne = floorRead(*raw, kYearStart, kYearEnd);

    const LunchBatch lunches;
    f.add = bestOf(3, [&] { store.AddRecord(kOther, kTypeExpense, lunches.dates, lunches.names, lunches.amounts, lunches.memos); });
    f.floorAdd = bareRead(*raw, kListingKinds,
                          "select ID, Program_Date, Program_Type, Program_Name, Program_Money, Program_Memo "
                          "from All_Table where User_Name=?1 and Program_Date=?2 order by ID limit 1000",
                          {EncodeField(kOther), QByteArray("2030-01-01")});
    f.login = bestOf(20, [&] { store.CheckLogin(kUser, QStringLiteral("pw")); });
    f.floorLogin = bareRead(*raw, "tt", "select User_Name, User_Password from Users_Table where User_Name=?1",
                            {EncodeField(kUser)});
    ProgramTotals totals;
    f.totals = bestOf(5, [&] { store.GetProgramTotals(kUser, kTypeExpense, kYearStart, kYearEnd, totals); });
    f.rangeReads = measureRangeReads(store, *raw);
    return f;
}

void row(const char *what, double sqlite, double server, double sqliteFloor, double serverFloor, const char *target)
{
    std::printf("%-34s %9.1f ms (x%5.1f) %9.1f ms (x%5.1f)   %s\n", what, sqlite, sqlite / sqliteFloor, server,
                server / serverFloor, target);
}

// One operation through the proxy: the best time of several runs and the
// round trips of one.
struct Trip {
    double ms = 0;
    int roundTrips = 0;
};

Trip overProxy(DelayProxy &proxy, int runs, const std::function<void()> &work)
{
    Trip trip;
    work(); // connected and warm
    proxy.roundTrips();
    work();
    trip.roundTrips = proxy.roundTrips();
    trip.ms = bestOf(runs, work);
    return trip;
}

struct DelayedFigures {
    Trip login, users, lists, oneYear, tenYears, add;
};

DelayedFigures measureDelayed(DelayProxy &proxy, double delay)
{
    proxy.setDelay(delay);
    TclsDatabaseUser store(LedgerLocation::Server(proxy.conninfo(QStringLiteral("kavlo_bench"))));
    DelayedFigures f;
    DayTotals days;
    RangeRecords records;
    const LunchBatch lunches;
    f.login = overProxy(proxy, 10, [&] { store.CheckLogin(kUser, QStringLiteral("pw")); });
    f.users = overProxy(proxy, 10, [&] { store.GetUserNames(); });
    f.lists = overProxy(proxy, 10, [&] { store.LoadProgramNames(kUser); });
    f.oneYear = overProxy(proxy, 5, [&] { store.ListRecordsOfDate(kUser, kYearStart, kYearEnd, days, records); });
    f.tenYears = overProxy(proxy, 2, [&] { store.ListRecordsOfDate(kUser, kFirst, kLast, days, records); });
    // A new pending list each time, as the entry panel saves it.
    f.add = overProxy(proxy, 3, [&] {
        store.AddRecord(kOther, kTypeExpense, lunches.dates, lunches.names, lunches.amounts, lunches.memos,
                        TclsDatabaseUser::NewSaveKey());
    });
    return f;
}

void delayedRow(const char *what, const Trip &direct, const Trip &delayed, double target, int tripTarget)
{
    const bool missed = (target > 0 && delayed.ms > target) || (tripTarget > 0 && delayed.roundTrips > tripTarget);
    QStringList targets;
    if (target > 0)
        targets << QStringLiteral("<= %1 ms").arg(target);
    if (tripTarget > 0)
        targets << QStringLiteral("<= %1 trips").arg(tripTarget);
    std::printf("%-28s %9.1f ms %3d trips %9.1f ms %3d trips   %s\n", what, direct.ms, direct.roundTrips,
                delayed.ms, delayed.roundTrips, qPrintable(targets.join(QStringLiteral(", "))));
    if (missed)
        std::printf("%-28s MISSED\n", "");
}

} // namespace

int main(int argc, char **argv)
{
    RunInsideThrowawayServer(argv);
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const Figures local = measure("SQLite", LedgerLocation::File(dir.filePath(QStringLiteral("bench.sjk"))));
    {
        auto admin = MakeLedgerConnection(LedgerLocation::Server(QStringLiteral("dbname=postgres")));
        OperationScope scope(*admin);
        admin->Execute("drop database if exists kavlo_bench");
        admin->Execute("create database kavlo_bench");
    }
    const Figures server = measure("PostgreSQL", LedgerLocation::Server(QStringLiteral("dbname=kavlo_bench")));

    std::printf("\n%d records in 10 years, ratios to the bare read of the same rows on the same engine\n",
                local.records);
    std::printf("%-34s %26s %26s   %s\n", "", "SQLite file", "PostgreSQL loopback", "server target");
    row("bare read, 10 years", local.floorTen, server.floorTen, local.floorTen, server.floorTen, "");
    // The exports' read: every text of every row decoded up front. The
    // windows' read, which decodes a text when it is shown, is below.
    row("all texts decoded, 10 years", local.tenYears, server.tenYears, local.floorTen, server.floorTen,
        "<= 1500 ms");
    row("bare read, 1 year", local.floorOne, server.floorOne, local.floorOne, server.floorOne, "");
    row("all texts decoded, 1 year", local.oneYear, server.oneYear, local.floorOne, server.floorOne, "<= 150 ms");
    row("GetProgramTotals, 1 year", local.totals, server.totals, local.floorOne, server.floorOne, "");
    row("bare read of 1000 rows", local.floorAdd, server.floorAdd, local.floorAdd, server.floorAdd, "");
    row("AddRecord, 1000 rows", local.add, server.add, local.floorAdd, server.floorAdd, "<= 200 ms");
    row("bare read of a user row", local.floorLogin, server.floorLogin, local.floorLogin, server.floorLogin, "");
    row("CheckLogin", local.login, server.login, local.floorLogin, server.floorLogin, "<= 20 ms");
    const bool met = server.tenYears <= 1500 && server.oneYear <= 150 && server.add <= 200 && server.login <= 20;
    std::printf("server targets %s\n", met ? "met" : "NOT met");

    std::printf("\nrange read as View and the daily listing use it (texts decoded when shown), best of the runs;\n"
                "spread: worst minus best; cpu: this process's processor time (the server's own is not in it)\n");
    for (const auto &[engine, figures] : {std::pair{"SQLite file", &local}, std::pair{"PostgreSQL loopback", &server}}) {
        std::printf("%s\n", engine);
        rangeReadRow("10 years", figures->rangeReads.ten, figures->rangeReads.floorTen);
        rangeReadRow("1 year", figures->rangeReads.one, figures->rangeReads.floorOne);
    }

    // The same server across a house network or a small VPN: a loopback
    // proxy holds every chunk 2.5 ms each way (a 5 ms round trip).
    DelayProxy proxy(QStringLiteral(KAVLO_DELAY_PROXY));
    const DelayedFigures direct = measureDelayed(proxy, 0);
    const DelayedFigures delayed = measureDelayed(proxy, 2.5);
    std::printf("\nPostgreSQL through a loopback proxy, round trips counted by the proxy\n");
    std::printf("%-28s %23s %23s   %s\n", "", "0 ms each way", "2.5 ms each way", "target at 2.5 ms");
    delayedRow("CheckLogin (login)", direct.login, delayed.login, 20, 3);
    delayedRow("GetUserNames", direct.users, delayed.users, 0, 3);
    delayedRow("LoadProgramNames", direct.lists, delayed.lists, 0, 3);
    delayedRow("all texts decoded, 1 year", direct.oneYear, delayed.oneYear, 150, 0);
    delayedRow("all texts decoded, 10 years", direct.tenYears, delayed.tenYears, 1500, 0);
    delayedRow("AddRecord, 1000 rows, keyed", direct.add, delayed.add, 200, 0);
    return 0;
}
