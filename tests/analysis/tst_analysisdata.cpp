#include "AmountText.h"
#include "ChartPalette.h"
#include "PeriodTotals.h"
#include "RecordFinder.h"
#include "ShareSlices.h"
#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"

#include <QtTest>

namespace {
const QString kUser = QStringLiteral("张三");
const QString kOther = QStringLiteral("李四");

QDate day(const char *iso) { return QDate::fromString(QLatin1String(iso), Qt::ISODate); }

struct Item {
    QString name;
    QString amount;
};

// The list of the share window for expense records of these items, all on
// one day, as the store computes it.
ProgramTotals StoreTotals(TclsDatabaseUser &store, const QList<Item> &items)
{
    for (const Item &item : items)
        store.AddRecord(kUser, kTypeExpense, {"2007-05-01"}, {item.name}, {item.amount}, {QString()});
    ProgramTotals totals;
    store.GetProgramTotals(kUser, kTypeExpense, day("2007-05-01"), day("2007-05-01"), totals);
    return totals;
}

QList<Item> Equal(int count, const QString &amount)
{
    QList<Item> items;
    for (int i = 0; i < count; ++i)
        items.append({QStringLiteral("项目%1").arg(i), amount});
    return items;
}
} // namespace

Q_DECLARE_METATYPE(QList<Item>)

class TestAnalysisData : public QObject
{
    Q_OBJECT

private slots:
    void slicesFollowTheStoresTotals_data()
    {
        QTest::addColumn<QList<Item>>("items");
        QTest::addColumn<QStringList>("labels"); // the slices, in order

        QTest::newRow("no records") << QList<Item>{} << QStringList{};
        QTest::newRow("largest first") << QList<Item>{{"早饭", "10"}, {"早饭", "5"}, {"午饭", "45"}}
                                       << QStringList{"午饭 75.00%", "早饭 25.00%"};
        QTest::newRow("one small item keeps its name")
            << QList<Item>{{"房租", "98.5"}, {"报刊", "1.5"}} << QStringList{"房租 98.50%", "报刊 1.50%"};
        QTest::newRow("2 % itself is not folded")
            << QList<Item>{{"房租", "96"}, {"电费", "2"}, {"报刊", "1"}, {"停车", "1"}}
            << QStringList{"房租 96.00%", "电费 2.00%", "其他（2项） 2.00%"};
        QTest::newRow("every item small") << Equal(60, "1") << QStringList{"其他（60项） 100.00%"};
        QTest::newRow("three equal") << Equal(3, "1")
                                     << QStringList{"项目0 33.33%", "项目1 33.33%", "项目2 33.33%"};
    }
    void slicesFollowTheStoresTotals()
    {
        QFETCH(QList<Item>, items);
        QFETCH(QStringList, labels);
        TempDatabase db;
        TclsDatabaseUser store(db.path());
        const ProgramTotals totals = StoreTotals(store, items);
        const ShareChartData data = MakeShareSlices(totals);

        QStringList shown;
        double drawn = 0;
        for (const ShareSlice &slice : data.slices) {
            shown << slice.label();
            drawn += slice.total;
        }
        QCOMPARE(shown, labels);
        if (labels.isEmpty()) {
            QVERIFY(data.isEmpty());
            return;
        }
        // Every row of the list is drawn by exactly one slice, in the list's
        // order; an item's own slice carries the store's figures unchanged.
        QCOMPARE(data.sliceOfRow.size(), totals.size());
        double listed = 0;
        int previous = 0;
        for (int row = 0; row < totals.size(); ++row) {
            const int s = data.sliceOfRow[row];
            QVERIFY(s >= previous);
            previous = s;
            QVERIFY(data.slices[s].rows.contains(row));
            listed += ParseAmountText(totals.total[row]);
            const bool small = ParseAmountText(totals.share[row]) < kFoldBelowPercent;
            if (!data.slices[s].folded) {
                QCOMPARE(data.slices[s].name, totals.name[row]);
                QCOMPARE(data.slices[s].share, totals.share[row]);
                QCOMPARE(data.slices[s].total, ParseAmountText(totals.total[row]));
            } else {
                QVERIFY(small);
                QCOMPARE(data.slices[s].name, QStringLiteral("其他"));
            }
        }
        QCOMPARE(FormatAmount(drawn), FormatAmount(listed));
    }

    void neighbouringColoursDifferInGrey()
    {
        for (int count = 1; count <= 40; ++count) {
            for (int folded : {-1, count - 1}) {
                const QList<QColor> colours = SliceColours(count, folded);
                QCOMPARE(colours.size(), count);
                for (int i = 0; i < count && count > 1; ++i) {
                    const QColor a = colours[i];
                    const QColor b = colours[(i + 1) % count];
                    // Apart in a grey printout, not only in hue.
                    QVERIFY2(qAbs(qGray(a.rgb()) - qGray(b.rgb())) >= 30,
                             qPrintable(QStringLiteral("%1 slices, %2 and %3").arg(count).arg(i).arg((i + 1) % count)));
                    QVERIFY(a.hsvSaturationF() <= 0.6); // calm, no loud colours
                }
                if (folded >= 0)
                    QVERIFY(colours[folded].red() == colours[folded].green() &&
                            colours[folded].green() == colours[folded].blue());
            }
        }
        QVERIFY(qAbs(qGray(kExpenseBarColour.rgb()) - qGray(kIncomeBarColour.rgb())) >= 30);
        QVERIFY(qGray(kBalanceLineColour.rgb()) < qGray(kExpenseBarColour.rgb()));
    }

    void periodKindByLength_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<bool>("daily");
        QTest::newRow("one day") << day("2007-03-05") << day("2007-03-05") << true;
        QTest::newRow("six weeks") << day("2007-03-01") << day("2007-04-11") << true;
        QTest::newRow("six weeks and a day") << day("2007-03-01") << day("2007-04-12") << false;
        QTest::newRow("ten years") << day("2008-01-01") << day("2017-12-31") << false;
    }
    void periodKindByLength()
    {
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(bool, daily);
        QCOMPARE(PeriodKindOf(start, end) == PeriodKind::Day, daily);
    }

    // Months of a range against the store's range read and the browse
    // panel's figures: partial first and last months, an empty month, other
    // users and the days outside the range.
    void monthsAgreeWithTheRangeRead()
    {
        TempDatabase db;
        TclsDatabaseUser store(db.path());
        auto add = [&](const QString &type, const char *date, const char *amount, const QString &user = kUser) {
            store.AddRecord(user, type, {QLatin1String(date)}, {"项目"}, {QLatin1String(amount)}, {QString()});
        };
        add(kTypeExpense, "2007-01-14", "1000");  // the day before the range
        add(kTypeExpense, "2007-01-15", "10.10"); // first day
        add(kTypeIncome, "2007-01-20", "100");
        add(kTypeExpense, "2007-01-31", "0.125");
        add(kTypeExpense, "2007-03-01", "30.5");
        add(kTypeIncome, "2007-03-01", "20");
        add(kTypeExpense, "2007-03-15", "7", kOther);
        add(kTypeIncome, "2007-04-10", "5.55"); // last day
        add(kTypeIncome, "2007-04-11", "1000"); // the day after
        const QDate start = day("2007-01-15");
        const QDate end = day("2007-04-10");

        DayTotals days;
        RangeRecords records;
        store.ListRecordsOfDate(kUser, start, end, days, records);
        DayTotals figures;
        store.ListTotalsOfDate(kUser, start, end, figures);
        QCOMPARE(figures.date, days.date);
        QCOMPARE(figures.expense, days.expense);
        QCOMPARE(figures.income, days.income);
        QCOMPARE(figures.balance, days.balance);

        const PeriodTable table = MakePeriodTable(figures, PeriodKindOf(start, end));
        QCOMPARE(table.kind, PeriodKind::Month);
        QStringList rows;
        for (const PeriodRow &row : table.rows)
            rows << QStringLiteral("%1 %2 %3 %4")
                        .arg(row.label, FormatAmount(row.sums.expense), FormatAmount(row.sums.income),
                             FormatAmount(row.sums.balance));
        QCOMPARE(rows, (QStringList{"2007-01 10.23 100.00 89.77", "2007-02 0.00 0.00 0.00",
                                    "2007-03 30.50 20.00 -10.50", "2007-04 0.00 5.55 5.55"}));

        // Each month equals the records of its days in the range.
        for (const PeriodRow &row : table.rows) {
            double expense = 0;
            double income = 0;
            for (int i = 0; i < records.size(); ++i)
                if (records.date[i].startsWith(row.label))
                    (records.type[i] == kTypeExpense ? expense : income) += ParseAmountText(records.amount[i]);
            QCOMPARE(FormatAmount(row.sums.expense), FormatAmount(expense));
            QCOMPARE(FormatAmount(row.sums.income), FormatAmount(income));
        }
        const RangeSums browse = SumDayTotals(days);
        QCOMPARE(table.total.expense, browse.expense);
        QCOMPARE(table.total.income, browse.income);
        QCOMPARE(table.total.balance, browse.balance);
    }

    void daysOfAShortRange()
    {
        TempDatabase db;
        TclsDatabaseUser store(db.path());
        store.AddRecord(kUser, kTypeExpense, {"2007-03-02", "2007-03-02"}, {"早饭", "午饭"}, {"5", "12.5"},
                        {QString(), QString()});
        DayTotals days;
        store.ListTotalsOfDate(kUser, day("2007-03-01"), day("2007-03-04"), days);
        const PeriodTable table = MakePeriodTable(days, PeriodKindOf(day("2007-03-01"), day("2007-03-04")));
        QCOMPARE(table.kind, PeriodKind::Day);
        QCOMPARE(table.rows.size(), 4);
        QCOMPARE(table.rows[0].label, QStringLiteral("2007-03-01"));
        QCOMPARE(table.rows[1].sums.expense, 17.5);
        QCOMPARE(table.rows[3].sums.expense, 0.0);
        QCOMPARE(table.total.balance, -17.5);

        store.ListTotalsOfDate(kUser, day("2007-03-04"), day("2007-03-03"), days);
        QCOMPARE(days.size(), 0);
    }

    void findRecords_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("allDates");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QStringList>("names"); // the item names found, in order

        const QDate none;
        QTest::newRow("item name") << "煤气" << "" << true << none << none << QStringList{"煤气费"};
        QTest::newRow("memo") << "油条" << "" << true << none << none << QStringList{"早饭"};
        QTest::newRow("ascii letters without case")
            << "gAs" << "" << true << none << none << QStringList{"煤气费", "奖金"};
        QTest::newRow("upper-case text, mixed name")
            << "COFFEE" << "" << true << none << none << QStringList{"Coffee"};
        QTest::newRow("Chinese exactly") << "燃汽" << "" << true << none << none << QStringList{};
        QTest::newRow("full-width letters not folded")
            << "ａｂｃ" << "" << true << none << none << QStringList{};
        QTest::newRow("full-width letters exactly")
            << "Ａｂｃ" << "" << true << none << none << QStringList{"晚饭"};
        QTest::newRow("ascii does not match full-width")
            << "abc" << "" << true << none << none << QStringList{};
        QTest::newRow("single quotes") << "'Tom'" << "" << true << none << none << QStringList{"Coffee"};
        QTest::newRow("double quotes") << "\"Ann\"" << "" << true << none << none << QStringList{"Coffee"};
        QTest::newRow("SQL wildcard is a plain character")
            << "%" << "" << true << none << none << QStringList{"晚饭"};
        QTest::newRow("expenses only") << "gas" << kTypeExpense << true << none << none << QStringList{"煤气费"};
        QTest::newRow("income only") << "gas" << kTypeIncome << true << none << none << QStringList{"奖金"};
        QTest::newRow("expense before income of a day, then by day")
            << "一月" << "" << true << none << none << QStringList{"煤气费", "工资"};
        QTest::newRow("same day in saving order")
            << "饭" << "" << true << none << none << QStringList{"早饭", "晚饭", "午饭"};
        QTest::newRow("pickers' range") << "gas" << "" << false << day("2007-01-01") << day("2007-01-31")
                                        << QStringList{"煤气费"};
        QTest::newRow("range bounds count") << "饭" << "" << false << day("2007-02-10") << day("2007-02-10")
                                            << QStringList{"早饭"};
        QTest::newRow("reversed range") << "饭" << "" << false << day("2007-03-10") << day("2007-02-10")
                                        << QStringList{};
        // "的的" is B5C4 B5C4 in GBK, and "牡" is C4B5: found only at a
        // character's start. "傾" is 8341, whose second byte is "A".
        QTest::newRow("no match across characters")
            << "牡" << "" << true << none << none << QStringList{};
        QTest::newRow("letter never matches inside a character")
            << "a" << "" << false << day("2007-04-01") << day("2007-04-01") << QStringList{};
        QTest::newRow("the same character does match")
            << "的傾" << "" << true << none << none << QStringList{"房租"};
        QTest::newRow("no hit") << "电费" << "" << true << none << none << QStringList{};
    }
    void findRecords()
    {
        QFETCH(QString, text);
        QFETCH(QString, type);
        QFETCH(bool, allDates);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QStringList, names);

        TempDatabase db;
        TclsDatabaseUser store(db.path());
        auto add = [&](const QString &t, const char *date, const QString &name, const char *amount,
                       const QString &memo, const QString &user = kUser) {
            store.AddRecord(user, t, {QLatin1String(date)}, {name}, {QLatin1String(amount)}, {memo});
        };
        // The income of 01-05 is saved before its expense.
        add(kTypeIncome, "2007-01-05", "工资", "8600", "一月工资");
        add(kTypeExpense, "2007-01-05", "煤气费", "86.5", "Gas bill 一月 燃气");
        add(kTypeExpense, "2007-02-10", "早饭", "5", "豆浆油条");
        add(kTypeExpense, "2007-02-11", "Coffee", "12", "with 'Tom' & \"Ann\"");
        add(kTypeIncome, "2007-03-01", "奖金", "3000", "GAS station bonus");
        add(kTypeExpense, "2007-03-02", "晚饭", "30", "Ａｂｃ 100%");
        add(kTypeExpense, "2007-03-02", "午饭", "20", QString());
        add(kTypeExpense, "2007-04-01", "房租", "1500", "的的傾");
        add(kTypeExpense, "2007-01-05", "煤气费", "99", "gas 一月 饭", kOther);

        RecordScope scope;
        scope.recordType = type;
        scope.allDates = allDates;
        scope.start = start;
        scope.end = end;
        RangeRecords found;
        store.FindRecords(kUser, scope, TextFinder(text), found);
        QCOMPARE(found.name, names);

        // The records found read exactly as the range read gives them.
        DayTotals days;
        RangeRecords all;
        store.ListRecordsOfDate(kUser, day("2007-01-01"), day("2007-12-31"), days, all);
        for (int i = 0; i < found.size(); ++i) {
            const int j = all.id.indexOf(found.id[i]);
            QVERIFY(j >= 0);
            QCOMPARE((QStringList{found.date[i], found.type[i], found.name[i], found.amount[i], found.memo[i]}),
                     (QStringList{all.date[j], all.type[j], all.name[j], all.amount[j], all.memo[j]}));
        }
    }

    void findSummary()
    {
        RangeRecords found;
        found.id = {"1", "2", "3"};
        found.date = {"2007-01-05", "2007-01-05", "2007-01-06"};
        found.type = {kTypeExpense, kTypeIncome, kTypeExpense};
        found.name = {"a", "b", "c"};
        found.amount = {"86.50", "8600.00", "0.13"};
        found.memo = {"", "", ""};
        QCOMPARE(FindSummaryText(SummariseFound(found)),
                 QStringLiteral("找到 3 条记录    支出合计：86.63    收入合计：8600.00"));
        QCOMPARE(FindSummaryText(SummariseFound(RangeRecords())),
                 QStringLiteral("找到 0 条记录    支出合计：0.00    收入合计：0.00"));
    }
};

QTEST_GUILESS_MAIN(TestAnalysisData)
#include "tst_analysisdata.moc"
