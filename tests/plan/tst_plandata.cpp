// Budgets and recurring entries below the windows: occurrence dates, the
// checks of typed entries, budget sums by month, and what the ledger keeps.
#include "BudgetPlan.h"
#include "KavloError.h"
#include "LedgerConnection.h"
#include "Recurrence.h"
#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"

#include <QtTest>

namespace {
const QString kUser = QStringLiteral("张三");
const QString kOther = QStringLiteral("李四");

QDate day(const char *iso) { return QDate::fromString(QLatin1String(iso), Qt::ISODate); }

QStringList isoDays(const QList<QDate> &days)
{
    QStringList texts;
    for (const QDate &d : days)
        texts.append(d.toString(Qt::ISODate));
    return texts;
}

RecurringEntry entryOf(RepeatKind kind, int dayOrWeekday, int month, const char *first, const char *end = nullptr)
{
    RecurringEntry e;
    e.recordType = kTypeExpense;
    e.name = QStringLiteral("房租");
    e.amount = QStringLiteral("1500.00");
    e.rule = {kind, dayOrWeekday, month};
    e.first = day(first);
    if (end)
        e.end = day(end);
    return e;
}

void addExpense(TclsDatabaseUser &store, const char *date, const QString &name, const QString &amount)
{
    store.AddRecord(kUser, kTypeExpense, {QLatin1String(date)}, {name}, {amount}, {QString()});
}

// The budget window's lines of a month, read the way the window reads them.
QList<BudgetLine> windowLines(TclsDatabaseUser &store, const QDate &month, const QStringList &items)
{
    ProgramTotals spent;
    store.GetProgramTotals(kUser, kTypeExpense, month, month.addMonths(1).addDays(-1), spent);
    return MonthBudgetLines(store.LoadBudgets(kUser), items, spent, month);
}
} // namespace

Q_DECLARE_METATYPE(RecurringEntry)
Q_DECLARE_METATYPE(RecurringField)

class TestPlanData : public QObject
{
    Q_OBJECT

private slots:
    void occurrences_data()
    {
        QTest::addColumn<RecurringEntry>("entry");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("the 31st falls on each month's last day")
            << entryOf(RepeatKind::Monthly, 31, 1, "2024-01-01") << day("2024-01-01") << day("2024-06-30")
            << QStringList{"2024-01-31", "2024-02-29", "2024-03-31", "2024-04-30", "2024-05-31", "2024-06-30"};
        QTest::newRow("the 30th in a February of a common year")
            << entryOf(RepeatKind::Monthly, 30, 1, "2023-01-15") << day("2023-01-01") << day("2023-03-31")
            << QStringList{"2023-01-30", "2023-02-28", "2023-03-30"};
        QTest::newRow("a first day after the month's day starts next month")
            << entryOf(RepeatKind::Monthly, 5, 1, "2024-03-06") << day("2024-01-01") << day("2024-05-05")
            << QStringList{"2024-04-05", "2024-05-05"};
        QTest::newRow("the end day is the last")
            << entryOf(RepeatKind::Monthly, 10, 1, "2024-01-10", "2024-03-10") << day("2024-01-01")
            << day("2024-12-31") << QStringList{"2024-01-10", "2024-02-10", "2024-03-10"};
        QTest::newRow("only the window is listed")
            << entryOf(RepeatKind::Monthly, 1, 1, "2020-01-01") << day("2024-02-02") << day("2024-04-01")
            << QStringList{"2024-03-01", "2024-04-01"};
        QTest::newRow("weekly on Mondays from a Wednesday")
            << entryOf(RepeatKind::Weekly, 1, 1, "2024-02-28") << day("2024-02-01") << day("2024-03-18")
            << QStringList{"2024-03-04", "2024-03-11", "2024-03-18"};
        QTest::newRow("weekly on the first day's own weekday")
            << entryOf(RepeatKind::Weekly, 3, 1, "2024-02-28") << day("2024-02-28") << day("2024-03-06")
            << QStringList{"2024-02-28", "2024-03-06"};
        QTest::newRow("29 February yearly: 28 February in common years")
            << entryOf(RepeatKind::Yearly, 29, 2, "2023-01-01") << day("2023-01-01") << day("2028-12-31")
            << QStringList{"2023-02-28", "2024-02-29", "2025-02-28", "2026-02-28", "2027-02-28", "2028-02-29"};
        QTest::newRow("yearly before the first day waits a year")
            << entryOf(RepeatKind::Yearly, 15, 3, "2024-03-16") << day("2024-01-01") << day("2026-03-15")
            << QStringList{"2025-03-15", "2026-03-15"};
        QTest::newRow("nothing when the window ends before the first day")
            << entryOf(RepeatKind::Monthly, 1, 1, "2025-01-01") << day("2024-01-01") << day("2024-12-31")
            << QStringList{};
    }
    void occurrences()
    {
        QFETCH(RecurringEntry, entry);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QStringList, expected);
        QCOMPARE(isoDays(OccurrenceDates(entry, from, to)), expected);
    }

    void typedEntriesAreChecked_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("dayText");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("end"); // empty: no end
        QTest::addColumn<RecurringField>("field");
        QTest::addColumn<QString>("message");

        const int monthly = int(RepeatKind::Monthly), yearly = int(RepeatKind::Yearly);
        QTest::newRow("day 0") << monthly << "房租" << "100" << "0" << "" << "" << RecurringField::Day
                               << "日期应当是 1 到 31 之间的数，请重新填写！";
        QTest::newRow("day 32") << monthly << "房租" << "100" << "32" << "" << "" << RecurringField::Day
                                << "日期应当是 1 到 31 之间的数，请重新填写！";
        QTest::newRow("day not a number") << monthly << "房租" << "100" << "3a" << "" << "" << RecurringField::Day
                                          << "日期应当是 1 到 31 之间的数，请重新填写！";
        QTest::newRow("30 February") << yearly << "房租" << "100" << "30" << "2" << "" << RecurringField::Day
                                     << "2 月没有 30 日，请重新填写！";
        QTest::newRow("31 April") << yearly << "房租" << "100" << "31" << "4" << "" << RecurringField::Day
                                  << "4 月没有 31 日，请重新填写！";
        QTest::newRow("month 13") << yearly << "房租" << "100" << "1" << "13" << "" << RecurringField::Month
                                  << "月份应当是 1 到 12 之间的数，请重新填写！";
        QTest::newRow("end before start") << monthly << "房租" << "100" << "5" << "" << "2024-02-29"
                                          << RecurringField::End << "结束日期不能早于开始日期！";
        QTest::newRow("amount 1.2.3") << monthly << "房租" << "1.2.3" << "5" << "" << "" << RecurringField::Amount
                                      << "金额有错误，请重新填写！";
        QTest::newRow("amount empty") << monthly << "房租" << "" << "5" << "" << "" << RecurringField::Amount
                                      << "金额不能为空或为0，请重新填写！";
        QTest::newRow("blank item") << monthly << " " << "100" << "5" << "" << "" << RecurringField::Name
                                    << "您没有填写支出项目名称！";
        QTest::newRow("29 February yearly is fine") << yearly << "保险" << "100" << "29" << "2" << ""
                                                    << RecurringField::None << "";
        QTest::newRow("end on the first day is fine") << monthly << "房租" << ".5" << "31" << "" << "2024-03-01"
                                                      << RecurringField::None << "";
    }
    void typedEntriesAreChecked()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        QFETCH(QString, amount);
        QFETCH(QString, dayText);
        QFETCH(QString, month);
        QFETCH(QString, end);
        QFETCH(RecurringField, field);
        QFETCH(QString, message);
        RecurringInput input;
        input.recordType = kTypeExpense;
        input.name = name;
        input.amount = amount;
        input.kind = RepeatKind(kind);
        input.day = dayText;
        input.month = month;
        input.first = day("2024-03-01");
        input.hasEnd = !end.isEmpty();
        input.end = QDate::fromString(end, Qt::ISODate);
        const RecurringCheck check = CheckRecurringInput(input);
        QCOMPARE(check.message, message);
        QCOMPARE(check.field, field);
        if (field == RecurringField::None) {
            QCOMPARE(check.entry.name, name);
            QVERIFY(check.entry.amount.endsWith(QLatin1String(".00")) || check.entry.amount == "0.50");
            QCOMPARE(check.entry.rule.day, dayText.toInt());
            QCOMPARE(check.entry.end.isValid(), input.hasEnd);
        }
    }

    void budgetInForceByMonth_data()
    {
        QTest::addColumn<QDate>("month");
        QTest::addColumn<double>("food");
        QTest::addColumn<double>("overall");

        QTest::newRow("before the first setting") << day("2023-12-01") << 0.0 << 0.0;
        QTest::newRow("January") << day("2024-01-15") << 500.0 << 3000.0;
        QTest::newRow("the month before the change") << day("2024-06-30") << 500.0 << 3000.0;
        QTest::newRow("the month of the change") << day("2024-07-01") << 800.0 << 3000.0;
        QTest::newRow("removed from October") << day("2024-10-01") << 0.0 << 3000.0;
        QTest::newRow("overall raised next year") << day("2025-02-01") << 0.0 << 3500.0;
    }
    void budgetInForceByMonth()
    {
        QFETCH(QDate, month);
        QFETCH(double, food);
        QFETCH(double, overall);
        // Given out of order, as a ledger may hold them.
        const QList<BudgetSetting> settings = {{QStringLiteral("餐饮"), day("2024-07-01"), 800},
                                               {QString(), day("2025-01-01"), 3500},
                                               {QStringLiteral("餐饮"), day("2024-01-01"), 500},
                                               {QStringLiteral("餐饮"), day("2024-10-01"), 0},
                                               {QString(), day("2024-01-01"), 3000}};
        QCOMPARE(BudgetInForce(settings, QStringLiteral("餐饮"), month), food);
        QCOMPARE(BudgetInForce(settings, QString(), month), overall);
    }

    // Spending is summed by calendar month: the leap day belongs to February,
    // the first of March to March; a budget changed mid-year holds from its
    // month on, on a real ledger of either engine.
    void monthSumsOnTheLedger()
    {
        TempDatabase db;
        TclsDatabaseUser store(db.path());
        store.SetBudget(kUser, QStringLiteral("餐饮"), day("2024-01-01"), 500);
        store.SetBudget(kUser, QString(), day("2024-01-01"), 2000);
        store.SetBudget(kUser, QStringLiteral("餐饮"), day("2024-03-01"), 300);
        store.SetBudget(kUser, QStringLiteral("餐饮"), day("2024-03-01"), 350); // corrected: replaces
        store.SetBudget(kOther, QStringLiteral("餐饮"), day("2024-01-01"), 1);
        addExpense(store, "2024-01-31", QStringLiteral("餐饮"), "100.10");
        addExpense(store, "2024-02-01", QStringLiteral("餐饮"), "200.20");
        addExpense(store, "2024-02-29", QStringLiteral("餐饮"), "400.40");
        addExpense(store, "2024-02-29", QStringLiteral("旧项目"), "9.90");
        addExpense(store, "2024-03-01", QStringLiteral("餐饮"), "50.05");
        addExpense(store, "2024-03-01", QStringLiteral("交通"), "20");

        const QStringList items = {QStringLiteral("交通"), QStringLiteral("餐饮")};
        const QList<BudgetLine> feb = windowLines(store, day("2024-02-01"), items);
        QCOMPARE(feb.size(), 4);
        QCOMPARE(feb[0].item, QString());
        QCOMPARE(feb[0].budget, 2000.0);
        QCOMPARE(feb[0].spent, 610.5);
        QCOMPARE(feb[1].item, QStringLiteral("交通"));
        QCOMPARE(feb[1].spent, 0.0);
        QCOMPARE(feb[1].budget, 0.0);
        QCOMPARE(feb[2].item, QStringLiteral("餐饮"));
        QCOMPARE(feb[2].spent, 600.6);
        QCOMPARE(feb[2].budget, 500.0);
        QVERIFY(feb[2].over());
        QCOMPARE(feb[3].item, QStringLiteral("旧项目")); // spent on an item no longer in the list
        QVERIFY(!feb[3].listed);

        const QList<BudgetLine> march = windowLines(store, day("2024-03-01"), items);
        QCOMPARE(march.size(), 3);
        QCOMPARE(march[2].budget, 350.0);
        QCOMPARE(march[2].spent, 50.05);
        QCOMPARE(march[2].left(), 299.95);
        QVERIFY(!march[2].over());
        QCOMPARE(march[0].spent, 70.05);

        QCOMPARE(OverallBudgets(store.LoadBudgets(kUser), {"2023-12", "2024-01", "2024-02"}),
                 (QList<double>{0, 2000, 2000}));
    }

    // Told once per item and month: the second save past the same budget
    // says nothing, a new month or another item is told again.
    void exceededOncePerItemAndMonth()
    {
        TempDatabase db;
        TclsDatabaseUser store(db.path());
        store.SetBudget(kUser, QStringLiteral("餐饮"), day("2024-01-01"), 100);
        store.SetBudget(kUser, QString(), day("2024-01-01"), 150);
        const QString food = QStringLiteral("餐饮");

        addExpense(store, "2024-05-03", food, "60");
        QVERIFY(NewlyExceeded(store, kUser, {{day("2024-05-03"), food}}).isEmpty());

        addExpense(store, "2024-05-04", food, "50.5");
        QList<MonthExcess> told = NewlyExceeded(store, kUser, {{day("2024-05-04"), food}});
        QCOMPARE(told.size(), 1);
        QCOMPARE(told[0].month, day("2024-05-01"));
        QCOMPARE(told[0].lines.size(), 1);
        QCOMPARE(told[0].lines[0].item, food);
        QCOMPARE(told[0].lines[0].spent - told[0].lines[0].budget, 10.5);
        QVERIFY(OverBudgetText(told[0].month, told[0].lines).contains(QStringLiteral("超出 10.50")));

        addExpense(store, "2024-05-05", food, "1");
        QVERIFY(NewlyExceeded(store, kUser, {{day("2024-05-05"), food}}).isEmpty());

        // Another item takes the whole month past its budget.
        addExpense(store, "2024-05-06", QStringLiteral("交通"), "40");
        told = NewlyExceeded(store, kUser, {{day("2024-05-06"), QStringLiteral("交通")}});
        QCOMPARE(told.size(), 1);
        QCOMPARE(told[0].lines.size(), 1);
        QCOMPARE(BudgetLineName(told[0].lines[0]), QStringLiteral("全部支出"));
        QCOMPARE(told[0].lines[0].spent, 151.5);

        // June starts afresh.
        addExpense(store, "2024-06-01", food, "100.01");
        told = NewlyExceeded(store, kUser, {{day("2024-06-01"), food}});
        QCOMPARE(told.size(), 1);
        QCOMPARE(told[0].month, day("2024-06-01"));
    }

    void recurringEntriesAreKept()
    {
        TempDatabase db;
        TclsDatabaseUser store(db.path());
        QVERIFY(store.LoadRecurringEntries(kUser).isEmpty());

        RecurringEntry rent = entryOf(RepeatKind::Monthly, 31, 1, "2024-01-31");
        rent.memo = QStringLiteral("每月房租");
        RecurringEntry salary = entryOf(RepeatKind::Yearly, 29, 2, "2024-02-29", "2030-12-31");
        salary.recordType = kTypeIncome;
        salary.name = QStringLiteral("年终奖");
        rent.id = store.SaveRecurringEntry(kUser, rent);
        salary.id = store.SaveRecurringEntry(kUser, salary);
        QVERIFY(rent.id > 0 && salary.id > 0 && salary.id != rent.id);
        store.SaveRecurringEntry(kOther, entryOf(RepeatKind::Weekly, 2, 1, "2024-01-01"));

        QList<RecurringEntry> kept = store.LoadRecurringEntries(kUser);
        QCOMPARE(kept.size(), 2);
        QCOMPARE(kept[0].id, rent.id);
        QCOMPARE(kept[0].memo, rent.memo);
        QCOMPARE(kept[0].rule, rent.rule);
        QVERIFY(!kept[0].end.isValid());
        QCOMPARE(kept[1].recordType, kTypeIncome);
        QCOMPARE(kept[1].rule, salary.rule);
        QCOMPARE(kept[1].end, day("2030-12-31"));

        // A watermark is written only forwards and only for the revision read.
        kept[0].doneThrough = day("2024-05-31");
        store.AdvanceRecurringWatermarks(kUser, {kept[0]});
        QCOMPARE(store.LoadRecurringEntries(kUser)[0].doneThrough, day("2024-05-31"));
        kept[0].doneThrough = day("2024-04-30");
        store.AdvanceRecurringWatermarks(kUser, {kept[0]});
        QCOMPARE(store.LoadRecurringEntries(kUser)[0].doneThrough, day("2024-05-31"));

        // A changed rule applies from the day of the change; a watermark
        // computed before the change is not written over it.
        const RecurringEntry changed =
            ChangedEntry(kept[0], entryOf(RepeatKind::Monthly, 15, 1, "2024-01-31"), day("2024-09-10"));
        QCOMPARE(changed.doneThrough, day("2024-09-09"));
        store.SaveRecurringEntry(kUser, changed);
        RecurringEntry stale = kept[0];
        stale.doneThrough = day("2024-12-31");
        store.AdvanceRecurringWatermarks(kUser, {stale});
        kept = store.LoadRecurringEntries(kUser);
        QCOMPARE(kept[0].rule.day, 15);
        QCOMPARE(kept[0].doneThrough, day("2024-09-09"));
        // Only the amount: what was known still holds.
        RecurringEntry dearer = kept[0];
        dearer.amount = QStringLiteral("1600.00");
        QCOMPARE(ChangedEntry(kept[0], dearer, day("2025-01-01")).doneThrough, day("2024-09-09"));

        // Paused and resumed: the days in between are not offered.
        store.SetRecurringPaused(kUser, rent.id, true);
        QVERIFY(store.LoadRecurringEntries(kUser)[0].paused);
        store.SetRecurringPaused(kUser, rent.id, false, day("2025-03-02"));
        QVERIFY(!store.LoadRecurringEntries(kUser)[0].paused);
        QCOMPARE(store.LoadRecurringEntries(kUser)[0].doneThrough, day("2025-03-01"));
        store.DeleteRecurringEntry(kUser, rent.id);
        QCOMPARE(store.LoadRecurringEntries(kUser).size(), 1);
        // Gone already (as when another computer deleted it first): said so.
        try {
            store.DeleteRecurringEntry(kUser, rent.id);
            QFAIL("deleting a missing entry succeeded");
        } catch (const KavloError &e) {
            QCOMPARE(e.cause(), FailureCause::RecordGone);
        }
        // Another user's entry is out of reach.
        const qint64 others = store.LoadRecurringEntries(kOther)[0].id;
        QVERIFY_THROWS_EXCEPTION(KavloError, store.DeleteRecurringEntry(kUser, others));
        QCOMPARE(store.LoadRecurringEntries(kOther).size(), 1);
    }

    // A ledger made before budgets and recurring entries existed reads as
    // having none, and the first write adds the table it needs.
    void ledgerWithoutThePlanTables()
    {
        TempDatabase db;
        {
            auto raw = MakeLedgerConnection(LedgerLocation::FromText(db.path()));
            OperationScope scope(*raw);
            for (const char *sql : {"drop table Budgets", "drop table Budget_Notices", "drop table Recurring_Entries"})
                raw->Execute(sql);
        }
        TclsDatabaseUser store(db.path());
        QVERIFY(store.LoadBudgets(kUser).isEmpty());
        QVERIFY(store.LoadRecurringEntries(kUser).isEmpty());
        store.SetBudget(kUser, QString(), day("2024-05-01"), 900);
        QCOMPARE(BudgetInForce(store.LoadBudgets(kUser), QString(), day("2024-06-01")), 900.0);
        QCOMPARE(store.MarkBudgetNotices(kUser, day("2024-06-01"), {QString()}), QStringList{QString()});
        QVERIFY(store.SaveRecurringEntry(kUser, entryOf(RepeatKind::Monthly, 1, 1, "2024-01-01")) > 0);
        QCOMPARE(store.LoadRecurringEntries(kUser).size(), 1);
    }

    // What no window lets through is refused by the store too, and nothing
    // of it is stored.
    void storeRefusesBadEntries_data()
    {
        QTest::addColumn<RecurringEntry>("entry");
        RecurringEntry e = entryOf(RepeatKind::Monthly, 0, 1, "2024-01-01");
        QTest::newRow("day 0") << e;
        e.rule.day = 32;
        QTest::newRow("day 32") << e;
        e = entryOf(RepeatKind::Weekly, 8, 1, "2024-01-01");
        QTest::newRow("weekday 8") << e;
        e = entryOf(RepeatKind::Monthly, 1, 1, "2024-03-01", "2024-02-01");
        QTest::newRow("end before start") << e;
        e = entryOf(RepeatKind::Monthly, 1, 1, "2024-03-01");
        e.amount = QStringLiteral("0");
        QTest::newRow("amount 0") << e;
        e.amount = QStringLiteral("abc");
        QTest::newRow("amount not a number") << e;
    }
    void storeRefusesBadEntries()
    {
        QFETCH(RecurringEntry, entry);
        TempDatabase db;
        TclsDatabaseUser store(db.path());
        QVERIFY_THROWS_EXCEPTION(KavloError, store.SaveRecurringEntry(kUser, entry));
        QVERIFY(store.LoadRecurringEntries(kUser).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPlanData)
#include "tst_plandata.moc"
