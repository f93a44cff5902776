#pragma once

#include "PlanData.h"
#include "unt_clsDatabaseUser.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// The budget in force for an item (empty: all expenses) in the month of
// `month`: the latest setting from that month or before; 0 when none.
double BudgetInForce(const QList<BudgetSetting> &settings, const QString &item, const QDate &month);

// The overall budget of each month of a period table's labels ("yyyy-mm").
QList<double> OverallBudgets(const QList<BudgetSetting> &settings, const QStringList &monthLabels);

// One line of the budget window.
struct BudgetLine {
    QString item;       // empty for the overall line
    double budget = 0;  // 0: none set
    double spent = 0;
    bool listed = true; // false: the item is not in the user's list any more
    double left() const { return budget - spent; }
    // Spent as a percentage of the budget; 0 without one.
    double percent() const { return budget > 0 ? 100.0 * spent / budget : 0; }
    bool over() const { return budget > 0 && spent > budget + 0.005; }
};

// The overall line first, then the user's expense items in list order, then
// any other item with a budget or spending in the month (so no money goes
// unshown). `spent` is the month's per-item totals as the store sums them.
QList<BudgetLine> MonthBudgetLines(const QList<BudgetSetting> &settings, const QStringList &items,
                                   const ProgramTotals &spent, const QDate &month);

// The budget window's lines of a month, read from the ledger: the user's
// expense list, the budgets and the month's spending, in three reads.
QList<BudgetLine> ReadBudgetLines(TclsDatabaseUser &store, const QString &userName, const QDate &month);

// The lines that saved rows of `savedItems` took past their budget: the
// overall line counts for every saved row.
QList<BudgetLine> ExceededLines(const QList<BudgetLine> &lines, const QStringList &savedItems);

// The information box's text for the lines over budget in `month`.
QString OverBudgetText(const QDate &month, const QList<BudgetLine> &over);

// The display name of a line: the item, or "全部支出" for the overall line.
QString BudgetLineName(const BudgetLine &line);

struct SavedExpense {
    QDate date;
    QString name;
};

// After the expense rows were saved: the lines they took past their budget
// that the user has not been told about yet (marked as told in the ledger,
// so each item and month is told once, on any computer). Grouped by month.
struct MonthExcess {
    QDate month;
    QList<BudgetLine> lines;
};
QList<MonthExcess> NewlyExceeded(TclsDatabaseUser &store, const QString &userName, const QList<SavedExpense> &rows);
