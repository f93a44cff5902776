#include "PeriodTotals.h"

#include "AmountText.h"

RangeSums SumDayTotals(const DayTotals &days)
{
    RangeSums sums;
    for (int i = 0; i < days.size(); ++i) {
        sums.expense += ParseAmountText(days.expense[i]);
        sums.income += ParseAmountText(days.income[i]);
        sums.balance += ParseAmountText(days.balance[i]);
    }
    return sums;
}

PeriodKind PeriodKindOf(const QDate &start, const QDate &end)
{
    return start.daysTo(end) + 1 <= kMaxDailyRange ? PeriodKind::Day : PeriodKind::Month;
}

PeriodTable MakePeriodTable(const DayTotals &days, PeriodKind kind)
{
    PeriodTable table;
    table.kind = kind;
    const int labelLength = kind == PeriodKind::Day ? 10 : 7; // "yyyy-mm-dd" or "yyyy-mm"
    for (int i = 0; i < days.size(); ++i) {
        const QString label = days.date[i].left(labelLength);
        if (table.rows.isEmpty() || table.rows.constLast().label != label)
            table.rows.append({label, {}});
        RangeSums &sums = table.rows.last().sums;
        sums.expense += ParseAmountText(days.expense[i]);
        sums.income += ParseAmountText(days.income[i]);
        sums.balance += ParseAmountText(days.balance[i]);
    }
    // Added over the days in one run, exactly as the browse panel adds them.
    table.total = SumDayTotals(days);
    return table;
}
