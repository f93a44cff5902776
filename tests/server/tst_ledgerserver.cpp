// The ledger on a PostgreSQL server: failures of the server itself, copies
// between engines and the kavlo-server tool. Runs inside a throwaway cluster
// (on-server.sh); without one it fails rather than skips.
#include "DelayProxy.h"
#include "KavloError.h"
#include "LedgerConnection.h"
#include "ErrorReport.h"
#include "ExportFiles.h"
#include "LedgerCopy.h"
#include "OutputRows.h"
#include "TestSupport.h"
#include "TextCodec.h"
#include "unt_clsDatabaseUser.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QUrlQuery>
#include <QtTest>

#include <atomic>
#include <thread>
#include <unistd.h>

namespace {

const QString kUser = QStringLiteral("张三");

QDate day(const char *iso) { return QDate::fromString(QLatin1String(iso), Qt::ISODate); }

// Statements past the store, as the server's superuser.
class Admin
{
public:
    explicit Admin(const QString &location = QStringLiteral("postgresql:///postgres"))
        : m_connection(MakeLedgerConnection(LedgerLocation::FromText(location)))
    {
        m_connection->Acquire();
    }
    void exec(const char *sql) { m_connection->Execute(sql); }
    qint64 count(const char *sql)
    {
        Recordset rs = m_connection->Query(sql);
        return rs.FieldInteger(0);
    }
    QByteArray text(const char *sql)
    {
        Recordset rs = m_connection->Query(sql);
        return rs.FieldBytes(0);
    }

private:
    std::unique_ptr<LedgerConnection> m_connection;
};

// Every store connection to one test database, closed by the server.
void closeStoreConnections(const QString &location)
{
    Admin admin(location);
    admin.exec("select pg_terminate_backend(pid) from pg_stat_activity "
               "where datname = current_database() and pid <> pg_backend_pid()");
}

struct Listing {
    DayTotals days;
    RangeRecords records;
    ProgramTotals expense, income;
    QStringList users;
    ProgramNameLists names;
    QByteArray textExport[2]; // the text file in layouts I and II
    bool operator==(const Listing &o) const
    {
        if (textExport[0] != o.textExport[0] || textExport[1] != o.textExport[1])
            return false;
        auto same = [](const DayTotals &a, const DayTotals &b) {
            return a.date == b.date && a.expense == b.expense && a.income == b.income && a.balance == b.balance;
        };
        return same(days, o.days) && records.id == o.records.id && records.date == o.records.date &&
               records.type == o.records.type && records.name == o.records.name &&
               records.amount == o.records.amount && records.memo == o.records.memo &&
               expense.name == o.expense.name && expense.total == o.expense.total &&
               expense.share == o.expense.share && income.name == o.income.name &&
               income.total == o.income.total && users == o.users && names.expense == o.names.expense &&
               names.income == o.names.income;
    }
};

// What the program's windows read of one user over a range.
Listing readAll(TclsDatabaseUser &store, const QString &user, const QDate &start, const QDate &end)
{
    Listing l;
    store.ListRecordsOfDate(user, start, end, l.days, l.records);
    store.GetProgramTotals(user, kTypeExpense, start, end, l.expense);
    store.GetProgramTotals(user, kTypeIncome, start, end, l.income);
    l.users = store.GetUserNames();
    l.names = store.LoadProgramNames(user);
    OutputRows rows = MakeOutputRows(l.days, l.records, start, end);
    l.textExport[0] = TextFileBytes(rows, OutputLayout::I);
    ConvertToLayoutII(rows);
    l.textExport[1] = TextFileBytes(rows, OutputLayout::II);
    return l;
}

// A ledger with awkward texts: Chinese names, quotes, long memos.
void fillLedger(TclsDatabaseUser &store, int records)
{
    const QStringList users{kUser, QStringLiteral("O'Brien \"老李\""), QStringLiteral("王 五 ")};
    for (const QString &user : users)
        QVERIFY(store.CreateUser(user, QStringLiteral("p'w\"") + user));
    store.SaveProgramNames(users.at(1), kKindExpenseNames, QStringLiteral("早饭\r\n'引号'\r\n\"双引号\""));
    const QDate first(2015, 1, 1);
    const int perBatch = 5000;
    for (int done = 0; done < records; done += perBatch) {
        QStringList dates, names, amounts, memos;
        for (int i = done; i < std::min(records, done + perBatch); ++i) {
            dates << first.addDays(i % 3650).toString(Qt::ISODate);
            names << (i % 7 == 0 ? QStringLiteral("it's \"午饭\"") : QStringLiteral("项目%1").arg(i % 40));
            amounts << QString::number(1 + (i * 37 % 100000) / 100.0, 'f', 2);
            memos << (i % 500 == 0 ? QString(300, QChar(0x5907)) + QStringLiteral("'\"\\%_")
                                   : (i % 3 ? QStringLiteral("备注%1").arg(i) : QString()));
        }
        store.AddRecord(users.at(done / perBatch % users.size()), (done / perBatch) % 2 ? kTypeIncome : kTypeExpense,
                        dates, names, amounts, memos);
    }
}

QString tool() { return ProgramDir() + QStringLiteral("/kavlo-server"); }

int runTool(const QString &folder, const QStringList &args, QString *output = nullptr)
{
    QProcess process;
    process.start(tool(), QStringList{QStringLiteral("--folder"), folder} + args);
    if (!process.waitForFinished(120000))
        return -1;
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// An empty database on the test server, dropped afterwards.
class EmptyServerDatabase
{
public:
    EmptyServerDatabase()
    {
        static int serial = 0;
        m_name = QStringLiteral("kavlo_e%1_%2").arg(getpid()).arg(++serial);
        Admin().exec(("create database " + m_name).toLatin1().constData());
    }
    ~EmptyServerDatabase()
    {
        Admin().exec(("drop database if exists " + m_name + " with (force)").toLatin1().constData());
    }
    QString conninfo() const { return QStringLiteral("dbname=") + m_name; }

private:
    QString m_name;
};

} // namespace

class TestLedgerServer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void unreachableServer_data();
    void unreachableServer();
    void reconnectsOnceAfterIdleClose();
    void connectionLostMidSaveStoresNothing_data();
    void connectionLostMidSaveStoresNothing();
    void commitAnswerLost_data();
    void roundTripsAcrossANetwork_data();
    void roundTripsAcrossANetwork();
    void commitAnswerLost();
    void transactionStartsWithItsFirstStatement_data();
    void transactionStartsWithItsFirstStatement();
    void serverStoppedMidSave();
    void recordDeletedByAnotherComputer();
    void serverConfChoosesTheLedger();
    void copyToServerAndBack();
    void copiesCarryTheNewerTables_data();
    void copiesCarryTheNewerTables();
    void toolCommands();
    void twoComputersAtOnce();
    void sameUserLogsInTwiceAtOnce();
};

void TestLedgerServer::initTestCase()
{
    QVERIFY2(TestingOnServer(), "run through on-server.sh, which starts a server");
    QVERIFY(QFileInfo::exists(tool()));
}

void TestLedgerServer::unreachableServer_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("named");
    QTest::addColumn<QString>("reason");
    QTest::newRow("nothing listens") << QStringLiteral("postgresql://127.0.0.1:1/kavlo?connect_timeout=3")
                                     << QStringLiteral("127.0.0.1:1/kavlo") << QStringLiteral("refused");
    QTest::newRow("no such database") << QStringLiteral("postgresql:///kavlo_not_there")
                                      << QStringLiteral("/kavlo_not_there") << QStringLiteral("does not exist");
}

void TestLedgerServer::unreachableServer()
{
    QFETCH(QString, location);
    QFETCH(QString, named);
    QFETCH(QString, reason);
    TclsDatabaseUser store(location); // constructing never connects
    try {
        store.GetUserNames();
        QFAIL("an unreachable server must fail");
    } catch (const KavloError &e) {
        QCOMPARE(e.cause(), FailureCause::ServerUnreachable);
        QVERIFY2(e.message().startsWith(QStringLiteral("无法连接账本服务器")), qPrintable(e.message()));
        QVERIFY2(e.message().contains(named), qPrintable(e.message()));
        QVERIFY2(e.message().contains(reason), qPrintable(e.message()));
        QVERIFY(!e.message().contains(qEnvironmentVariable("PGPASSWORD")) || qEnvironmentVariableIsEmpty("PGPASSWORD"));
        // The report names the server as a server, not as a file.
        const QString report = ErrorReportText(e);
        QVERIFY2(report.contains(QStringLiteral("服务器：") + named.section(QLatin1Char('/'), 0, 0)) &&
                     !report.contains(QStringLiteral("文件：")),
                 qPrintable(report));
    }
    // A server's refusal is told as the server's, not a file's.
    const KavloError refused(QStringLiteral("permission denied for table all_table"), FailureCause::NoPermission,
                             QStringLiteral("ledger.home:5432/kavlo"));
    QVERIFY(ErrorReportText(refused).startsWith(QStringLiteral("账本服务器不允许这个用户写入账本")));
}

void TestLedgerServer::reconnectsOnceAfterIdleClose()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    QVERIFY(store.CreateUser(kUser, QStringLiteral("p")));
    // The server closes the kept connection between operations (a restart,
    // an idle timeout): the next operations still work, each exactly once.
    closeStoreConnections(db.path());
    store.AddRecord(kUser, kTypeExpense, {"2007-03-05", "2007-03-06"}, {"a", "b"}, {"1", "2"}, {"", ""});
    closeStoreConnections(db.path());
    QVERIFY(store.CheckLogin(kUser, QStringLiteral("p")));
    closeStoreConnections(db.path());
    QCOMPARE(store.GetUserNames(), QStringList{kUser});
    Admin admin(db.path());
    QCOMPARE(admin.count("select count(*) from All_Table"), 2);
    QCOMPARE(admin.count("select count(*) from Users_Table"), 1);
}

void TestLedgerServer::connectionLostMidSaveStoresNothing_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::newRow("inside the insert") << QStringLiteral("create trigger die before insert on All_Table "
                                                         "for each row execute function die()");
    // A deferred trigger runs while the commit is under way.
    QTest::newRow("during the commit") << QStringLiteral(
        "create constraint trigger die after insert on All_Table deferrable initially deferred "
        "for each row execute function die()");
}

void TestLedgerServer::connectionLostMidSaveStoresNothing()
{
    QFETCH(QString, trigger);
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    {
        Admin admin(db.path());
        admin.exec("create table Kill_Switch (On_ integer)");
        admin.exec("insert into Kill_Switch values (1)");
        admin.exec("create function die() returns trigger language plpgsql as $$ begin "
                   "if exists (select 1 from Kill_Switch) then perform pg_terminate_backend(pg_backend_pid()); "
                   "perform pg_sleep(5); end if; return new; end $$");
        admin.exec(trigger.toUtf8().constData());
    }
    const QStringList dates(30, QStringLiteral("2007-03-05"));
    const QStringList names(30, QStringLiteral("午饭"));
    const QStringList amounts(30, QStringLiteral("1.5"));
    const QStringList memos(30, QString());
    try {
        store.AddRecord(kUser, kTypeExpense, dates, names, amounts, memos);
        QFAIL("a lost connection must fail the save");
    } catch (const KavloError &e) {
        QCOMPARE(e.cause(), FailureCause::ConnectionLost);
        QVERIFY2(e.message().contains(QStringLiteral("连接已中断")), qPrintable(e.message()));
    }
    Admin admin(db.path());
    QCOMPARE(admin.count("select count(*) from All_Table"), 0);
    admin.exec("delete from Kill_Switch");
    store.AddRecord(kUser, kTypeExpense, dates, names, amounts, memos);
    QCOMPARE(admin.count("select count(*) from All_Table"), 30);
}

namespace {

// The writes whose commit answer the proxy drops, and how each is seen to
// have taken effect.
enum class Write { Save, Update, Delete, ChangePassword, SaveNames, CreateUser };

QString proxyScript() { return SourceDir() + QStringLiteral("/bench/store/delay_proxy.py"); }

QString databaseOf(const QString &location)
{
    return QUrlQuery(QUrl(location).query()).queryItemValue(QStringLiteral("dbname"));
}

} // namespace

void TestLedgerServer::commitAnswerLost_data()
{
    QTest::addColumn<int>("write");
    QTest::addColumn<bool>("serverAway"); // refuses connections for a while after the cut
    const std::pair<const char *, Write> writes[] = {
        {"save", Write::Save},           {"update", Write::Update},
        {"delete", Write::Delete},       {"change password", Write::ChangePassword},
        {"item names", Write::SaveNames}, {"create user", Write::CreateUser},
    };
    for (const auto &[name, write] : writes) {
        QTest::addRow("%s, server answers the question", name) << int(write) << false;
        QTest::addRow("%s, server away", name) << int(write) << true;
    }
}

// The commit reaches the server, its answer does not: the write took effect,
// so the store must report success, or that the outcome is unknown, never a
// failure. A save sent again with its key stores nothing more.
void TestLedgerServer::commitAnswerLost()
{
    QFETCH(int, write);
    QFETCH(bool, serverAway);
    TempDatabase db;
    TclsDatabaseUser direct(db.path());
    QVERIFY(direct.CreateUser(kUser, QStringLiteral("pw")));
    direct.AddRecord(kUser, kTypeExpense, {"2007-03-05"}, {"a"}, {"1"}, {""});
    DayTotals days;
    RangeRecords records;
    direct.ListRecordsOfDate(kUser, day("2007-03-05"), day("2007-03-05"), days, records);
    const QString id = records.id.first();

    DelayProxy proxy(proxyScript());
    TclsDatabaseUser store(LedgerLocation::Server(proxy.conninfo(databaseOf(db.path()))));
    QCOMPARE(store.GetUserNames(), QStringList{kUser}); // connected through the proxy
    const QString key = TclsDatabaseUser::NewSaveKey();
    const QStringList dates(36, QStringLiteral("2007-03-06"));
    const QStringList names(36, QStringLiteral("午饭"));
    const QStringList amounts(36, QStringLiteral("12"));
    const QStringList memos(36, QString());

    proxy.cutNextCommit();
    if (serverAway)
        proxy.refuseConnections(30);
    QElapsedTimer waited;
    waited.start();
    bool unknown = false;
    try {
        switch (Write(write)) {
        case Write::Save:
            QCOMPARE(store.AddRecord(kUser, kTypeExpense, dates, names, amounts, memos, key).stored, 36);
            break;
        case Write::Update:
            store.UpdateRecord(id, QStringLiteral("b"), QStringLiteral("2"), QString());
            break;
        case Write::Delete:
            store.DeleteRecord(id);
            break;
        case Write::ChangePassword:
            QVERIFY(store.ChangePassword(kUser, QStringLiteral("pw"), QStringLiteral("new")));
            break;
        case Write::SaveNames:
            store.SaveProgramNames(kUser, kKindExpenseNames, QStringLiteral("早饭\r\n晚饭"));
            break;
        case Write::CreateUser:
            QVERIFY(store.CreateUser(QStringLiteral("李四"), QStringLiteral("pw")));
            break;
        }
    } catch (const KavloError &e) {
        QVERIFY2(e.cause() == FailureCause::OutcomeUnknown, qPrintable(e.message()));
        QVERIFY2(e.message().startsWith(QStringLiteral("结果不能确定：")), qPrintable(e.message()));
        QVERIFY2(ErrorReportText(e).startsWith(QStringLiteral("结果不能确定：")), qPrintable(ErrorReportText(e)));
        unknown = true;
    }
    // Only a server that cannot be asked leaves the outcome open, and the
    // question does not hold the window for long.
    QCOMPARE(unknown, serverAway);
    QVERIFY2(waited.elapsed() < 8000, qPrintable(QString::number(waited.elapsed())));

    // Committed in every case; what a second try does.
    Admin admin(db.path());
    switch (Write(write)) {
    case Write::Save: {
        QCOMPARE(admin.count("select count(*) from All_Table"), 37);
        const SaveOutcome again = direct.AddRecord(kUser, kTypeExpense, dates, names, amounts, memos, key);
        QVERIFY(again.keyWasKnown);
        QCOMPARE(again.stored, 0);
        QCOMPARE(admin.count("select count(*) from All_Table"), 37);
        break;
    }
    case Write::Update:
        direct.ListRecordsOfDate(kUser, day("2007-03-05"), day("2007-03-05"), days, records);
        QCOMPARE(records.name, QStringList{QStringLiteral("b")});
        break;
    case Write::Delete:
        QCOMPARE(admin.count("select count(*) from All_Table"), 0);
        break;
    case Write::ChangePassword:
        QVERIFY(direct.CheckLogin(kUser, QStringLiteral("new")));
        // Pressing OK again after the unknown outcome is not refused.
        QVERIFY(direct.ChangePassword(kUser, QStringLiteral("pw"), QStringLiteral("new")));
        QVERIFY(!direct.CheckLogin(kUser, QStringLiteral("pw")));
        break;
    case Write::SaveNames:
        QCOMPARE(direct.LoadProgramNames(kUser).expense, (QStringList{"早饭", "晚饭"}));
        break;
    case Write::CreateUser:
        QCOMPARE(admin.count("select count(*) from Users_Table"), 2);
        QCOMPARE(admin.count("select count(*) from Programs_Table"), 2);
        break;
    }
}

void TestLedgerServer::roundTripsAcrossANetwork_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<int>("most");
    QTest::newRow("login") << 0 << 2;
    QTest::newRow("user list") << 1 << 3;
    QTest::newRow("item lists") << 2 << 3;
    QTest::newRow("keyed save of 1000 rows") << 3 << 4;
}

// Each round trip costs the network's delay once: across a house network
// these are what the user waits for.
void TestLedgerServer::roundTripsAcrossANetwork()
{
    QFETCH(int, operation);
    QFETCH(int, most);
    TempDatabase db;
    DelayProxy proxy(proxyScript());
    TclsDatabaseUser store(LedgerLocation::Server(proxy.conninfo(databaseOf(db.path()))));
    QVERIFY(store.CreateUser(kUser, QStringLiteral("pw")));
    const QStringList dates(1000, QStringLiteral("2030-01-01"));
    const QStringList names(1000, QStringLiteral("午饭"));
    const QStringList amounts(1000, QStringLiteral("12.50"));
    const QStringList memos(1000, QStringLiteral("bench"));
    auto run = [&] {
        switch (operation) {
        case 0:
            QVERIFY(store.CheckLogin(kUser, QStringLiteral("pw")));
            break;
        case 1:
            QCOMPARE(store.GetUserNames(), QStringList{kUser});
            break;
        case 2:
            QCOMPARE(store.LoadProgramNames(kUser).income.size(), 9);
            break;
        case 3:
            QCOMPARE(store.AddRecord(kUser, kTypeExpense, dates, names, amounts, memos,
                                     TclsDatabaseUser::NewSaveKey()).stored, 1000);
            break;
        }
    };
    run(); // on a connection that is open and has seen the tables
    proxy.roundTrips();
    run();
    const int trips = proxy.roundTrips();
    QVERIFY2(trips > 0 && trips <= most, qPrintable(QString::number(trips)));
}

void TestLedgerServer::transactionStartsWithItsFirstStatement_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<bool>("commit");
    QTest::addColumn<QString>("failure"); // empty: the statement succeeds
    QTest::addColumn<qint64>("rowsAfter");
    QTest::newRow("committed") << QByteArray("insert into Users_Table (User_Name,User_Password) values (?1,'pw')")
                               << true << QString() << qint64(1);
    QTest::newRow("not committed") << QByteArray("insert into Users_Table (User_Name,User_Password) values (?1,'pw')")
                                   << false << QString() << qint64(0);
    QTest::newRow("first statement fails")
        << QByteArray("insert into No_Such_Table (User_Name) values (?1)") << true
        << QStringLiteral("no_such_table") << qint64(0);
    QTest::newRow("the server refuses the value")
        << QByteArray("insert into Users_Table (rowid,User_Name) values (1,?1)") << true << QStringLiteral("rowid")
        << qint64(0);
    QTest::newRow("nothing run") << QByteArray() << true << QString() << qint64(0);
}

// The start of a transaction travels with its first statement. Whatever
// that statement does, the connection must come out of it usable, with
// the transaction's effect exactly as committed or not.
void TestLedgerServer::transactionStartsWithItsFirstStatement()
{
    QFETCH(QByteArray, first);
    QFETCH(bool, commit);
    QFETCH(QString, failure);
    QFETCH(qint64, rowsAfter);
    TempDatabase db;
    auto connection = MakeLedgerConnection(LedgerLocation::FromText(db.path()));
    OperationScope scope(*connection);
    const QByteArray name = EncodeField(QStringLiteral("王五"));
    for (TransactionKind kind : {TransactionKind::Users, TransactionKind::Records}) {
        connection->Execute("delete from Users_Table where User_Name=?1", {name});
        try {
            LedgerTransaction transaction(*connection, kind);
            if (!first.isEmpty())
                connection->Execute(first.constData(), {name});
            if (commit)
                transaction.Commit();
            QVERIFY2(failure.isEmpty(), "the statement should have failed");
        } catch (const KavloError &e) {
            QVERIFY2(!failure.isEmpty(), qPrintable(e.message()));
            QVERIFY2(e.message().contains(failure), qPrintable(e.message()));
            QVERIFY(e.cause() != FailureCause::ConnectionLost);
        }
        // The same connection goes on: a transaction left open or a
        // pipeline left unfinished would fail or hide this count.
        Recordset rs = connection->Query("select count(*) from Users_Table where User_Name=?1", {name});
        QCOMPARE(rs.FieldInteger(0), rowsAfter);
    }
}

void TestLedgerServer::serverStoppedMidSave()
{
    TempDatabase db;
    const QString dataDir = QString::fromLocal8Bit(Admin().text("show data_directory"));
    // Debian keeps a cluster's configuration outside its data folder.
    const QString config = QString::fromLocal8Bit(Admin().text("show config_file"));
    {
        // One row of the batch takes its time, so the stop lands mid-save.
        Admin admin(db.path());
        admin.exec("create function slow() returns trigger language plpgsql as $$ begin "
                   "if new.Program_Memo = 'c2xvdw==' then perform pg_sleep(3); end if; return new; end $$");
        admin.exec("create trigger slow before insert on All_Table for each row execute function slow()");
    }
    QStringList dates, names, amounts, memos;
    for (int i = 0; i < 2000; ++i) {
        dates << QStringLiteral("2007-03-05");
        names << QStringLiteral("项目%1").arg(i);
        amounts << QStringLiteral("2");
        memos << (i == 1500 ? QStringLiteral("slow") : QString());
    }
    TclsDatabaseUser store(db.path());
    store.GetUserNames(); // connected before the save starts
    FailureCause cause = FailureCause::Unknown;
    bool failed = false;
    std::thread saver([&] {
        try {
            store.AddRecord(kUser, kTypeExpense, dates, names, amounts, memos);
        } catch (const KavloError &e) {
            failed = true;
            cause = e.cause();
        }
    });
    QThread::msleep(1000);
    const QString pgCtl = QStringLiteral("/usr/lib/postgresql/15/bin/pg_ctl");
    auto pgCtlRun = [&](const QStringList &args) {
        QProcess process;
        // pg_ctl refuses to run as root; the cluster belongs to postgres.
        if (geteuid() == 0)
            process.start(QStringLiteral("runuser"), QStringList{"-u", "postgres", "--", pgCtl} + args);
        else
            process.start(pgCtl, args);
        return process.waitForFinished(60000) && process.exitCode() == 0;
    };
    const bool stopped = pgCtlRun({"stop", "-D", dataDir, "-m", "immediate"});
    saver.join();
    QVERIFY(stopped);
    QVERIFY(pgCtlRun({"start", "-w", "-D", dataDir, "-o", "-c config_file=" + config, "-l",
                      dataDir + "/restart.log"}));
    QVERIFY(failed);
    QCOMPARE(cause, FailureCause::ConnectionLost);
    Admin admin(db.path());
    QCOMPARE(admin.count("select count(*) from All_Table"), 0); // nothing half-stored
    admin.exec("drop trigger slow on All_Table");
    store.AddRecord(kUser, kTypeExpense, dates, names, amounts, memos); // the retry
    QCOMPARE(admin.count("select count(*) from All_Table"), 2000);
    QCOMPARE(admin.count("select count(distinct Program_Name) from All_Table"), 2000);
}

void TestLedgerServer::recordDeletedByAnotherComputer()
{
    TempDatabase db;
    TclsDatabaseUser mine(db.path());
    TclsDatabaseUser theirs(db.path());
    mine.AddRecord(kUser, kTypeExpense, {"2007-03-05"}, {"a"}, {"1"}, {""});
    DayTotals days;
    RangeRecords records;
    mine.ListRecordsOfDate(kUser, day("2007-03-05"), day("2007-03-05"), days, records);
    theirs.DeleteRecord(records.id.first());
    for (int deleting = 0; deleting < 2; ++deleting) {
        try {
            if (deleting)
                mine.DeleteRecord(records.id.first());
            else
                mine.UpdateRecord(records.id.first(), QStringLiteral("b"), QStringLiteral("2"), QString());
            QFAIL("a record gone must be reported");
        } catch (const KavloError &e) {
            QCOMPARE(e.cause(), FailureCause::RecordGone);
            QVERIFY(e.message().contains(QStringLiteral("另一台电脑")));
        }
    }
    theirs.ListRecordsOfDate(kUser, day("2007-03-05"), day("2007-03-05"), days, records);
    QCOMPARE(records.size(), 0); // the update did not bring it back
}

void TestLedgerServer::serverConfChoosesTheLedger()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("Database")));
    const LedgerLocation local = TclsDatabaseUser::ProgramLedger(folder.path());
    QVERIFY(!local.isServer());
    QCOMPARE(local.text(), folder.filePath(QStringLiteral("Database/qmrvz.sjk")));
    QFile conf(TclsDatabaseUser::ServerConfPath(folder.path()));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write("# the family ledger\n\nhost=ledger.example port=6543 dbname='家 账' sslmode=verify-full\n");
    conf.close();
    const LedgerLocation server = TclsDatabaseUser::ProgramLedger(folder.path());
    QVERIFY(server.isServer());
    QCOMPARE(server.describe(), QStringLiteral("ledger.example:6543/家 账"));
    // Its text form opens the same server again (what windows pass on).
    QCOMPARE(LedgerLocation::FromText(server.text()).describe(), server.describe());
    QVERIFY(server.text().contains(QStringLiteral("sslmode=verify-full")));
    QVERIFY(conf.open(QIODevice::WriteOnly | QIODevice::Truncate));
    conf.write("host='unclosed\n");
    conf.close();
    QVERIFY_THROWS_EXCEPTION(KavloError, TclsDatabaseUser::ProgramLedger(folder.path()));
}

void TestLedgerServer::copyToServerAndBack()
{
    QTemporaryDir dir;
    const QString original = dir.filePath(QStringLiteral("original.sjk"));
    TclsDatabaseUser::CreateDatabaseFile(original);
    TclsDatabaseUser local(original);
    fillLedger(local, 100000);
    // A deleted newest record: its ID must not be handed out again.
    DayTotals days;
    RangeRecords records;
    local.ListRecordsOfDate(kUser, QDate(2015, 1, 1), QDate(2024, 12, 31), days, records);
    local.AddRecord(kUser, kTypeExpense, {"2016-02-29"}, {"last"}, {"1"}, {""});
    Admin(QStringLiteral("postgresql:///postgres"));

    EmptyServerDatabase empty;
    const LedgerLocation server = LedgerLocation::Server(empty.conninfo());
    auto from = MakeLedgerConnection(LedgerLocation::File(original));
    auto to = MakeLedgerConnection(server);
    qint64 lastProgress = 0;
    const LedgerSummary summary = CopyLedger(*from, *to, [&](qint64 done, qint64) { lastProgress = done; });
    QCOMPARE(summary.records, 100001);
    QCOMPARE(summary.users, 3);
    QCOMPARE(lastProgress, 100001);

    // The program's own reads give the same lists, figures and exports on both.
    TclsDatabaseUser onServer(server);
    for (const QString &user : local.GetUserNames()) {
        QVERIFY(readAll(onServer, user, QDate(2015, 1, 1), QDate(2024, 12, 31)) ==
                readAll(local, user, QDate(2015, 1, 1), QDate(2024, 12, 31)));
        QVERIFY(readAll(onServer, user, QDate(2018, 3, 1), QDate(2018, 3, 31)) ==
                readAll(local, user, QDate(2018, 3, 1), QDate(2018, 3, 31)));
    }
    // Refused a second time: the server ledger is not empty any more.
    QVERIFY_THROWS_EXCEPTION(KavloError, CopyLedger(*from, *to));

    // And back: row for row, byte for byte the ledger it came from.
    const QString back = dir.filePath(QStringLiteral("back.sjk"));
    auto file = MakeLedgerConnection(LedgerLocation::File(back), true);
    QCOMPARE(CopyLedger(*to, *file), summary);
    {
        OperationScope scope(*from);
        QCOMPARE(SummarizeLedger(*from), summary);
    }
    TclsDatabaseUser returned(back);
    for (const QString &user : local.GetUserNames())
        QVERIFY(readAll(returned, user, QDate(2015, 1, 1), QDate(2024, 12, 31)) ==
                readAll(local, user, QDate(2015, 1, 1), QDate(2024, 12, 31)));
    // New records continue the numbering on every copy.
    for (TclsDatabaseUser *store : {&local, &onServer, &returned}) {
        store->AddRecord(kUser, kTypeExpense, {"2030-01-01"}, {"new"}, {"1"}, {""});
        store->ListRecordsOfDate(kUser, QDate(2030, 1, 1), QDate(2030, 1, 1), days, records);
        QCOMPARE(records.id, QStringList{QStringLiteral("100002")});
    }
}

void TestLedgerServer::copiesCarryTheNewerTables_data()
{
    QTest::addColumn<bool>("oldSource");
    QTest::newRow("keys and identities") << false;
    QTest::newRow("a ledger from before them") << true;
}

void TestLedgerServer::copiesCarryTheNewerTables()
{
    QFETCH(bool, oldSource);
    QTemporaryDir dir;
    const QString original = dir.filePath(QStringLiteral("original.sjk"));
    TclsDatabaseUser::CreateDatabaseFile(original);
    const QStringList dates{"2007-03-05", "2007-03-06"}, names{"a", "b"}, amounts{"1", "2"}, memos{"", ""};
    const QStringList identities{"bank:1", "bank:2"};
    {
        TclsDatabaseUser local(original);
        QVERIFY(local.CreateUser(kUser, QStringLiteral("p")));
        if (oldSource) {
            auto raw = MakeLedgerConnection(LedgerLocation::File(original));
            OperationScope scope(*raw);
            raw->Execute("drop table Save_Keys");
            raw->Execute("drop table Row_Identities");
        } else {
            QCOMPARE(local.AddRecord(kUser, kTypeExpense, dates, names, amounts, memos, identities, "key-1").stored, 2);
        }
    }
    EmptyServerDatabase empty;
    const LedgerLocation server = LedgerLocation::Server(empty.conninfo());
    auto from = MakeLedgerConnection(LedgerLocation::File(original));
    auto to = MakeLedgerConnection(server);
    QCOMPARE(CopyLedger(*from, *to).extensionRows, oldSource ? 0 : 3);

    // The copy knows what the original stored: the same save or statement
    // rows are not stored again on the server.
    TclsDatabaseUser onServer(server);
    const SaveOutcome again = onServer.AddRecord(kUser, kTypeExpense, dates, names, amounts, memos, identities,
                                                 "key-1");
    QCOMPARE(again.keyWasKnown, !oldSource);
    QCOMPARE(again.stored, oldSource ? 2 : 0);
    QCOMPARE(onServer.StoredRowIdentities(kUser, identities + QStringList{"bank:3"}),
             QSet<QString>(identities.begin(), identities.end()));

    // And back to a file, with every table.
    const QString back = dir.filePath(QStringLiteral("back.sjk"));
    auto file = MakeLedgerConnection(LedgerLocation::File(back), true);
    const LedgerSummary summary = CopyLedger(*to, *file);
    QCOMPARE(summary.records, 2);
    QCOMPARE(summary.extensionRows, 3);
    TclsDatabaseUser returned(back);
    QVERIFY(returned.AddRecord(kUser, kTypeExpense, dates, names, amounts, memos, identities, "key-1").keyWasKnown);
    QCOMPARE(returned.StoredRowIdentities(kUser, identities), QSet<QString>(identities.begin(), identities.end()));
}

void TestLedgerServer::toolCommands()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("Database")));
    const QString localFile = folder.filePath(QStringLiteral("Database/qmrvz.sjk"));
    TclsDatabaseUser::CreateDatabaseFile(localFile);
    TclsDatabaseUser local(localFile);
    QVERIFY(local.CreateUser(kUser, QStringLiteral("p")));
    local.AddRecord(kUser, kTypeIncome, {"2020-05-01", "2020-05-02"}, {QStringLiteral("工资"), "x"}, {"100", "2.5"},
                    {QStringLiteral("五月"), ""});
    const QString conf = TclsDatabaseUser::ServerConfPath(folder.path());
    EmptyServerDatabase empty;
    QString out;

    QCOMPARE(runTool(folder.path(), {"--help"}, &out), 0);
    QVERIFY(out.contains(QStringLiteral("copy-to-local")));
    QCOMPARE(runTool(folder.path(), {"frobnicate"}), 2);
    QCOMPARE(runTool(folder.path(), {"use"}), 2);
    QCOMPARE(runTool(folder.path(), {"check"}, &out), 1); // no server chosen yet
    QCOMPARE(runTool(folder.path(), {"use", empty.conninfo() + " password=secret"}, &out), 1);
    QVERIFY(out.contains(QStringLiteral(".pgpass")));
    QCOMPARE(runTool(folder.path(), {"use", "host=127.0.0.1 port=1 connect_timeout=3 dbname=x"}, &out), 1);
    QVERIFY2(out.contains(QStringLiteral("无法连接账本服务器 127.0.0.1:1/x")), qPrintable(out));
    QVERIFY(!QFileInfo::exists(conf));

    QCOMPARE(runTool(folder.path(), {"use", empty.conninfo()}, &out), 0);
    QVERIFY(QFileInfo::exists(conf));
    QCOMPARE(TclsDatabaseUser::ProgramLedger(folder.path()).describe(),
             LedgerLocation::Server(empty.conninfo()).describe());
    QCOMPARE(runTool(folder.path(), {"check"}, &out), 1); // no ledger on it yet
    QCOMPARE(runTool(folder.path(), {"copy-local"}, &out), 0);
    QVERIFY2(out.contains(QStringLiteral("记录 2 条")), qPrintable(out));
    QCOMPARE(runTool(folder.path(), {"copy-local"}, &out), 1); // not empty any more
    QCOMPARE(runTool(folder.path(), {"init"}, &out), 1);       // tables exist
    QCOMPARE(runTool(folder.path(), {"check"}, &out), 0);
    QVERIFY2(out.contains(QStringLiteral("账本版本：1")) && out.contains(QStringLiteral("用户 1 个")), qPrintable(out));

    // The folder's store now reads the server.
    TclsDatabaseUser chosen(TclsDatabaseUser::ProgramLedger(folder.path()));
    DayTotals days;
    RangeRecords records;
    chosen.ListRecordsOfDate(kUser, QDate(2020, 5, 1), QDate(2020, 5, 2), days, records);
    QCOMPARE(records.memo, (QStringList{QStringLiteral("五月"), QString()}));

    const QString back = folder.filePath(QStringLiteral("back.sjk"));
    QCOMPARE(runTool(folder.path(), {"copy-to-local", localFile}, &out), 1); // never overwrites
    QCOMPARE(runTool(folder.path(), {"copy-to-local", back}, &out), 0);
    QVERIFY(!QFileInfo::exists(back + QStringLiteral(".part")));
    TclsDatabaseUser returned(back);
    returned.ListRecordsOfDate(kUser, QDate(2020, 5, 1), QDate(2020, 5, 2), days, records);
    QCOMPARE(records.name, (QStringList{QStringLiteral("工资"), QStringLiteral("x")}));

    QCOMPARE(runTool(folder.path(), {"use-local"}, &out), 0);
    QVERIFY(!QFileInfo::exists(conf));
    QVERIFY(!TclsDatabaseUser::ProgramLedger(folder.path()).isServer());

    // init on an empty server database.
    EmptyServerDatabase second;
    QCOMPARE(runTool(folder.path(), {"use", second.conninfo()}, &out), 0);
    QCOMPARE(runTool(folder.path(), {"init"}, &out), 0);
    QCOMPARE(runTool(folder.path(), {"check"}, &out), 0);
    QVERIFY2(out.contains(QStringLiteral("用户 0 个")), qPrintable(out));
}

void TestLedgerServer::twoComputersAtOnce()
{
    TempDatabase db;
    TclsDatabaseUser setup(db.path());
    QVERIFY(setup.CreateUser(QStringLiteral("甲"), QStringLiteral("pw")));
    QVERIFY(setup.CreateUser(QStringLiteral("乙"), QStringLiteral("pw")));
    QStringList dates(200, QStringLiteral("2019-06-01"));
    setup.AddRecord(QStringLiteral("甲"), kTypeExpense, dates, QStringList(200, QStringLiteral("scratch")),
                    QStringList(200, QStringLiteral("1")), QStringList(200, QString()));
    DayTotals days;
    RangeRecords scratch;
    setup.ListRecordsOfDate(QStringLiteral("甲"), day("2019-06-01"), day("2019-06-01"), days, scratch);
    QCOMPARE(scratch.size(), 200);

    // Same user for every record, logins on one user and on both.
    const QString worker = QCoreApplication::applicationDirPath() + QStringLiteral("/store_worker");
    QProcess a, b;
    a.start(worker, {db.path(), QStringLiteral("A"), QStringLiteral("甲"), scratch.id.join(QLatin1Char(','))});
    b.start(worker, {db.path(), QStringLiteral("B"), QStringLiteral("甲,乙"), scratch.id.join(QLatin1Char(','))});
    QVERIFY(a.waitForFinished(240000));
    QVERIFY(b.waitForFinished(240000));
    const QString outA = QString::fromUtf8(a.readAllStandardOutput() + a.readAllStandardError());
    const QString outB = QString::fromUtf8(b.readAllStandardOutput() + b.readAllStandardError());
    QVERIFY2(a.exitCode() == 0, qPrintable(outA));
    QVERIFY2(b.exitCode() == 0, qPrintable(outB));

    // Every scratch record deleted exactly once between the two.
    const QRegularExpression counts(QStringLiteral("deleted (\\d+) gone (\\d+) logins (\\d+)"));
    const auto ma = counts.match(outA), mb = counts.match(outB);
    QVERIFY(ma.hasMatch() && mb.hasMatch());
    QCOMPARE(ma.captured(1).toInt() + mb.captured(1).toInt(), 200);
    QCOMPARE(ma.captured(2).toInt() + mb.captured(2).toInt(), 200);
    QCOMPARE(ma.captured(3).toInt(), 200);

    Admin admin(db.path());
    QCOMPARE(admin.count("select count(*) from All_Table where Program_Name = 'c2NyYXRjaA=='"), 0);
    QCOMPARE(admin.count("select count(*) from All_Table"), 20000);
    QCOMPARE(admin.count("select count(distinct ID) from All_Table"), 20000);
    QCOMPARE(admin.count("select count(distinct Program_Name) from All_Table"), 20000);
    QCOMPARE(admin.count("select count(*) from All_Table where Program_Memo = 'bW9kaWZpZWQ='"), 200);
    QCOMPARE(admin.count("select count(*) from Users_Table"), 2);
    QCOMPARE(admin.count("select count(*) from Programs_Table"), 2);
    QCOMPARE(admin.count("select count(*) from Save_Keys"), 1000);
    // Whole batches: each batch's 20 names are all there, through the
    // program's own read.
    RangeRecords all;
    setup.ListRecordsOfDate(QStringLiteral("甲"), QDate(2020, 1, 1), QDate(2020, 12, 31), days, all);
    QSet<QString> names(all.name.begin(), all.name.end());
    QCOMPARE(names.size(), 20000);
    for (const QString &tag : {QStringLiteral("A"), QStringLiteral("B")})
        for (int batch = 0; batch < 500; ++batch)
            for (int r = 0; r < 20; ++r)
                QVERIFY(names.contains(QStringLiteral("%1-b%2-r%3").arg(tag).arg(batch).arg(r)));
    QVERIFY(setup.CheckLogin(QStringLiteral("甲"), QStringLiteral("pw")));
    QVERIFY(setup.CheckLogin(QStringLiteral("乙"), QStringLiteral("pw")));
}

void TestLedgerServer::sameUserLogsInTwiceAtOnce()
{
    // A login deletes the user's row and inserts it again: two at once on
    // one user must never find the row missing, and leave exactly one.
    TempDatabase db;
    TclsDatabaseUser setup(db.path());
    QVERIFY(setup.CreateUser(kUser, QStringLiteral("pw")));
    QVERIFY(setup.CreateUser(QStringLiteral("李四"), QStringLiteral("pw")));
    std::atomic<int> refused{0};
    auto logins = [&] {
        TclsDatabaseUser store(db.path());
        for (int i = 0; i < 300; ++i)
            if (!store.CheckLogin(kUser, QStringLiteral("pw")))
                ++refused;
    };
    std::thread one(logins), two(logins);
    one.join();
    two.join();
    QCOMPARE(refused.load(), 0);
    Admin admin(db.path());
    QCOMPARE(admin.count("select count(*) from Users_Table"), 2);
    QCOMPARE(setup.GetUserNames(), (QStringList{kUser, QStringLiteral("李四")}));
}

QTEST_GUILESS_MAIN(TestLedgerServer)
#include "tst_ledgerserver.moc"
