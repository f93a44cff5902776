#pragma once

#include "unt_clsDatabaseUser.h"

#include <QDate>
#include <QList>
#include <QString>

// One occurrence of a recurring entry that is due and not stored yet.
struct DueOccurrence {
    QString recordType;
    QDate date;
    QString name;
    QString amount;
    QString memo;
    QString identity; // "recur:<entry id>:<yyyy-mm-dd>", stored with its row
};

// Every occurrence of the user's running entries from its first day (or the
// entry's watermark) up to `today` whose identity the ledger does not hold,
// in entry order, then by date. One read of the entries and one of the
// identities; the watermarks of entries whose past is all stored move on,
// so the next login looks at less.
QList<DueOccurrence> FindDueOccurrences(TclsDatabaseUser &store, const QString &userName, const QDate &today);
