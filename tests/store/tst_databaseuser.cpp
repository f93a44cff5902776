#include "KavloError.h"
#include "LedgerConnection.h"
#include "LedgerFiles.h"
#include "TestSupport.h"
#include "TextCodec.h"
#include "unt_clsDatabaseUser.h"

#include <QFile>
#include <QtTest>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace {

// Direct access to the ledger, past the store, for checking what the store
// wrote and for making the database misbehave.
class RawDb
{
public:
    explicit RawDb(const QString &path) : m_connection(MakeLedgerConnection(LedgerLocation::FromText(path)))
    {
        m_connection->Acquire();
    }
    ~RawDb() { m_connection->Disconnect(); }
    void exec(const char *sql) { m_connection->Execute(sql); }
    int count(const char *sql)
    {
        Recordset rs = m_connection->Query(sql);
        return rs.IsEOF() ? -1 : int(rs.FieldInteger(0));
    }
    // The first two columns of every row, as text.
    QList<QPair<QByteArray, QByteArray>> pairs(const char *sql)
    {
        QList<QPair<QByteArray, QByteArray>> rows;
        for (Recordset rs = m_connection->Query(sql); !rs.IsEOF(); rs.MoveNext())
            rows.append({rs.FieldBytes(0), rs.FieldBytes(1)});
        return rows;
    }
    QByteArray text(const char *sql)
    {
        Recordset rs = m_connection->Query(sql);
        return rs.IsEOF() ? QByteArray() : rs.FieldBytes(0);
    }
    // Inserts of amounts above 999 fail with "refused by trigger".
    void refuseLargeAmounts()
    {
        if (!m_connection->isServer()) {
            exec("create trigger refuse before insert on All_Table when new.Program_Money > 999 "
                 "begin select raise(abort, 'refused by trigger'); end");
            return;
        }
        exec("create function refuse() returns trigger language plpgsql as $$ begin "
             "if new.Program_Money > 999 then raise exception 'refused by trigger'; end if; "
             "return new; end $$");
        exec("create trigger refuse before insert on All_Table for each row execute function refuse()");
    }

private:
    std::unique_ptr<LedgerConnection> m_connection;
};

const QString kUser = QStringLiteral("张三");

uint modeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? uint(st.st_mode & 07777) : 0xffffffffu;
}

QDate day(const char *iso) { return QDate::fromString(QLatin1String(iso), Qt::ISODate); }

void add(TclsDatabaseUser &store, const QString &type, const QString &date, const QString &name,
         const QString &amount, const QString &memo = QString(), const QString &user = kUser)
{
    store.AddRecord(user, type, {date}, {name}, {amount}, {memo});
}

} // namespace

class TestDatabaseUser : public QObject
{
    Q_OBJECT
private slots:
    void createUserStoresDefaults();
    void createUserRefusesExistingName();
    void userListIsNewestFirst();
    void wrongPasswordChangesNothing();
    void changePassword();
    void deleteUserRemovesEverythingOwned();
    void namesDifferingInCaseOfTheirEncodingStayApart();
    void saveProgramNamesByKind();
    void longListIsStoredWithLineBreaks();
    void listRecordsOfDate_data();
    void listRecordsOfDate();
    void dayOrderExpensesFirst();
    void reversedRangeTouchesNothing();
    void rangeBoundsAndOwners();
    void addRecordIsAllOrNothing();
    void addRecordRejectsMalformedValues();
    void updateAndDeleteRecord();
    void textsRoundTrip_data();
    void textsRoundTrip();
    void unstorableTextWritesNothing();
    void programTotals();
    void programTotalsSumInSavingOrder();
    void programTotalsEqualItemsAndBounds();
    void programTotalsKeepsTypesApartAndZeroShare();
    void newLedgerIsPrivate();
    void missingDatabaseFailsAtFirstOperation();
    void damagedDatabaseReportsAndRecovers();
    void readOnlyDatabase();
    void lockedDatabaseReportsAndRecovers();
    void nullColumnFails();
    void saveKeys_data();
    void saveKeys();
    void saveKeyIsRecordedWithItsRows();
    void oldSaveKeysArePruned();
    void rowIdentities_data();
    void rowIdentities();
    void identityOutlivesItsRecord();
    void storedRowIdentitiesOfManyCandidates();
    void ledgerWithoutTheNewerTables();
    void newSaveKeysAreRandomHex();
};

void TestDatabaseUser::createUserStoresDefaults()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    QVERIFY(store.GetUserNames().isEmpty());
    QVERIFY(store.CreateUser(kUser, QStringLiteral("pw")));
    RawDb raw(db.path());
    QCOMPARE(raw.count("select count(*) from Users_Table"), 1);
    QCOMPARE(raw.count("select count(*) from Programs_Table"), 1);
    const ProgramNameLists lists = store.LoadProgramNames(kUser);
    QCOMPARE(lists.expense.size(), 33);
    QCOMPARE(lists.income.size(), 9);
    QCOMPARE(lists.expense.at(1), QStringLiteral("午饭"));
    QCOMPARE(lists.income.first(), QStringLiteral("工资"));
    // Stored exactly as the resource stands: Base64 with its line breaks.
    QCOMPARE(raw.text("select Out_Program_Names from Programs_Table"),
             Base64Encode(TclsDatabaseUser::LoadResourceText(QStringLiteral("OUT_TXT"))));
    QVERIFY(store.CheckLogin(kUser, QStringLiteral("pw")));
}

void TestDatabaseUser::createUserRefusesExistingName()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    QVERIFY(store.CreateUser(kUser, QStringLiteral("one")));
    QVERIFY(!store.CreateUser(kUser, QStringLiteral("two")));
    RawDb raw(db.path());
    QCOMPARE(raw.count("select count(*) from Users_Table"), 1);
    QCOMPARE(raw.count("select count(*) from Programs_Table"), 1);
    QVERIFY(store.CheckLogin(kUser, QStringLiteral("one")));
    QVERIFY(!store.CheckLogin(kUser, QStringLiteral("two")));
}

void TestDatabaseUser::userListIsNewestFirst()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    for (const char *name : {"A", "B", "C"})
        QVERIFY(store.CreateUser(QLatin1String(name), QStringLiteral("p")));
    QCOMPARE(store.GetUserNames(), (QStringList{"C", "B", "A"}));
    QVERIFY(store.CheckLogin(QStringLiteral("A"), QStringLiteral("p")));
    QCOMPARE(store.GetUserNames(), (QStringList{"A", "C", "B"}));
    QVERIFY(store.ChangePassword(QStringLiteral("B"), QStringLiteral("p"), QStringLiteral("q")));
    QCOMPARE(store.GetUserNames(), (QStringList{"B", "A", "C"}));
}

void TestDatabaseUser::wrongPasswordChangesNothing()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    store.CreateUser(QStringLiteral("A"), QStringLiteral("p"));
    store.CreateUser(QStringLiteral("B"), QStringLiteral("p"));
    QVERIFY(!store.CheckLogin(QStringLiteral("A"), QStringLiteral("P")));
    QVERIFY(!store.CheckLogin(QStringLiteral("A"), QString()));
    QVERIFY(!store.ChangePassword(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("y")));
    QVERIFY(!store.DeleteUser(QStringLiteral("A"), QStringLiteral("x")));
    QCOMPARE(store.GetUserNames(), (QStringList{"B", "A"}));
    QVERIFY(store.CheckLogin(QStringLiteral("A"), QStringLiteral("p")));
}

void TestDatabaseUser::changePassword()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    store.CreateUser(kUser, QStringLiteral("old"));
    QVERIFY(store.ChangePassword(kUser, QStringLiteral("old"), QStringLiteral("new")));
    QVERIFY(!store.CheckLogin(kUser, QStringLiteral("old")));
    QVERIFY(store.CheckLogin(kUser, QStringLiteral("new")));
    RawDb raw(db.path());
    QCOMPARE(raw.count("select count(*) from Users_Table"), 1);
}

void TestDatabaseUser::deleteUserRemovesEverythingOwned()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    store.CreateUser(QStringLiteral("A"), QStringLiteral("p"));
    store.CreateUser(QStringLiteral("B"), QStringLiteral("p"));
    add(store, kTypeExpense, "2007-03-05", "x", "1", {}, QStringLiteral("A"));
    add(store, kTypeExpense, "2007-03-05", "y", "2", {}, QStringLiteral("B"));
    QVERIFY(store.DeleteUser(QStringLiteral("A"), QStringLiteral("p")));
    RawDb raw(db.path());
    QCOMPARE(raw.count("select count(*) from Users_Table"), 1);
    QCOMPARE(raw.count("select count(*) from Programs_Table"), 1);
    QCOMPARE(raw.count("select count(*) from All_Table"), 1);
    QCOMPARE(store.GetUserNames(), QStringList{"B"});
    QCOMPARE(store.LoadProgramNames(QStringLiteral("B")).expense.size(), 33);
}

void TestDatabaseUser::namesDifferingInCaseOfTheirEncodingStayApart()
{
    // "li" is bGk= and "lb" is bGI=: a case-blind lookup would mix them up.
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    QVERIFY(store.CreateUser(QStringLiteral("li"), QStringLiteral("1")));
    QVERIFY(store.CreateUser(QStringLiteral("lb"), QStringLiteral("2")));
    QVERIFY(!store.CheckLogin(QStringLiteral("li"), QStringLiteral("2")));
    add(store, kTypeExpense, "2007-03-05", "x", "1", {}, QStringLiteral("li"));
    add(store, kTypeExpense, "2007-03-05", "x", "5", {}, QStringLiteral("lb"));
    QVERIFY(store.DeleteUser(QStringLiteral("lb"), QStringLiteral("2")));
    QCOMPARE(store.GetUserNames(), QStringList{"li"});
    DayTotals days;
    RangeRecords records;
    store.ListRecordsOfDate(QStringLiteral("li"), day("2007-03-05"), day("2007-03-05"), days, records);
    QCOMPARE(records.size(), 1);
    QCOMPARE(days.expense.first(), QStringLiteral("1.00"));
}

void TestDatabaseUser::saveProgramNamesByKind()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    store.CreateUser(kUser, QStringLiteral("p"));
    store.SaveProgramNames(kUser, kKindIncomeNames, QStringLiteral("工资\r\n\r\n 奖金 \r\n"));
    ProgramNameLists lists = store.LoadProgramNames(kUser);
    QCOMPARE(lists.income, (QStringList{QStringLiteral("工资"), QStringLiteral(" 奖金 ")}));
    QCOMPARE(lists.expense.size(), 33);
    store.SaveProgramNames(kUser, QStringLiteral("anything else"), QStringLiteral("其他"));
    lists = store.LoadProgramNames(kUser);
    QCOMPARE(lists.income, QStringList{QStringLiteral("其他")});
    store.SaveProgramNames(kUser, kKindExpenseNames, QString());
    lists = store.LoadProgramNames(kUser);
    QVERIFY(lists.expense.isEmpty());
    QCOMPARE(lists.income.size(), 1);
    // A user without lists stays without them, silently.
    store.SaveProgramNames(QStringLiteral("nobody"), kKindExpenseNames, QStringLiteral("a"));
    QVERIFY(store.LoadProgramNames(QStringLiteral("nobody")).expense.isEmpty());
}

void TestDatabaseUser::longListIsStoredWithLineBreaks()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    store.CreateUser(kUser, QStringLiteral("p"));
    QStringList names;
    for (int i = 0; i < 20; ++i)
        names << QStringLiteral("项目%1").arg(i);
    store.SaveProgramNames(kUser, kKindExpenseNames, names.join(QStringLiteral("\r\n")));
    RawDb raw(db.path());
    QVERIFY(raw.text("select Out_Program_Names from Programs_Table").contains("\r\n"));
    QCOMPARE(store.LoadProgramNames(kUser).expense, names);
}

void TestDatabaseUser::listRecordsOfDate_data()
{
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<int>("dayCount");
    QTest::addColumn<int>("recordCount");
    QTest::newRow("one empty day") << day("2007-02-01") << day("2007-02-01") << 1 << 0;
    QTest::newRow("whole march") << day("2007-03-01") << day("2007-03-31") << 31 << 4;
    QTest::newRow("one busy day") << day("2007-03-05") << day("2007-03-05") << 1 << 3;
    QTest::newRow("leap february") << day("2008-02-01") << day("2008-02-29") << 29 << 0;
    QTest::newRow("end before start") << day("2007-03-05") << day("2007-03-04") << 0 << 0;
}

void TestDatabaseUser::listRecordsOfDate()
{
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(int, dayCount);
    QFETCH(int, recordCount);
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    add(store, kTypeIncome, "2007-03-05", QStringLiteral("工资"), "100");
    add(store, kTypeExpense, "2007-03-05", QStringLiteral("午饭"), "30.5");
    add(store, kTypeExpense, "2007-03-05", QStringLiteral("晚饭"), "20");
    add(store, kTypeExpense, "2007-03-31", QStringLiteral("房租"), "800");
    DayTotals days;
    RangeRecords records;
    days.date << "stale";
    store.ListRecordsOfDate(kUser, start, end, days, records);
    QCOMPARE(days.size(), dayCount);
    QCOMPARE(days.expense.size(), dayCount);
    QCOMPARE(days.balance.size(), dayCount);
    QCOMPARE(records.size(), recordCount);
    QCOMPARE(records.memo.size(), recordCount);
    for (int i = 0; i < dayCount; ++i)
        QCOMPARE(days.date.at(i), start.addDays(i).toString(Qt::ISODate));
    const int fifth = days.date.indexOf(QStringLiteral("2007-03-05"));
    if (fifth >= 0) {
        QCOMPARE(days.expense.at(fifth), QStringLiteral("50.50"));
        QCOMPARE(days.income.at(fifth), QStringLiteral("100.00"));
        QCOMPARE(days.balance.at(fifth), QStringLiteral("49.50"));
    }
    const int last = days.date.indexOf(QStringLiteral("2007-03-31"));
    if (last >= 0)
        QCOMPARE(days.balance.at(last), QStringLiteral("-800.00"));
    if (dayCount == 1 && recordCount == 0)
        QCOMPARE(QStringList({days.expense.first(), days.income.first(), days.balance.first()}),
                 (QStringList{"0.00", "0.00", "0.00"}));
}

void TestDatabaseUser::dayOrderExpensesFirst()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    add(store, kTypeIncome, "2007-03-05", QStringLiteral("工资"), "100", QStringLiteral("first saved"));
    add(store, kTypeExpense, "2007-03-05", QStringLiteral("午饭"), "12.5");
    store.AddRecord(kUser, kTypeExpense, {"2007-03-04", "2007-03-05"}, {QStringLiteral("早饭"), QStringLiteral("晚饭")},
                    {"3", "0.125"}, {QString(), QString()});
    DayTotals days;
    RangeRecords records;
    // Times of day play no part: the same day twice is one day.
    store.ListRecordsOfDate(kUser, day("2007-03-04"), day("2007-03-05"), days, records);
    QCOMPARE(records.name, (QStringList{QStringLiteral("早饭"), QStringLiteral("午饭"), QStringLiteral("晚饭"),
                                        QStringLiteral("工资")}));
    QCOMPARE(records.type, (QStringList{kTypeExpense, kTypeExpense, kTypeExpense, kTypeIncome}));
    QCOMPARE(records.date, (QStringList{"2007-03-04", "2007-03-05", "2007-03-05", "2007-03-05"}));
    QCOMPARE(records.amount, (QStringList{"3.00", "12.50", "0.13", "100.00"}));
    QCOMPARE(records.memo.last(), QStringLiteral("first saved"));
    QVERIFY(records.id.at(1).toLongLong() < records.id.at(2).toLongLong());
    // Day totals come from unrounded amounts: 12.5 + 0.125 = 12.625 -> 12.63.
    QCOMPARE(days.expense.at(1), QStringLiteral("12.63"));
}

void TestDatabaseUser::reversedRangeTouchesNothing()
{
    QTemporaryDir dir;
    TclsDatabaseUser store(dir.filePath(QStringLiteral("missing.sjk")));
    DayTotals days;
    RangeRecords records;
    ProgramTotals totals;
    store.ListRecordsOfDate(kUser, day("2007-03-05"), day("2007-03-04"), days, records);
    store.GetProgramTotals(kUser, kTypeExpense, day("2007-03-05"), day("2007-03-04"), totals);
    QCOMPARE(days.size() + records.size() + totals.size(), 0);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("missing.sjk"))));
}

void TestDatabaseUser::rangeBoundsAndOwners()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    add(store, kTypeExpense, "2007-02-28", "before", "1");
    add(store, kTypeExpense, "2007-03-01", "first", "2");
    add(store, kTypeExpense, "2007-03-31", "last", "4");
    add(store, kTypeExpense, "2007-04-01", "after", "8");
    add(store, kTypeExpense, "2007-03-10", "other", "16", {}, QStringLiteral("李四"));
    DayTotals days;
    RangeRecords records;
    store.ListRecordsOfDate(kUser, day("2007-03-01"), day("2007-03-31"), days, records);
    QCOMPARE(records.name, (QStringList{"first", "last"}));
}

void TestDatabaseUser::addRecordIsAllOrNothing()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    {
        RawDb raw(db.path());
        raw.refuseLargeAmounts();
    }
    try {
        store.AddRecord(kUser, kTypeExpense, {"2007-03-05", "2007-03-05", "2007-03-05"}, {"a", "b", "c"},
                        {"1", "1000", "2"}, {"", "", ""});
        QFAIL("a failing batch must throw");
    } catch (const KavloError &e) {
        QVERIFY(e.message().contains(QStringLiteral("refused by trigger")));
    }
    RawDb raw(db.path());
    QCOMPARE(raw.count("select count(*) from All_Table"), 0);
    // Retrying without the bad row stores each row exactly once.
    store.AddRecord(kUser, kTypeExpense, {"2007-03-05", "2007-03-05"}, {"a", "c"}, {"1", "2"}, {"", ""});
    QCOMPARE(raw.count("select count(*) from All_Table"), 2);
    // An empty batch is fine.
    store.AddRecord(kUser, kTypeExpense, {}, {}, {}, {});
    QCOMPARE(raw.count("select count(*) from All_Table"), 2);
}

void TestDatabaseUser::addRecordRejectsMalformedValues()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    QVERIFY_THROWS_EXCEPTION(KavloError, add(store, kTypeExpense, "2007-3-5", "a", "1"));
    QVERIFY_THROWS_EXCEPTION(KavloError, add(store, kTypeExpense, "2007-03-05", "a", "1e300"));
    QVERIFY_THROWS_EXCEPTION(KavloError, add(store, kTypeExpense, "2007-03-05", "a", "1); delete from All_Table; --"));
    QVERIFY_THROWS_EXCEPTION(KavloError, store.DeleteRecord(QStringLiteral("1 or 1=1")));
    RawDb raw(db.path());
    QCOMPARE(raw.count("select count(*) from All_Table"), 0);
}

void TestDatabaseUser::updateAndDeleteRecord()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    add(store, kTypeExpense, "2007-03-05", QStringLiteral("午饭"), "10");
    add(store, kTypeIncome, "2007-03-05", QStringLiteral("工资"), "5");
    DayTotals days;
    RangeRecords records;
    store.ListRecordsOfDate(kUser, day("2007-03-05"), day("2007-03-05"), days, records);
    store.UpdateRecord(records.id.first(), QStringLiteral(" 晚饭 "), QStringLiteral("12.50"), QStringLiteral("改"));
    store.ListRecordsOfDate(kUser, day("2007-03-05"), day("2007-03-05"), days, records);
    QCOMPARE(records.name.first(), QStringLiteral(" 晚饭 "));
    QCOMPARE(records.amount.first(), QStringLiteral("12.50"));
    QCOMPARE(records.type.first(), kTypeExpense);
    QCOMPARE(records.date.first(), QStringLiteral("2007-03-05"));
    QCOMPARE(days.balance.first(), QStringLiteral("-7.50"));
    store.DeleteRecord(records.id.first());
    // Gone already (another computer deleted it): nothing changes, and
    // the caller learns the record is not there.
    try {
        store.DeleteRecord(QStringLiteral("999999"));
        QFAIL("deleting a missing record must say so");
    } catch (const KavloError &e) {
        QCOMPARE(e.cause(), FailureCause::RecordGone);
    }
    QVERIFY_THROWS_EXCEPTION(KavloError, store.UpdateRecord(QStringLiteral("999999"), "x", "1", ""));
    store.ListRecordsOfDate(kUser, day("2007-03-05"), day("2007-03-05"), days, records);
    QCOMPARE(records.name, QStringList{QStringLiteral("工资")});
    // IDs are never reused, even after the newest record was deleted.
    const qint64 last = records.id.first().toLongLong();
    store.DeleteRecord(records.id.first());
    add(store, kTypeIncome, "2007-03-05", "x", "1");
    store.ListRecordsOfDate(kUser, day("2007-03-05"), day("2007-03-05"), days, records);
    QVERIFY(records.id.first().toLongLong() > last);
}

void TestDatabaseUser::textsRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("quotes") << QStringLiteral("it's a \"quote\"");
    QTest::newRow("sql") << QStringLiteral("'; drop table All_Table; --");
    QTest::newRow("backslash percent") << QStringLiteral("C:\\dir 100%_x");
    QTest::newRow("breaks and tabs") << QStringLiteral("a\r\nb\tc\rd\n");
    QTest::newRow("emoji and non-GBK") << QStringLiteral("生日🎂 ẞ ₩ €");
    QTest::newRow("255 characters") << QString(255, QChar(0x996D));
    QTest::newRow("leading BOM") << QString(QChar(0xFEFF)) + QStringLiteral("bob");
    QTest::newRow("private use with a code") << QString(QChar(0xE000)) + QChar(0xE78C) + QChar(0xE797);
    QTest::newRow("vertical forms") << QString(QChar(0xFE10)) + QChar(0xFE19);
}

void TestDatabaseUser::textsRoundTrip()
{
    QFETCH(QString, text);
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    QVERIFY(store.CreateUser(text + QStringLiteral("u"), text));
    QVERIFY(store.CheckLogin(text + QStringLiteral("u"), text));
    QCOMPARE(store.GetUserNames(), QStringList{text + QStringLiteral("u")});
    add(store, kTypeExpense, "2007-03-05", text + QStringLiteral("n"), "1", text, text + QStringLiteral("u"));
    DayTotals days;
    RangeRecords records;
    store.ListRecordsOfDate(text + QStringLiteral("u"), day("2007-03-05"), day("2007-03-05"), days, records);
    QCOMPARE(records.name, QStringList{text + QStringLiteral("n")});
    QCOMPARE(records.memo, QStringList{text});
    store.SaveProgramNames(text + QStringLiteral("u"), kKindExpenseNames, text + QStringLiteral("\r\nx"));
    QCOMPARE(store.LoadProgramNames(text + QStringLiteral("u")).expense,
             TclsDatabaseUser::SplitLines(text + QStringLiteral("\r\nx")));
    ProgramTotals totals;
    store.GetProgramTotals(text + QStringLiteral("u"), kTypeExpense, day("2007-03-05"), day("2007-03-05"), totals);
    QCOMPARE(totals.name, QStringList{text + QStringLiteral("n")});
}

void TestDatabaseUser::unstorableTextWritesNothing()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    const QString bad = QStringLiteral("王\uE81E");
    auto refusedNamingIt = [](const std::function<void()> &operation) {
        try {
            operation();
        } catch (const KavloError &e) {
            return e.message().contains(QStringLiteral("U+E81E"));
        }
        return false;
    };
    QVERIFY(refusedNamingIt([&] { store.CreateUser(bad, QStringLiteral("p")); }));
    QVERIFY(refusedNamingIt([&] { store.CreateUser(QStringLiteral("王"), bad); }));
    QVERIFY(store.GetUserNames().isEmpty());
    // Before the fix "王" + U+E81E was stored as "王???": a second such name
    // collided with the first.
    QVERIFY(store.CreateUser(QStringLiteral("王???"), QStringLiteral("p")));
    QVERIFY(refusedNamingIt([&] { store.CheckLogin(bad, QStringLiteral("p")); }));

    // A batch with one bad memo stores none of its rows.
    QVERIFY(refusedNamingIt([&] {
        store.AddRecord(kUser, kTypeExpense, {"2007-03-05", "2007-03-05"}, {"a", "b"}, {"1", "2"}, {"", bad});
    }));
    add(store, kTypeExpense, "2007-03-05", "a", "1", "memo");
    DayTotals days;
    RangeRecords records;
    store.ListRecordsOfDate(kUser, day("2007-03-05"), day("2007-03-05"), days, records);
    QCOMPARE(records.size(), 1);
    QVERIFY(refusedNamingIt([&] { store.UpdateRecord(records.id.first(), bad, "2", "m"); }));
    QVERIFY(refusedNamingIt([&] { store.SaveProgramNames(kUser, kKindExpenseNames, bad); }));
    store.ListRecordsOfDate(kUser, day("2007-03-05"), day("2007-03-05"), days, records);
    QCOMPARE(records.name, QStringList{"a"});
    QCOMPARE(records.amount, QStringList{"1.00"});
}

void TestDatabaseUser::programTotals()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    add(store, kTypeExpense, "2007-03-01", QStringLiteral("早饭"), "10");
    add(store, kTypeExpense, "2007-03-02", QStringLiteral("早饭"), "5");
    add(store, kTypeExpense, "2007-03-03", QStringLiteral("午饭"), "45");
    ProgramTotals totals;
    store.GetProgramTotals(kUser, kTypeExpense, day("2007-03-01"), day("2007-03-31"), totals);
    QCOMPARE(totals.name, (QStringList{QStringLiteral("午饭"), QStringLiteral("早饭")}));
    QCOMPARE(totals.total, (QStringList{"45.00", "15.00"}));
    QCOMPARE(totals.share, (QStringList{"75.00", "25.00"}));
}

// The sums add the amounts in the order they were saved: summed item by item
// instead, 0.2 + 0.11 + 0.01 gives 0.32000000000000006 and the shares round
// down to 34.37 and 3.12.
void TestDatabaseUser::programTotalsSumInSavingOrder()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    const char *saved[][2] = {{"b", "0.01"}, {"a", "0.1"}, {"c", "0.01"}, {"a", "0.1"}, {"b", "0.1"}};
    for (const auto &record : saved)
        add(store, kTypeExpense, "2007-03-01", record[0], record[1]);
    ProgramTotals totals;
    store.GetProgramTotals(kUser, kTypeExpense, day("2007-03-01"), day("2007-03-01"), totals);
    QCOMPARE(totals.name, (QStringList{"a", "b", "c"}));
    QCOMPARE(totals.total, (QStringList{"0.20", "0.11", "0.01"}));
    QCOMPARE(totals.share, (QStringList{"62.50", "34.38", "3.13"}));
}

void TestDatabaseUser::programTotalsEqualItemsAndBounds()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    add(store, kTypeExpense, "2007-03-01", "a", "1");
    add(store, kTypeExpense, "2007-03-31", "b", "1");
    add(store, kTypeExpense, "2007-03-15", "c", "1");
    add(store, kTypeExpense, "2007-04-01", "d", "100");
    add(store, kTypeExpense, "2007-03-15", "c", "50", {}, QStringLiteral("李四"));
    ProgramTotals totals;
    store.GetProgramTotals(kUser, kTypeExpense, day("2007-03-01"), day("2007-03-31"), totals);
    QCOMPARE(totals.size(), 3);
    QCOMPARE(totals.share, (QStringList{"33.33", "33.33", "33.33"}));
    QCOMPARE(totals.total, (QStringList{"1.00", "1.00", "1.00"}));
    // Items whose stored forms differ only in letter case are two items.
    add(store, kTypeIncome, "2007-03-02", QStringLiteral("奖金"), "3");
    add(store, kTypeIncome, "2007-03-02", QStringLiteral("奖今"), "1");
    store.GetProgramTotals(kUser, kTypeIncome, day("2007-03-02"), day("2007-03-02"), totals);
    QCOMPARE(totals.name, (QStringList{QStringLiteral("奖金"), QStringLiteral("奖今")}));
    QCOMPARE(totals.share, (QStringList{"75.00", "25.00"}));
}

void TestDatabaseUser::programTotalsKeepsTypesApartAndZeroShare()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    ProgramTotals totals;
    store.GetProgramTotals(kUser, kTypeExpense, day("2007-03-01"), day("2007-03-31"), totals);
    QCOMPARE(totals.size(), 0);
    add(store, kTypeExpense, "2007-03-01", "same", "30");
    add(store, kTypeIncome, "2007-03-01", "same", "70");
    store.GetProgramTotals(kUser, kTypeExpense, day("2007-03-01"), day("2007-03-01"), totals);
    QCOMPARE(totals.total, QStringList{"30.00"});
    QCOMPARE(totals.share, QStringList{"100.00"});
    // Amounts that cancel out give a zero range total: shares show 0.00.
    {
        RawDb raw(db.path());
        raw.exec("update All_Table set Program_Money=0");
    }
    store.GetProgramTotals(kUser, kTypeIncome, day("2007-03-01"), day("2007-03-01"), totals);
    QCOMPARE(totals.share, QStringList{"0.00"});
}

void TestDatabaseUser::newLedgerIsPrivate()
{
    QTemporaryDir dir;
    const mode_t old = ::umask(0);
    const QString folder = dir.filePath(QStringLiteral("a/Database"));
    MakePrivateFolder(folder);
    const QString path = folder + QStringLiteral("/qmrvz.sjk");
    TclsDatabaseUser::CreateDatabaseFile(path);
    ::umask(old);
    QCOMPARE(modeOf(folder), 0700u);
    QCOMPARE(modeOf(path), 0600u);
    // Writing keeps it so (the engine's journal takes the file's mode).
    TclsDatabaseUser(path).CreateUser(kUser, QStringLiteral("p"));
    QCOMPARE(modeOf(path), 0600u);
    // An existing folder is tightened, never loosened.
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup));
    MakePrivateFolder(folder);
    QCOMPARE(modeOf(folder), 0700u);
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    MakePrivateFolder(folder);
    QCOMPARE(modeOf(folder), 0500u);
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void TestDatabaseUser::missingDatabaseFailsAtFirstOperation()
{
    if (TestingOnServer())
        QSKIP("a failure of the local file; the server's own are tested in tst_ledgerserver");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("none.sjk"));
    TclsDatabaseUser store(path); // constructing never touches the file
    try {
        store.GetUserNames();
        QFAIL("a missing database must fail");
    } catch (const KavloError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("unable to open")), qPrintable(e.message()));
    }
    QVERIFY(!QFile::exists(path)); // and is never created by the store
    TclsDatabaseUser::CreateDatabaseFile(path);
    QVERIFY(store.GetUserNames().isEmpty());
    QVERIFY_THROWS_EXCEPTION(KavloError, TclsDatabaseUser::CreateDatabaseFile(path));
}

void TestDatabaseUser::damagedDatabaseReportsAndRecovers()
{
    if (TestingOnServer())
        QSKIP("a failure of the local file; the server's own are tested in tst_ledgerserver");
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    store.CreateUser(kUser, QStringLiteral("p"));
    QFile::rename(db.path(), db.path() + QStringLiteral(".good"));
    {
        QFile bad(db.path());
        QVERIFY(bad.open(QIODevice::WriteOnly));
        QByteArray noise(8192, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + 13) & 0xff);
        bad.write(noise);
    }
    try {
        store.GetUserNames();
        QFAIL("a damaged database must fail");
    } catch (const KavloError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("not a database")), qPrintable(e.message()));
    }
    QVERIFY(QFile::remove(db.path()));
    QVERIFY(QFile::rename(db.path() + QStringLiteral(".good"), db.path()));
    QCOMPARE(store.GetUserNames(), QStringList{kUser});
}

void TestDatabaseUser::readOnlyDatabase()
{
    if (geteuid() == 0 || TestingOnServer())
        QSKIP("root ignores file permissions; a server has no file to protect");
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    QFile::setPermissions(db.path(), QFile::ReadOwner);
    QVERIFY_THROWS_EXCEPTION(KavloError, store.CreateUser(kUser, QStringLiteral("p")));
    QFile::setPermissions(db.path(), QFile::ReadOwner | QFile::WriteOwner);
    QVERIFY(store.CreateUser(kUser, QStringLiteral("p")));
}

void TestDatabaseUser::lockedDatabaseReportsAndRecovers()
{
    if (TestingOnServer())
        QSKIP("a failure of the local file; the server's own are tested in tst_ledgerserver");
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    store.CreateUser(kUser, QStringLiteral("p"));
    {
        RawDb holder(db.path());
        holder.exec("begin exclusive");
        try {
            store.AddRecord(kUser, kTypeExpense, {"2007-03-05"}, {"a"}, {"1"}, {""});
            QFAIL("a locked database must fail");
        } catch (const KavloError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("locked")), qPrintable(e.message()));
        }
        holder.exec("rollback");
    }
    store.AddRecord(kUser, kTypeExpense, {"2007-03-05"}, {"a"}, {"1"}, {""});
    DayTotals days;
    RangeRecords records;
    store.ListRecordsOfDate(kUser, day("2007-03-05"), day("2007-03-05"), days, records);
    QCOMPARE(records.size(), 1);
}

void TestDatabaseUser::nullColumnFails()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    add(store, kTypeExpense, "2007-03-05", "a", "1", "memo");
    {
        RawDb raw(db.path());
        raw.exec("update All_Table set Program_Memo=null");
    }
    DayTotals days;
    RangeRecords records;
    try {
        store.ListRecordsOfDate(kUser, day("2007-03-05"), day("2007-03-05"), days, records);
        QFAIL("a null must fail the operation");
    } catch (const KavloError &e) {
        QVERIFY(e.message().contains(QStringLiteral("Program_Memo")));
    }
    // An empty memo is stored as the empty text, not as null.
    add(store, kTypeExpense, "2007-03-06", "b", "1");
    RawDb raw(db.path());
    QCOMPARE(raw.count("select count(*) from All_Table where Program_Memo=''"), 1);
}

namespace {

// The two-row batch the key tests save again and again.
SaveOutcome saveLunches(TclsDatabaseUser &store, const QString &key)
{
    return store.AddRecord(kUser, kTypeExpense, {"2007-03-05", "2007-03-06"}, {"a", "b"}, {"1", "2"}, {"", ""},
                           key);
}

// One row per identity, named after it so a stored identity can be matched
// to the record it was stored with.
SaveOutcome saveIdentified(TclsDatabaseUser &store, const QStringList &identities, const QString &user = kUser)
{
    QStringList dates, names, amounts, memos;
    for (const QString &identity : identities) {
        dates << QStringLiteral("2007-03-05");
        names << QStringLiteral("n:") + identity;
        amounts << QStringLiteral("1");
        memos << QString();
    }
    return store.AddRecord(user, kTypeExpense, dates, names, amounts, memos, identities, QString());
}

} // namespace

void TestDatabaseUser::saveKeys_data()
{
    QTest::addColumn<QStringList>("keys"); // the same batch saved with each in turn
    QTest::addColumn<QList<bool>>("known");
    QTest::addColumn<int>("records");
    QTest::newRow("a retry with the same key") << QStringList{"k1", "k1"} << QList<bool>{false, true} << 2;
    QTest::newRow("two lists, two keys") << QStringList{"k1", "k2"} << QList<bool>{false, false} << 4;
    QTest::newRow("retry after another save") << QStringList{"k1", "k2", "k1", "k2"}
                                              << QList<bool>{false, false, true, true} << 4;
    QTest::newRow("no key: every save stores") << QStringList{"", ""} << QList<bool>{false, false} << 4;
}

void TestDatabaseUser::saveKeys()
{
    QFETCH(QStringList, keys);
    QFETCH(QList<bool>, known);
    QFETCH(int, records);
    TempDatabase db;
    for (int i = 0; i < keys.size(); ++i) {
        // A new store object each time, as after a restart or on another
        // connection: the key is remembered by the ledger, not the object.
        TclsDatabaseUser store(db.path());
        const SaveOutcome outcome = saveLunches(store, keys.at(i));
        QCOMPARE(outcome.keyWasKnown, known.at(i));
        QCOMPARE(outcome.stored, known.at(i) ? 0 : 2);
        QCOMPARE(outcome.alreadyStored, 0);
    }
    RawDb raw(db.path());
    QCOMPARE(raw.count("select count(*) from All_Table"), records);
    QCOMPARE(raw.count("select count(*) from Save_Keys"), int(QSet<QString>(keys.begin(), keys.end()).size() -
                                                              (keys.contains(QString()) ? 1 : 0)));
}

void TestDatabaseUser::saveKeyIsRecordedWithItsRows()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    {
        RawDb raw(db.path());
        raw.refuseLargeAmounts();
    }
    QVERIFY_THROWS_EXCEPTION(KavloError, store.AddRecord(kUser, kTypeExpense, {"2007-03-05", "2007-03-05"},
                                                         {"a", "b"}, {"1", "1000"}, {"", ""}, QStringLiteral("k")));
    RawDb raw(db.path());
    // Rolled back together: a key left behind would make the retry store nothing.
    QCOMPARE(raw.count("select count(*) from Save_Keys"), 0);
    QCOMPARE(raw.count("select count(*) from All_Table"), 0);
    const SaveOutcome retry = store.AddRecord(kUser, kTypeExpense, {"2007-03-05"}, {"a"}, {"1"}, {""},
                                              QStringLiteral("k"));
    QVERIFY(!retry.keyWasKnown);
    QCOMPARE(retry.stored, 1);
    QCOMPARE(raw.count("select count(*) from All_Table"), 1);
}

void TestDatabaseUser::oldSaveKeysArePruned()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    saveLunches(store, QStringLiteral("first"));
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    {
        RawDb raw(db.path());
        const QByteArray old = QByteArray::number(now - 31 * 86400);
        const QByteArray recent = QByteArray::number(now - 29 * 86400);
        raw.exec(("insert into Save_Keys (Save_Key, Saved_At) values ('old', " + old + "), ('recent', " + recent +
                  ")").constData());
    }
    saveLunches(store, QStringLiteral("second"));
    RawDb raw(db.path());
    QCOMPARE(raw.count("select count(*) from Save_Keys where Save_Key='old'"), 0);
    QCOMPARE(raw.count("select count(*) from Save_Keys"), 3);
    QVERIFY(saveLunches(store, QStringLiteral("recent")).keyWasKnown);
    QVERIFY(!saveLunches(store, QStringLiteral("old")).keyWasKnown);
    QCOMPARE(raw.count("select count(*) from All_Table"), 6);
}

void TestDatabaseUser::rowIdentities_data()
{
    QTest::addColumn<QStringList>("before"); // stored by an earlier save
    QTest::addColumn<QStringList>("batch");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("skipped");
    QTest::newRow("nothing stored yet") << QStringList{} << QStringList{"a", "b", ""} << 3 << 0;
    QTest::newRow("one stored before") << QStringList{"a"} << QStringList{"a", "b"} << 1 << 1;
    QTest::newRow("all stored before") << QStringList{"a", "b"} << QStringList{"b", "a"} << 0 << 2;
    QTest::newRow("twice in one batch") << QStringList{} << QStringList{"a", "", "a", ""} << 3 << 1;
    QTest::newRow("rows without identity always go in") << QStringList{""} << QStringList{"", ""} << 2 << 0;
    QTest::newRow("quotes, commas, braces, backslashes")
        << QStringList{QStringLiteral("x\\\"y")}
        << QStringList{QStringLiteral("x\\\"y"), QStringLiteral("{a,b}"), QStringLiteral("c\\"),
                       QStringLiteral(" 空 格 "), QStringLiteral("NULL")}
        << 4 << 1;
}

void TestDatabaseUser::rowIdentities()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, batch);
    QFETCH(int, stored);
    QFETCH(int, skipped);
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    saveIdentified(store, before);
    // Another user's identities never keep this user's rows out.
    saveIdentified(store, batch, QStringLiteral("李四"));
    const SaveOutcome outcome = saveIdentified(store, batch);
    QCOMPARE(outcome.stored, stored);
    QCOMPARE(outcome.alreadyStored, skipped);
    QVERIFY(!outcome.keyWasKnown);

    QSet<QString> expected;
    for (const QString &identity : before + batch)
        if (!identity.isEmpty())
            expected.insert(identity);
    QCOMPARE(store.StoredRowIdentities(kUser, batch + before + QStringList{"never"}), expected);

    // Each identity names the record that was stored with it.
    RawDb raw(db.path());
    const auto rows = raw.pairs("select r.Row_Identity, a.Program_Name from Row_Identities r "
                                "join All_Table a on a.ID = r.Record_ID and a.User_Name = r.User_Name");
    QSet<QString> otherUsers(batch.begin(), batch.end());
    otherUsers.remove(QString());
    QCOMPARE(rows.size(), expected.size() + otherUsers.size());
    for (const auto &row : rows)
        QCOMPARE(DecodeField(row.second), QStringLiteral("n:") + QString::fromUtf8(row.first));
}

void TestDatabaseUser::identityOutlivesItsRecord()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    saveIdentified(store, {"bank:1", "bank:2"});
    DayTotals days;
    RangeRecords records;
    store.ListRecordsOfDate(kUser, day("2007-03-05"), day("2007-03-05"), days, records);
    QCOMPARE(records.size(), 2);
    store.DeleteRecord(records.id.first());
    // A deleted imported row is not imported again.
    const SaveOutcome again = saveIdentified(store, {"bank:1", "bank:2"});
    QCOMPARE(again.stored, 0);
    QCOMPARE(again.alreadyStored, 2);
    store.ListRecordsOfDate(kUser, day("2007-03-05"), day("2007-03-05"), days, records);
    QCOMPARE(records.size(), 1);
    // Deleting the user forgets them: a new user of that name starts afresh.
    QVERIFY(store.CreateUser(kUser, QStringLiteral("p")));
    QVERIFY(store.DeleteUser(kUser, QStringLiteral("p")));
    QVERIFY(store.StoredRowIdentities(kUser, {"bank:1", "bank:2"}).isEmpty());
}

void TestDatabaseUser::storedRowIdentitiesOfManyCandidates()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    QStringList stored;
    QStringList candidates;
    for (int i = 0; i < 10000; ++i) {
        const QString identity = QStringLiteral("alipay:%1").arg(i);
        candidates << identity;
        if (i % 2)
            stored << identity;
    }
    const SaveOutcome outcome = saveIdentified(store, stored);
    QCOMPARE(outcome.stored, 5000);
    const QSet<QString> found = store.StoredRowIdentities(kUser, candidates);
    QCOMPARE(found, QSet<QString>(stored.begin(), stored.end()));
    QVERIFY(store.StoredRowIdentities(QStringLiteral("李四"), candidates).isEmpty());
    QVERIFY(store.StoredRowIdentities(kUser, {}).isEmpty());
}

void TestDatabaseUser::ledgerWithoutTheNewerTables()
{
    TempDatabase db;
    {
        TclsDatabaseUser store(db.path());
        QVERIFY(store.CreateUser(kUser, QStringLiteral("p")));
        RawDb raw(db.path());
        raw.exec("drop table Save_Keys");
        raw.exec("drop table Row_Identities");
    }
    // Reads see the tables as empty; the first write that needs one makes it.
    TclsDatabaseUser store(db.path());
    QVERIFY(store.StoredRowIdentities(kUser, {"a"}).isEmpty());
    QVERIFY(store.DeleteUser(kUser, QStringLiteral("p")));
    QVERIFY(!saveLunches(store, QStringLiteral("k")).keyWasKnown);
    QVERIFY(saveLunches(store, QStringLiteral("k")).keyWasKnown);
    QCOMPARE(saveIdentified(store, {"a", "b"}).stored, 2);
    QCOMPARE(store.StoredRowIdentities(kUser, {"a", "c"}), QSet<QString>{"a"});
    RawDb raw(db.path());
    QCOMPARE(raw.count("select count(*) from All_Table"), 4);

    if (TestingOnServer() || geteuid() == 0)
        return; // a read-only file needs file permissions that hold
    raw.exec("drop table Row_Identities");
    QFile::setPermissions(db.path(), QFile::ReadOwner);
    QVERIFY(TclsDatabaseUser(db.path()).StoredRowIdentities(kUser, {"a"}).isEmpty());
    QFile::setPermissions(db.path(), QFile::ReadOwner | QFile::WriteOwner);
}

void TestDatabaseUser::newSaveKeysAreRandomHex()
{
    QSet<QString> keys;
    const QRegularExpression hex(QStringLiteral("^[0-9a-f]{32}$"));
    for (int i = 0; i < 1000; ++i) {
        const QString key = TclsDatabaseUser::NewSaveKey();
        QVERIFY2(hex.match(key).hasMatch(), qPrintable(key));
        keys.insert(key);
    }
    QCOMPARE(keys.size(), 1000);
}

QTEST_GUILESS_MAIN(TestDatabaseUser)
#include "tst_databaseuser.moc"
