#include "DueOccurrences.h"

#include "KavloError.h"
#include "Recurrence.h"

#include <QSet>

#include <algorithm>

QList<DueOccurrence> FindDueOccurrences(TclsDatabaseUser &store, const QString &userName, const QDate &today)
{
    QList<DueOccurrence> due;
    QList<RecurringEntry> entries = store.LoadRecurringEntries(userName);
    QList<QList<QDate>> candidates;
    QStringList identities;
    for (const RecurringEntry &entry : entries) {
        QList<QDate> days;
        if (!entry.paused) {
            const QDate from = entry.doneThrough.isValid() ? std::max(entry.first, entry.doneThrough.addDays(1))
                                                           : entry.first;
            days = OccurrenceDates(entry, from, today);
            for (const QDate &day : days)
                identities.append(OccurrenceIdentity(entry.id, day));
        }
        candidates.append(days);
    }
    if (identities.isEmpty())
        return due;
    const QSet<QString> stored = store.StoredRowIdentities(userName, identities);

    QList<RecurringEntry> advanced;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        RecurringEntry &entry = entries[i];
        if (entry.paused)
            continue;
        QDate firstDue;
        for (const QDate &day : candidates.at(i)) {
            const QString identity = OccurrenceIdentity(entry.id, day);
            if (stored.contains(identity))
                continue;
            if (!firstDue.isValid())
                firstDue = day;
            due.append({entry.recordType, day, entry.name, entry.amount, entry.memo, identity});
        }
        // Everything before the first unstored day is stored for good (a
        // deleted record keeps its identity).
        const QDate through = firstDue.isValid() ? firstDue.addDays(-1) : today;
        if (through >= entry.first && (!entry.doneThrough.isValid() || through > entry.doneThrough)) {
            entry.doneThrough = through;
            advanced.append(entry);
        }
    }
    try {
        store.AdvanceRecurringWatermarks(userName, advanced);
    } catch (const KavloError &e) {
        // A ledger that cannot be written (read-only, full, busy) only
        // loses the shortcut: the next login checks the same days again.
        if (!IsWriteRefusal(e.cause()))
            throw;
    }
    return due;
}
