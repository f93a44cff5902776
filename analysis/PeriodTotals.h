#pragma once

#include "unt_clsDatabaseUser.h"

#include <QDate>
#include <QList>
#include <QString>

// The figures of a range as the browse panel shows them: sums of the per-day
// texts, added in day order in floating point.
struct RangeSums {
    double expense = 0;
    double income = 0;
    double balance = 0;
};
RangeSums SumDayTotals(const DayTotals &days);

// A range of up to six weeks is shown day by day, anything longer by month.
enum class PeriodKind { Day, Month };
inline constexpr int kMaxDailyRange = 42;
PeriodKind PeriodKindOf(const QDate &start, const QDate &end);

struct PeriodRow {
    QString label; // "2007-01" for a month, "2007-01-05" for a day
    RangeSums sums;
};

// The month-by-month (or day-by-day) figures of a range. A partial first or
// last month holds only its days in the range; a period without records
// holds zeros.
struct PeriodTable {
    PeriodKind kind = PeriodKind::Month;
    QList<PeriodRow> rows;
    RangeSums total; // the browse panel's figures for the same range
    // The overall expense budget of each row's month, shown as a line beside
    // the expense bars; empty when there is none to show.
    QList<double> budget;
};

// `days` has one entry per calendar day, as the store lists a range.
PeriodTable MakePeriodTable(const DayTotals &days, PeriodKind kind);
