// kavlo-import end to end: a program folder with a real ledger (a file, or
// a server named in server.conf), the tool run as its own process.
#include "BillSamples.h"
#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

using namespace Samples;

namespace {

const QString kUser = QStringLiteral("张三");

WeChatRow wechat(const QString &time, const char *type, const QString &counterparty, const char *goods,
                 const char *direction, const QString &amount, const char *status, const QString &order)
{
    return {time, QString::fromUtf8(type), counterparty, QString::fromUtf8(goods), QString::fromUtf8(direction),
            amount, QString::fromUtf8(status), order, QStringLiteral("m") + order};
}

QList<WeChatRow> novemberRows()
{
    return {wechat("2026-11-03 12:00:00", "商户消费", "美团", "午餐", "支出", "¥28.16", "支付成功", "4201"),
            wechat("2026-11-04 08:00:00", "商户消费", "滴滴出行", "快车", "支出", "¥15.00", "支付成功", "4202"),
            wechat("2026-11-05 09:00:00", "零钱提现", "招商银行", "/", "/", "¥100.00", "提现已到账", "4203"),
            wechat("2026-11-06 10:00:00", "转账", "李四", "/", "收入", "¥50.00", "已收钱", "4204"),
            wechat("2026-11-07 10:00:00", "退款", "京东", "退款-耳机", "收入", "¥20.00", "已全额退款", "4205")};
}

struct Run {
    int exitCode = -1;
    QStringList lines; // standard output
    QString errors;
};

// A program folder whose ledger the tool finds the way the program does.
class ProgramFolder
{
public:
    ProgramFolder()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("Database"));
        if (TestingOnServer()) {
            QFile conf(TclsDatabaseUser::ServerConfPath(m_dir.path()));
            if (!conf.open(QIODevice::WriteOnly) || conf.write(m_db.path().toUtf8() + '\n') <= 0)
                qFatal("cannot write server.conf");
        } else {
            TclsDatabaseUser::CreateDatabaseFile(m_dir.filePath(QStringLiteral("Database/qmrvz.sjk")));
        }
        m_store = std::make_unique<TclsDatabaseUser>(TclsDatabaseUser::ProgramLedger(m_dir.path()));
        m_store->CreateUser(kUser, QStringLiteral("pw"));
    }
    QString path() const { return m_dir.path(); }
    TclsDatabaseUser &store() { return *m_store; }
    QString bill(const QString &name, const QList<WeChatRow> &rows)
    {
        return WriteFile(m_files.path(), name, Encode(WeChatCsv(rows), Encoding::Utf8));
    }
    QString file(const QString &name, const QByteArray &bytes) { return WriteFile(m_files.path(), name, bytes); }

    QProcess *start(const QStringList &args, const QByteArray &input = "pw\n")
    {
        auto *process = new QProcess;
        process->start(ProgramDir() + QStringLiteral("/kavlo-import"), args);
        process->write(input);
        process->closeWriteChannel();
        return process;
    }
    static Run finish(QProcess *process)
    {
        Run run;
        if (!process->waitForFinished(120000))
            qFatal("kavlo-import did not finish");
        run.exitCode = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
        run.lines = QString::fromUtf8(process->readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        run.errors = QString::fromUtf8(process->readAllStandardError());
        delete process;
        return run;
    }
    Run run(const QStringList &args, const QByteArray &input = "pw\n") { return finish(start(args, input)); }
    Run import(const QStringList &files, bool save)
    {
        QStringList args{QStringLiteral("--folder"), path(), QStringLiteral("--user"), kUser};
        if (save)
            args << QStringLiteral("--save");
        return run(args + files);
    }
    RangeRecords records()
    {
        DayTotals days;
        RangeRecords found;
        m_store->ListRecordsOfDate(kUser, QDate(2026, 1, 1), QDate(2026, 12, 31), days, found);
        return found;
    }

private:
    TempDatabase m_db; // the server database (unused for a file ledger)
    QTemporaryDir m_dir;
    QTemporaryDir m_files;
    std::unique_ptr<TclsDatabaseUser> m_store;
};

QStringList column(const Run &run, int index)
{
    QStringList out;
    for (const QString &line : run.lines.mid(0, run.lines.size() - 1))
        out << line.split(QLatin1Char('\t')).value(index);
    return out;
}

} // namespace

class TestImportTool : public QObject
{
    Q_OBJECT
private slots:
    void wrongArgumentsAndLogins_data();
    void wrongArgumentsAndLogins();
    void listsRowsAndWritesNothing();
    void saveTwiceStoresOnce();
    void overlappingExportProposesOnlyNew();
    void maybeTypedIsNotStored();
    void refusedFileExitsOneAndOthersGoOn();
    void twoImportersAtOnceStoreEachRowOnce();
};

void TestImportTool::wrongArgumentsAndLogins_data()
{
    QTest::addColumn<QStringList>("args"); // FOLDER and BILL stand for the test's own
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("nothing") << QStringList{} << QByteArray("pw\n") << 2;
    QTest::newRow("no user") << QStringList{"--folder", "FOLDER", "BILL"} << QByteArray("pw\n") << 2;
    QTest::newRow("no file") << QStringList{"--folder", "FOLDER", "--user", "张三"} << QByteArray("pw\n") << 2;
    QTest::newRow("unknown option") << QStringList{"--folder", "FOLDER", "--user", "张三", "--fast", "BILL"}
                                    << QByteArray("pw\n") << 2;
    QTest::newRow("user without name") << QStringList{"--folder", "FOLDER", "BILL", "--user"} << QByteArray("pw\n") << 2;
    QTest::newRow("not a program folder") << QStringList{"--folder", "/nonexistent", "--user", "张三", "BILL"}
                                          << QByteArray("pw\n") << 2;
    QTest::newRow("wrong password") << QStringList{"--folder", "FOLDER", "--user", "张三", "BILL"}
                                    << QByteArray("wrong\n") << 2;
    QTest::newRow("no password") << QStringList{"--folder", "FOLDER", "--user", "张三", "BILL"} << QByteArray() << 2;
    QTest::newRow("unknown user") << QStringList{"--folder", "FOLDER", "--user", "王五", "BILL"} << QByteArray("pw\n")
                                  << 2;
    QTest::newRow("right password") << QStringList{"--folder", "FOLDER", "--user", "张三", "BILL"}
                                    << QByteArray("pw\n") << 0;
}

void TestImportTool::wrongArgumentsAndLogins()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    ProgramFolder folder;
    const QString bill = folder.bill("bill.csv", novemberRows());
    for (QString &arg : args)
        arg = arg == QLatin1String("FOLDER") ? folder.path() : arg == QLatin1String("BILL") ? bill : arg;
    const Run run = folder.run(args, input);
    QCOMPARE(run.exitCode, exitCode);
    if (exitCode != 0) {
        QVERIFY(run.lines.isEmpty());
        QVERIFY(run.errors.startsWith(QStringLiteral("kavlo-import: ")));
    }
}

void TestImportTool::listsRowsAndWritesNothing()
{
    ProgramFolder folder;
    const Run run = folder.import({folder.bill("bill.csv", novemberRows())}, false);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines.size(), 6);
    QCOMPARE(column(run, 0), (QStringList{"new", "new", "skipped", "new", "skipped"}));
    QCOMPARE(column(run, 1), (QStringList{"2026-11-03", "2026-11-04", "2026-11-05", "2026-11-06", "2026-11-07"}));
    QCOMPARE(column(run, 2).mid(0, 2), (QStringList{kTypeExpense, kTypeExpense}));
    QCOMPARE(column(run, 2).at(3), kTypeIncome);
    QCOMPARE(column(run, 4), (QStringList{"28.16", "15.00", "100.00", "50.00", "20.00"}));
    QVERIFY(column(run, 5).first().contains(QStringLiteral("美团")));
    QCOMPARE(column(run, 6).at(4), QStringLiteral("退款"));
    QVERIFY(!column(run, 6).at(2).isEmpty());
    for (const QString &line : run.lines.mid(0, 5))
        QCOMPARE(line.count(QLatin1Char('\t')), 6);
    QCOMPARE(run.lines.last(), QStringLiteral("3 new, 0 duplicate, 0 maybe-typed, 2 skipped, 0 bad"));
    QCOMPARE(folder.records().size(), 0);
}

void TestImportTool::saveTwiceStoresOnce()
{
    ProgramFolder folder;
    const QString bill = folder.bill("bill.csv", novemberRows());
    Run run = folder.import({bill}, true);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines.last(), QStringLiteral("3 new, 0 duplicate, 0 maybe-typed, 2 skipped, 0 bad"));
    RangeRecords stored = folder.records();
    QCOMPARE(stored.amount, (QStringList{"28.16", "15.00", "50.00"}));
    QCOMPARE(stored.type, (QStringList{kTypeExpense, kTypeExpense, kTypeIncome}));

    run = folder.import({bill}, true);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(column(run, 0), (QStringList{"duplicate", "duplicate", "skipped", "duplicate", "skipped"}));
    QCOMPARE(run.lines.last(), QStringLiteral("0 new, 3 duplicate, 0 maybe-typed, 2 skipped, 0 bad"));
    QCOMPARE(folder.records().size(), 3);
    // Deleting an imported record does not bring its row back.
    folder.store().DeleteRecord(stored.id.first());
    run = folder.import({bill}, true);
    QCOMPARE(column(run, 0).first(), QStringLiteral("duplicate"));
    QCOMPARE(folder.records().size(), 2);
}

void TestImportTool::overlappingExportProposesOnlyNew()
{
    ProgramFolder folder;
    QList<WeChatRow> october = novemberRows().mid(0, 2);
    QCOMPARE(folder.import({folder.bill("first.csv", october)}, true).exitCode, 0);
    // The later export repeats both rows and adds a payment with a reused
    // order number, which is still a row of its own.
    QList<WeChatRow> later = novemberRows();
    later.append(wechat("2026-11-09 08:00:00", "商户消费", "滴滴出行", "快车", "支出", "¥15.00", "支付成功", "4202"));
    const Run run = folder.import({folder.bill("later.csv", later)}, true);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(column(run, 0), (QStringList{"duplicate", "duplicate", "skipped", "new", "skipped", "new"}));
    QCOMPARE(folder.records().size(), 4);
}

void TestImportTool::maybeTypedIsNotStored()
{
    ProgramFolder folder;
    // Lunch typed by hand two days after the bill's payment; a taxi of
    // another amount typed the same day.
    folder.store().AddRecord(kUser, kTypeExpense, {"2026-11-05", "2026-11-04"}, {"午饭", "打车"}, {"28.16", "16.00"},
                             {"", ""});
    const QString lunchId = folder.records().id.at(folder.records().name.indexOf(QStringLiteral("午饭")));
    const Run run = folder.import({folder.bill("bill.csv", novemberRows())}, true);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(column(run, 0), (QStringList{"maybe-typed", "new", "skipped", "new", "skipped"}));
    QVERIFY2(column(run, 6).first().contains(lunchId), qPrintable(run.lines.first()));
    QCOMPARE(run.lines.last(), QStringLiteral("2 new, 0 duplicate, 1 maybe-typed, 2 skipped, 0 bad"));
    QCOMPARE(folder.records().size(), 4); // the two typed, the taxi and the transfer
}

void TestImportTool::refusedFileExitsOneAndOthersGoOn()
{
    ProgramFolder folder;
    const QString junk = folder.file("junk.csv", "这不是账单\n1,2\n");
    // A bill cut off in the middle of a row: its amount does not read.
    QByteArray cut = Encode(WeChatCsv(novemberRows()), Encoding::Utf8);
    cut.chop(cut.size() - cut.lastIndexOf("¥20"));
    cut += "¥2x.00";
    const QString truncated = folder.file("cut.csv", cut);
    const Run run = folder.import({junk, folder.bill("bill.csv", novemberRows()), truncated}, true);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.lines.last(), QStringLiteral("3 new, 0 duplicate, 0 maybe-typed, 2 skipped, 2 bad"));
    const QStringList bad = run.lines.filter(QRegularExpression(QStringLiteral("^bad\t")));
    QCOMPARE(bad.size(), 2);
    QVERIFY(bad.at(0).contains(QStringLiteral("junk.csv")));
    QVERIFY(bad.at(1).contains(QStringLiteral("cut.csv")));
    QVERIFY(run.errors.contains(QStringLiteral("junk.csv")));
    QCOMPARE(folder.records().size(), 3); // only the readable bill's new rows
}

void TestImportTool::twoImportersAtOnceStoreEachRowOnce()
{
    if (!TestingOnServer())
        QSKIP("two computers share a ledger only on a server");
    ProgramFolder folder;
    for (int round = 0; round < 3; ++round) {
        QList<WeChatRow> rows;
        for (int i = 0; i < 400; ++i)
            rows.append(wechat(QStringLiteral("2026-%1-%2 12:00:00").arg(round + 1, 2, 10, QLatin1Char('0')).arg(i % 28 + 1, 2, 10, QLatin1Char('0')),
                               "商户消费", QStringLiteral("商户%1").arg(i % 7), "商品", i % 5 ? "支出" : "收入",
                               QStringLiteral("¥%1.%2").arg(i % 90 + 1).arg(i % 100, 2, 10, QLatin1Char('0')),
                               "支付成功", QStringLiteral("%1").arg(round * 1000 + i / 2))); // reused order numbers
        const QString bill = folder.bill(QStringLiteral("round%1.csv").arg(round), rows);
        const QStringList args{QStringLiteral("--folder"), folder.path(), QStringLiteral("--user"), kUser,
                               QStringLiteral("--save"), bill};
        QProcess *first = folder.start(args);
        QProcess *second = folder.start(args);
        const Run a = ProgramFolder::finish(first);
        const Run b = ProgramFolder::finish(second);
        QVERIFY2(a.exitCode == 0, qPrintable(a.errors));
        QVERIFY2(b.exitCode == 0, qPrintable(b.errors));
        QCOMPARE(folder.records().size(), 400 * (round + 1));
    }
}

QTEST_GUILESS_MAIN(TestImportTool)
#include "tst_importtool.moc"
