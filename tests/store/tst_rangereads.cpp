// The undecoded range read (RangeRows) against texts decoded the eager way,
// on awkward data, on a file and (as tst_rangereads_on_server) on a server.
#include "KavloError.h"
#include "LedgerConnection.h"
#include "RangeRows.h"
#include "TestSupport.h"
#include "TextCodec.h"
#include "unt_clsDatabaseUser.h"

#include <QtTest>

namespace {

const QString kUser = QStringLiteral("张三");
const QDate kStart(2007, 3, 4);
const QDate kEnd(2007, 3, 6);

using Rows = QList<QStringList>; // date, type, name, amount, memo, id

Rows rowsOf(const RangeRows &rows)
{
    Rows out;
    for (int i = 0; i < rows.size(); ++i)
        out << QStringList{rows.date(i), rows.type(i), rows.name(i), rows.amount(i), rows.memo(i), rows.id(i)};
    return out;
}

Rows rowsOf(const RangeRecords &records)
{
    Rows out;
    for (int i = 0; i < records.size(); ++i)
        out << QStringList{records.date[i], records.type[i], records.name[i], records.amount[i], records.memo[i],
                           records.id[i]};
    return out;
}

// The search decodes every field of every row it finds on its own; matching
// everything gives the range's records decoded the eager way.
Rows eagerRows(TclsDatabaseUser &store)
{
    RangeRecords found;
    store.FindRecords(kUser, {QString(), false, kStart, kEnd}, [](const QByteArray &) { return true; }, found);
    return rowsOf(found);
}

// A row written past the store, with its stored bytes exactly as given.
void insertStored(TclsDatabaseUser &store, const QByteArray &date, const QByteArray &type, const QString &name,
                  double amount)
{
    LedgerConnection &connection = store.connection();
    OperationScope scope(connection);
    connection.Execute("insert into All_Table (Program_Date,Program_Type,Program_Name,Program_Money,Program_Memo,"
                       "User_Name) values (?1,?2,?3,?4,?5,?6)",
                       {date, type, EncodeField(name), amount, QByteArray(), EncodeField(kUser)});
}

QString repeated(const QString &piece, int length)
{
    QString text;
    while (text.size() < length)
        text += piece;
    return text.left(length);
}

} // namespace

class TestRangeReads : public QObject
{
    Q_OBJECT
private slots:
    void undecodedEqualsDecoded_data();
    void undecodedEqualsDecoded();
    void changesMatchAFreshRead();
    void refusedChangeKeepsTheRow();
};

void TestRangeReads::undecodedEqualsDecoded_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("memos");

    QTest::newRow("chinese") << QStringList{"早饭", "午饭", "工资", "书籍"}
                             << QStringList{"和同事", "食堂", "十二月", "《红楼梦》"};
    QTest::newRow("quotes") << QStringList{"it's", "\"双引号\"", "a\\b", "'; drop table All_Table; --"}
                            << QStringList{"''", "\"", "`", "%s %1 ?1"};
    QTest::newRow("empty memos") << QStringList{"早饭", "x", "早饭", "y"} << QStringList{"", "", "", ""};
    QTest::newRow("255 characters") << QStringList{repeated("长", 255), "a"}
                                    << QStringList{repeated("备注", 255), repeated("m", 255)};
    QStringList sameNames, sameMemos;
    for (int i = 0; i < 300; ++i) {
        sameNames << QStringLiteral("午饭");
        sameMemos << (i % 2 ? QStringLiteral("备注%1").arg(i) : QString());
    }
    QTest::newRow("same name in many rows") << sameNames << sameMemos;
    QTest::newRow("differing only in case") << QStringList{"Tea", "tea", "TEA", "tEa"}
                                            << QStringList{"Memo", "memo", "MEMO", "memO"};
    QTest::newRow("outside GBK") << QStringList{"€", "😀", "𠀀字"} << QStringList{"ŉ", "😀😀", ""};
}

void TestRangeReads::undecodedEqualsDecoded()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, memos);
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    QVERIFY(store.CreateUser(kUser, QStringLiteral("pw")));
    // Spread over the range's days, both types mixed on each day.
    for (int i = 0; i < names.size(); ++i) {
        const QString date = kStart.addDays(i % 3).toString(Qt::ISODate);
        const QString amount = QString::number(0.125 + i * 1.1, 'f', 3);
        store.AddRecord(kUser, i % 4 == 1 ? kTypeIncome : kTypeExpense, {date}, {names[i]},
                        {amount}, {memos[i]});
    }
    // Stored forms the program itself never writes but must read alike: the
    // expense type with a line break inside its stored text, and a date that
    // names no day of the range.
    const QByteArray brokenType = EncodeField(kTypeExpense).insert(4, "\r\n");
    insertStored(store, "2007-03-05", brokenType, QStringLiteral("换行"), 2.5);
    insertStored(store, "2007-3-5", EncodeField(kTypeExpense), QStringLiteral("坏日期"), 7);

    DayTotals lazyDays;
    RangeRows rows;
    store.ListRecordsOfDate(kUser, kStart, kEnd, lazyDays, rows);
    const Rows expected = eagerRows(store);
    // A server's date column takes "2007-3-5" for the day it names; a file
    // keeps the text, which names no day.
    QCOMPARE(expected.size(), names.size() + (TestingOnServer() ? 2 : 1));
    QCOMPARE(rowsOf(rows), expected);
    // A second reading gives the texts kept the first time: the same again.
    QCOMPARE(rowsOf(rows), expected);

    DayTotals eagerDays;
    RangeRecords records;
    store.ListRecordsOfDate(kUser, kStart, kEnd, eagerDays, records);
    QCOMPARE(rowsOf(records), expected);
    QCOMPARE(rowsOf(rows.toRecords()), expected);

    DayTotals totalsOnly;
    store.ListTotalsOfDate(kUser, kStart, kEnd, totalsOnly);
    for (const DayTotals *days : {&eagerDays, &totalsOnly}) {
        QCOMPARE(lazyDays.date, days->date);
        QCOMPARE(lazyDays.expense, days->expense);
        QCOMPARE(lazyDays.income, days->income);
        QCOMPARE(lazyDays.balance, days->balance);
    }
    // Every row counts where its type says, the line-broken one included.
    for (int i = 0; i < rows.size(); ++i)
        QCOMPARE(rows.isExpense(i), rows.type(i) == kTypeExpense);
    // The rows of each day are the ones showing its date.
    int covered = 0;
    for (int day = 0; day < lazyDays.size(); ++day) {
        const auto [first, last] = rows.rowsOfDay(day);
        for (int i = first; i < last; ++i)
            QCOMPARE(rows.date(i), lazyDays.date[day]);
        covered += last - first;
    }
    QCOMPARE(covered, rows.size());
}

void TestRangeReads::changesMatchAFreshRead()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    QVERIFY(store.CreateUser(kUser, QStringLiteral("pw")));
    store.AddRecord(kUser, kTypeExpense, {"2007-03-04", "2007-03-05", "2007-03-05", "2007-03-06"},
                    {"早饭", "午饭", "午饭", "晚饭"}, {"1.00", "2.00", "3.00", "4.00"}, {"a", "", "c", "d"});
    store.AddRecord(kUser, kTypeIncome, {"2007-03-05"}, {"工资"}, {"100.00"}, {"十二月"});
    DayTotals days;
    RangeRows rows;
    store.ListRecordsOfDate(kUser, kStart, kEnd, days, rows);
    QCOMPARE(rows.size(), 5);

    // What the browse panel does after the store changed a record.
    const int changed = rows.rowOf(rows.key(2));
    QCOMPARE(changed, 2);
    const QString name = QStringLiteral("\"换了\" 名字");
    const QString memo = repeated(QStringLiteral("长备注"), 255);
    store.UpdateRecord(rows.id(changed), name, QStringLiteral("12.50"), memo);
    rows.setTexts(changed, name, QStringLiteral("12.50"), memo);
    const QString gone = rows.id(1);
    store.DeleteRecord(gone);
    rows.removeRow(1);
    QCOMPARE(rows.rowOf(gone.toLongLong()), -1);

    DayTotals freshDays;
    RangeRows fresh;
    store.ListRecordsOfDate(kUser, kStart, kEnd, freshDays, fresh);
    QCOMPARE(rowsOf(rows), rowsOf(fresh));
    QCOMPARE(rowsOf(rows.toRecords()), eagerRows(store));
    QCOMPARE(rows.rowsOfDay(1), std::make_pair(1, 3));
    QCOMPARE(rows.rowsOfDay(2), std::make_pair(3, 4));
}

void TestRangeReads::refusedChangeKeepsTheRow()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    QVERIFY(store.CreateUser(kUser, QStringLiteral("pw")));
    store.AddRecord(kUser, kTypeExpense, {"2007-03-05"}, {"早饭"}, {"1.00"}, {"a"});
    DayTotals days;
    RangeRows rows;
    store.ListRecordsOfDate(kUser, kStart, kEnd, days, rows);
    const Rows before = rowsOf(rows);
    // A private-use character GB18030 cannot carry, and an amount that is no number.
    const QString unstorable = QString(QChar(0xE81E));
    QVERIFY_THROWS_EXCEPTION(KavloError, rows.setTexts(0, unstorable, QStringLiteral("2.00"), QString()));
    QVERIFY_THROWS_EXCEPTION(KavloError, rows.setTexts(0, QStringLiteral("x"), QStringLiteral("2,00"), QString()));
    QCOMPARE(rowsOf(rows), before);
}

QTEST_GUILESS_MAIN(TestRangeReads)
#include "tst_rangereads.moc"
