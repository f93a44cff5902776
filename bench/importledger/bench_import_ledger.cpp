// A 10,000-row bill against a ledger of 200,000 records typed by hand: the
// check (identities stored, records that may be typed) and the save of the
// new rows with their identities, on a SQLite file and on a PostgreSQL
// server on loopback. Reading the file is timed too, for reference.
//
// Needs a server: run inside pg_virtualenv, or without PG* settings the
// program runs itself inside one.
#include "ImportBatch.h"
#include "KavloError.h"
#include "LedgerConnection.h"
#include "../support/ThrowawayServer.h"
#include "ProposeRecords.h"
#include "StatementReader.h"
#include "unt_clsDatabaseUser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>

namespace {

const QString kUser = QStringLiteral("张三");
const QDate kFirst(2016, 1, 1);
const QDate kLast(2025, 12, 31);
constexpr int kLedgerRecords = 200000;
constexpr int kBillRows = 10000;

// Ten years of hand-typed records, every fifth one income.
void fillLedger(TclsDatabaseUser &store)
{
    const int days = int(kFirst.daysTo(kLast)) + 1;
    for (int first = 0; first < kLedgerRecords; first += 10000) {
        QStringList dates[2], names[2], amounts[2], memos[2];
        for (int i = first; i < first + 10000; ++i) {
            const int t = i % 5 == 0 ? 1 : 0;
            dates[t] << kFirst.addDays(qint64(i) * days / kLedgerRecords).toString(Qt::ISODate);
            names[t] << (t ? QStringLiteral("工资收入") : QStringLiteral("买菜%1").arg(i % 33));
            amounts[t] << QStringLiteral("%1.%2").arg(1 + i % 300).arg(i % 100, 2, 10, QLatin1Char('0'));
            memos[t] << QString();
        }
        store.AddRecord(kUser, kTypeExpense, dates[0], names[0], amounts[0], memos[0]);
        store.AddRecord(kUser, kTypeIncome, dates[1], names[1], amounts[1], memos[1]);
    }
}

// A WeChat Pay bill of the ledger's last three months: 16 lines of notes,
// the header, then the rows, some of whose amounts a typed record shares.
QByteArray billText()
{
    QByteArray text;
    for (int i = 0; i < 15; ++i)
        text += "微信支付账单明细说明,,,,,,,,\n";
    text += "----------------------微信支付账单明细列表--------------------,,,,,,,,\n";
    text += "交易时间,交易类型,交易对方,商品,收/支,金额(元),支付方式,当前状态,交易单号,商户单号,备注\n";
    for (int i = 0; i < kBillRows; ++i) {
        const QDate day = kLast.addDays(-(i % 90));
        const bool income = i % 20 == 0;
        text += QStringLiteral("%1 %2:%3:00,%4,商户%5,商品%6,%7,¥%8.%9,零钱,支付成功,%10\t,m%10\t,/\n")
                    .arg(day.toString(Qt::ISODate))
                    .arg(8 + i % 12, 2, 10, QLatin1Char('0'))
                    .arg(i % 60, 2, 10, QLatin1Char('0'))
                    .arg(income ? QStringLiteral("转账") : QStringLiteral("商户消费"))
                    .arg(i % 400)
                    .arg(i % 50)
                    .arg(income ? QStringLiteral("收入") : QStringLiteral("支出"))
                    .arg(1 + i % 300)
                    .arg(i % 100, 2, 10, QLatin1Char('0'))
                    .arg(4200000000LL + i / 2) // order numbers reused, as real bills do
                    .toUtf8();
    }
    return text;
}

struct Figures {
    double read = 0, check = 0, store = 0, checkAgain = 0;
    int fresh = 0, maybeTyped = 0, stored = 0, duplicates = 0;
};

double elapsed(const QElapsedTimer &timer) { return timer.nsecsElapsed() / 1e6; }

Figures measure(const char *engine, const LedgerLocation &location, const QString &billPath)
{
    std::fprintf(stderr, "%s: making %d records...\n", engine, kLedgerRecords);
    TclsDatabaseUser::CreateLedger(location);
    TclsDatabaseUser store(location);
    store.CreateUser(kUser, QStringLiteral("pw"));
    fillLedger(store);

    Figures f;
    QElapsedTimer timer;
    timer.start();
    QList<ProposedRecord> records = ProposeRecords(ReadStatement(billPath), {});
    f.read = elapsed(timer);

    timer.restart();
    MatchAgainstLedger(records, store, kUser);
    f.check = elapsed(timer);
    for (const ProposedRecord &r : records) {
        f.fresh += r.state == RowState::New;
        f.maybeTyped += r.state == RowState::MaybeTyped;
    }

    timer.restart();
    const TickedByType ticked = CollectTicked(records);
    for (const auto &[type, rows] : {std::pair{kTypeExpense, &ticked.expense}, std::pair{kTypeIncome, &ticked.income}})
        f.stored += store
                        .AddRecord(kUser, type, rows->dates, rows->names, rows->amounts, rows->memos,
                                   rows->identities, TclsDatabaseUser::NewSaveKey())
                        .stored;
    f.store = elapsed(timer);

    // The same bill once more: everything it holds is now in the ledger.
    QList<ProposedRecord> again = ProposeRecords(ReadStatement(billPath), {});
    timer.restart();
    MatchAgainstLedger(again, store, kUser);
    f.checkAgain = elapsed(timer);
    for (const ProposedRecord &r : again)
        f.duplicates += r.state == RowState::Imported;
    return f;
}

void line(const char *what, double sqlite, double server, const char *target)
{
    std::printf("%-40s %10.1f ms %10.1f ms   %s\n", what, sqlite, server, target);
}

} // namespace

int main(int argc, char **argv)
{
    RunInsideThrowawayServer(argv);
    QCoreApplication app(argc, argv);
    try {
        QTemporaryDir dir;
        const QString billPath = dir.filePath(QStringLiteral("bill.csv"));
        QFile bill(billPath);
        if (!bill.open(QIODevice::WriteOnly) || bill.write(billText()) < 0 || !bill.flush())
            throw KavloError(QStringLiteral("cannot write %1").arg(billPath));
        bill.close();

        const Figures local =
            measure("SQLite", LedgerLocation::File(dir.filePath(QStringLiteral("bench.sjk"))), billPath);
        {
            auto admin = MakeLedgerConnection(LedgerLocation::Server(QStringLiteral("dbname=postgres")));
            OperationScope scope(*admin);
            admin->Execute("drop database if exists kavlo_import_bench");
            admin->Execute("create database kavlo_import_bench");
        }
        const Figures server =
            measure("PostgreSQL", LedgerLocation::Server(QStringLiteral("dbname=kavlo_import_bench")), billPath);

        std::printf("\n%d-row bill against %d records typed by hand\n", kBillRows, kLedgerRecords);
        std::printf("%-40s %13s %13s   %s\n", "", "SQLite file", "PostgreSQL", "target");
        line("read and classify (reference)", local.read, server.read, "");
        line("check against the ledger", local.check, server.check, "");
        line("store the new rows", local.store, server.store, "");
        const double localTotal = local.check + local.store;
        const double serverTotal = server.check + server.store;
        const bool localMet = localTotal <= 1000;
        const bool serverMet = serverTotal <= 2000;
        std::printf("%-40s %10.1f ms %10.1f ms   <= 1000 ms file%s, <= 2000 ms server%s\n", "check and store",
                    localTotal, serverTotal, localMet ? "" : " MISSED", serverMet ? "" : " MISSED");
        line("check the same bill again", local.checkAgain, server.checkAgain, "");
        std::printf("rows: %d new, %d maybe typed, %d stored, %d found again as imported (file); "
                    "%d new, %d maybe typed, %d stored, %d found again (server)\n",
                    local.fresh, local.maybeTyped, local.stored, local.duplicates, server.fresh, server.maybeTyped,
                    server.stored, server.duplicates);
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_import_ledger: %s\n", e.what());
        return 1;
    }
}
