#pragma once

#include <QDate>
#include <QList>
#include <QString>

// What the ledger keeps for budgets and recurring entries: plain data. The
// rules that work with it (occurrence dates, sums against a budget) live in
// plan/, above the store.

// A monthly budget for one expense item, or for all expenses together when
// `item` is empty, in force from `fromMonth` (its first day) until a later
// setting for the same item. An amount of 0 means "no budget from then on".
struct BudgetSetting {
    QString item;
    QDate fromMonth;
    double amount = 0;
};

enum class RepeatKind { Monthly, Weekly, Yearly };

// Monthly: on day `day` (1..31; the month's last day when it is shorter).
// Weekly: on weekday `day` (1 Monday .. 7 Sunday, as QDate counts).
// Yearly: on day `day` of month `month`.
struct RecurrenceRule {
    RepeatKind kind = RepeatKind::Monthly;
    int day = 1;
    int month = 1;
    bool operator==(const RecurrenceRule &o) const { return kind == o.kind && day == o.day && month == o.month; }
};

struct RecurringEntry {
    qint64 id = 0;       // the ledger's number for it; 0 before it is stored
    QString recordType;  // kTypeExpense or kTypeIncome
    QString name;        // the item, kept as typed even if the list drops it
    QString amount;      // two-decimal amount text
    QString memo;
    RecurrenceRule rule;
    QDate first;
    QDate end;           // invalid: no end
    bool paused = false;
    // Every occurrence up to this day is known to be stored (invalid: none
    // known). Lets a login skip the long past of an old entry.
    QDate doneThrough;
    qint64 revision = 0; // changes with every edit, so a stale watermark is not written
};
