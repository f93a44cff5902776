// The rules that decide a statement row's state against the ledger: rows
// already stored or pending, and rows that may be records typed by hand.
#include "ImportMatcher.h"
#include "unt_clsDatabaseUser.h"

#include <QtTest>

#include <algorithm>

namespace {

const QDate kDay(2026, 11, 10);

ProposedRecord row(const QString &identity, const QDate &date, const QString &amount,
                   const QString &type = kTypeExpense, RowState state = RowState::New)
{
    ProposedRecord record;
    record.row.identity = identity;
    record.row.date = date;
    record.recordType = type;
    record.item = QStringLiteral("外出就餐");
    record.amount = amount;
    record.state = state;
    record.ticked = state == RowState::New;
    return record;
}

TypedRecord typed(const QString &id, const QDate &date, const QString &amount, const QString &type = kTypeExpense)
{
    return {id, date, type, QStringLiteral("午饭"), amount, QString()};
}

QStringList states(const QList<ProposedRecord> &records)
{
    QStringList out;
    for (const ProposedRecord &r : records) {
        switch (r.state) {
        case RowState::New:
            out << QStringLiteral("new");
            break;
        case RowState::Imported:
            out << QStringLiteral("imported");
            break;
        case RowState::MaybeTyped:
            out << QStringLiteral("typed:") + r.matchedRecordId;
            break;
        case RowState::Refund:
            out << QStringLiteral("refund");
            break;
        case RowState::Skipped:
            out << QStringLiteral("skipped");
            break;
        case RowState::Bad:
            out << QStringLiteral("bad");
            break;
        }
    }
    return out;
}

} // namespace

class TestImportMatcher : public QObject
{
    Q_OBJECT
private slots:
    void identitiesMarkImported_data();
    void identitiesMarkImported();
    void matchWindowBothWays_data();
    void matchWindowBothWays();
    void typeAndAmountMustAgree_data();
    void typeAndAmountMustAgree();
    void eachTypedRecordMatchesOneRow_data();
    void eachTypedRecordMatchesOneRow();
    void sameAnswerWhateverTheLedgerOrder();
    void importedRowsNeverMatch();
    void spanCoversWindowOfNewRows();
};

void TestImportMatcher::identitiesMarkImported_data()
{
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("pending");
    QTest::addColumn<QStringList>("expected");
    // The batch: a, b, c, and a again (the overlap of two exports read together).
    QTest::newRow("nothing known") << QStringList{} << QStringList{}
                                   << QStringList{"new", "new", "new", "imported"};
    QTest::newRow("earlier export stored") << QStringList{"a", "b"} << QStringList{}
                                           << QStringList{"imported", "imported", "new", "imported"};
    QTest::newRow("waiting in a pending list") << QStringList{} << QStringList{"c"}
                                               << QStringList{"new", "new", "imported", "imported"};
    QTest::newRow("stored and pending") << QStringList{"b"} << QStringList{"a"}
                                        << QStringList{"imported", "imported", "new", "imported"};
}

void TestImportMatcher::identitiesMarkImported()
{
    QFETCH(QStringList, stored);
    QFETCH(QStringList, pending);
    QFETCH(QStringList, expected);
    QList<ProposedRecord> records = {row("a", kDay, "10.00"), row("b", kDay, "11.00"), row("c", kDay, "12.00"),
                                     row("a", kDay, "10.00")};
    LedgerView view;
    view.storedIdentities = QSet<QString>(stored.begin(), stored.end());
    view.pendingIdentities = QSet<QString>(pending.begin(), pending.end());
    ApplyLedger(records, view);
    QCOMPARE(states(records), expected);
    for (const ProposedRecord &r : records)
        QCOMPARE(r.ticked, r.state == RowState::New);
}

void TestImportMatcher::matchWindowBothWays_data()
{
    QTest::addColumn<int>("offset"); // the typed record's day minus the row's
    QTest::addColumn<bool>("matches");
    for (int offset : {-5, -4, -3, -2, -1, 0, 1, 2, 3, 4, 5})
        QTest::addRow("%+d days", offset) << offset << (std::abs(offset) <= kMatchWindowDays);
}

void TestImportMatcher::matchWindowBothWays()
{
    QFETCH(int, offset);
    QFETCH(bool, matches);
    QList<ProposedRecord> records = {row("a", kDay, "28.16")};
    LedgerView view;
    view.typed = {typed("7", kDay.addDays(offset), "28.16")};
    const QHash<QString, TypedRecord> matched = ApplyLedger(records, view);
    QCOMPARE(states(records), QStringList{matches ? QStringLiteral("typed:7") : QStringLiteral("new")});
    QCOMPARE(records.first().ticked, !matches);
    QCOMPARE(matched.contains(QStringLiteral("7")), matches);
}

void TestImportMatcher::typeAndAmountMustAgree_data()
{
    QTest::addColumn<QString>("rowType");
    QTest::addColumn<QString>("rowAmount");
    QTest::addColumn<QString>("typedType");
    QTest::addColumn<QString>("typedAmount");
    QTest::addColumn<bool>("matches");
    QTest::newRow("same") << kTypeExpense << "28.16" << kTypeExpense << "28.16" << true;
    QTest::newRow("same value, other form") << kTypeExpense << "50.0" << kTypeExpense << "50.00" << true;
    QTest::newRow("a cent apart") << kTypeExpense << "28.16" << kTypeExpense << "28.17" << false;
    QTest::newRow("other type") << kTypeExpense << "28.16" << kTypeIncome << "28.16" << false;
    QTest::newRow("income with income") << kTypeIncome << "3000.00" << kTypeIncome << "3000.00" << true;
    QTest::newRow("large amounts in cents") << kTypeExpense << "123456.78" << kTypeExpense << "123456.79" << false;
}

void TestImportMatcher::typeAndAmountMustAgree()
{
    QFETCH(QString, rowType);
    QFETCH(QString, rowAmount);
    QFETCH(QString, typedType);
    QFETCH(QString, typedAmount);
    QFETCH(bool, matches);
    QList<ProposedRecord> records = {row("a", kDay, rowAmount, rowType)};
    LedgerView view;
    view.typed = {typed("3", kDay.addDays(1), typedAmount, typedType)};
    ApplyLedger(records, view);
    QCOMPARE(records.first().state == RowState::MaybeTyped, matches);
}

void TestImportMatcher::eachTypedRecordMatchesOneRow_data()
{
    // Rows and typed records as day offsets from kDay, all of 20.00; the
    // expected state of each row.
    QTest::addColumn<QList<int>>("rowDays");
    QTest::addColumn<QList<int>>("typedDays");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("one record, two rows: the nearer") << QList<int>{0, 2} << QList<int>{3} << QStringList{"new", "typed:1"};
    QTest::newRow("one record, equally near: the first row")
        << QList<int>{0, 2} << QList<int>{1} << QStringList{"typed:1", "new"};
    QTest::newRow("two records, two rows") << QList<int>{1, 2} << QList<int>{0, 2}
                                           << QStringList{"typed:1", "typed:2"};
    QTest::newRow("nearest pair first") << QList<int>{1, 3} << QList<int>{2, 6}
                                        << QStringList{"typed:1", "typed:2"};
    QTest::newRow("three rows, one record") << QList<int>{0, 0, 0} << QList<int>{0}
                                            << QStringList{"typed:1", "new", "new"};
    QTest::newRow("two records, one row: the nearer") << QList<int>{0} << QList<int>{-2, 1}
                                                      << QStringList{"typed:2"};
    QTest::newRow("two records on one day: the lower number") << QList<int>{0} << QList<int>{1, 1}
                                                              << QStringList{"typed:1"};
}

void TestImportMatcher::eachTypedRecordMatchesOneRow()
{
    QFETCH(QList<int>, rowDays);
    QFETCH(QList<int>, typedDays);
    QFETCH(QStringList, expected);
    QList<ProposedRecord> records;
    for (int i = 0; i < rowDays.size(); ++i)
        records.append(row(QStringLiteral("r%1").arg(i), kDay.addDays(rowDays.at(i)), "20.00"));
    LedgerView view;
    for (int i = 0; i < typedDays.size(); ++i)
        view.typed.append(typed(QString::number(i + 1), kDay.addDays(typedDays.at(i)), "20.00"));
    const QHash<QString, TypedRecord> matched = ApplyLedger(records, view);
    QCOMPARE(states(records), expected);
    QCOMPARE(matched.size(), expected.filter(QStringLiteral("typed:")).size());
}

void TestImportMatcher::sameAnswerWhateverTheLedgerOrder()
{
    // The ledger may hand the typed records back in any order (another
    // engine, another index): the matches must not depend on it.
    LedgerView view;
    for (int i = 0; i < 12; ++i)
        view.typed.append(typed(QString::number(100 + i), kDay.addDays(i % 4 - 2), i % 3 ? "9.90" : "19.90"));
    QList<ProposedRecord> base;
    for (int i = 0; i < 15; ++i)
        base.append(row(QStringLiteral("r%1").arg(i), kDay.addDays(i % 5 - 2), i % 2 ? "9.90" : "19.90"));
    QList<ProposedRecord> first = base;
    ApplyLedger(first, view);
    std::reverse(view.typed.begin(), view.typed.end());
    QList<ProposedRecord> second = base;
    ApplyLedger(second, view);
    QCOMPARE(states(second), states(first));
    QVERIFY(states(first).filter(QStringLiteral("typed:")).size() > 0);
}

void TestImportMatcher::importedRowsNeverMatch()
{
    // A stored row, a refund, a skipped row and a second copy of a row in
    // the batch: none of them is offered as a typed record's twin, and the
    // record stays free for the row that may really be it.
    QList<ProposedRecord> records = {row("stored", kDay, "5.00"), row("refund", kDay, "5.00", kTypeExpense, RowState::Refund),
                                     row("skip", kDay, "5.00", kTypeExpense, RowState::Skipped), row("x", kDay, "5.00"),
                                     row("x", kDay, "5.00")};
    LedgerView view;
    view.storedIdentities = {QStringLiteral("stored")};
    view.typed = {typed("1", kDay, "5.00")};
    ApplyLedger(records, view);
    QCOMPARE(states(records), (QStringList{"imported", "refund", "skipped", "typed:1", "imported"}));
}

void TestImportMatcher::spanCoversWindowOfNewRows()
{
    QList<ProposedRecord> records = {row("a", QDate(2026, 11, 5), "1.00"),
                                     row("b", QDate(2026, 10, 1), "1.00", kTypeExpense, RowState::Skipped),
                                     row("c", QDate(2026, 11, 20), "1.00")};
    const DateSpan span = MatchSpan(records);
    QCOMPARE(span.first, QDate(2026, 11, 2));
    QCOMPARE(span.last, QDate(2026, 11, 23));
    records = {row("b", QDate(2026, 10, 1), "1.00", kTypeExpense, RowState::Skipped)};
    QVERIFY(!MatchSpan(records).isValid());
}

QTEST_GUILESS_MAIN(TestImportMatcher)
#include "tst_importmatcher.moc"
