#pragma once

#include "PlanData.h"

#include <QDate>
#include <QList>
#include <QString>

// When a recurring entry falls due. A monthly day beyond a month's end falls
// on its last day (the 31st is the 30th in April, the 28th or 29th in
// February); a yearly 29 February falls on 28 February in other years, so a
// yearly payment is never skipped.

// The days from `from` to `to` (both inclusive) on which the entry falls,
// in order, never before its first day or after its end.
QList<QDate> OccurrenceDates(const RecurringEntry &entry, const QDate &from, const QDate &to);

// What an occurrence is known by in the ledger, on every computer alike:
// "recur:<entry id>:<yyyy-mm-dd>".
QString OccurrenceIdentity(qint64 entryId, const QDate &day);

// The rule in words, for the list: "每月 31 日", "每周星期一", "每年 2 月 29 日".
QString RuleText(const RecurrenceRule &rule);

// What the user typed into the entry window, before it is checked.
struct RecurringInput {
    QString recordType;
    QString name;
    QString amount;
    QString memo;
    RepeatKind kind = RepeatKind::Monthly;
    QString day;     // typed: day of the month for monthly and yearly rules
    int weekday = 1; // 1 Monday .. 7 Sunday, for weekly rules
    QString month;   // typed: 1..12, for yearly rules
    QDate first;
    bool hasEnd = false;
    QDate end;
};

enum class RecurringField { None, Name, Amount, Memo, Day, Month, End };

struct RecurringCheck {
    QString message;     // empty when the input is fine
    RecurringField field = RecurringField::None;
    RecurringEntry entry; // filled when the input is fine (id, paused and revision left to the caller)
};

// The entry panels' rules for the item and the amount, plus the rule's own:
// a day of 1 to 31 (1 to 29 in February, 1 to 30 in the 30-day months of a
// yearly rule), a month of 1 to 12, an end not before the first day.
RecurringCheck CheckRecurringInput(const RecurringInput &input);

// The entry to store when `old` is changed to `changed` on `today`. A new
// rule or first day applies from today on: the past is not offered again
// under the new dates (that would repeat what was already paid). A change
// of the amount, memo or item alone keeps what was known.
RecurringEntry ChangedEntry(const RecurringEntry &old, RecurringEntry changed, const QDate &today);
