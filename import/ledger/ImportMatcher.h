#pragma once

#include "StatementTypes.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

class TclsDatabaseUser;

// A record the user typed by hand (it has no row identity), as the matcher
// compares it with statement rows.
struct TypedRecord {
    QString id;
    QDate date;
    QString recordType;
    QString item;
    QString amount; // "%0.2f"
    QString memo;
};

// What the ledger holds that decides each row's state.
struct LedgerView {
    QSet<QString> storedIdentities;  // identities already stored for the user
    QSet<QString> pendingIdentities; // identities waiting in a pending list, not saved yet
    QList<TypedRecord> typed;        // hand-typed records around the rows' dates
};

// How far apart a row and a hand-typed record may be dated and still be the
// same payment: a card payment is often posted a day or two after it was made.
constexpr int kMatchWindowDays = 3;

// Gives each row its state against the ledger:
//  - a row whose identity is stored or pending, or that repeats the identity
//    of an earlier row of the same batch (two overlapping files imported
//    together), becomes Imported and cannot be ticked;
//  - a New row that agrees with a hand-typed record in type and amount,
//    dated at most three days either way, becomes MaybeTyped beside that
//    record and is not ticked. Each record matches at most one row: pairs
//    are taken nearest date first, then by the row's place in the batch,
//    then by the record's number, so the same ledger and the same files
//    always give the same matches.
// Skipped, Bad and Refund rows keep their state.
// Returns the typed records that were matched, by ID.
QHash<QString, TypedRecord> ApplyLedger(QList<ProposedRecord> &records, const LedgerView &ledger);

// The dates a batch's New rows can match: from three days before the first
// to three days after the last. Invalid when there is no New row.
struct DateSpan {
    QDate first;
    QDate last;
    bool isValid() const { return first.isValid() && last.isValid(); }
};
DateSpan MatchSpan(const QList<ProposedRecord> &records);

// Reads what ApplyLedger needs for the batch: which of its identities are
// stored (one query) and the user's hand-typed records in the batch's span
// (one range read).
LedgerView ReadLedgerView(TclsDatabaseUser &store, const QString &userName, const QList<ProposedRecord> &records,
                          const QSet<QString> &pendingIdentities);

// ReadLedgerView then ApplyLedger.
QHash<QString, TypedRecord> MatchAgainstLedger(QList<ProposedRecord> &records, TclsDatabaseUser &store,
                                               const QString &userName,
                                               const QSet<QString> &pendingIdentities = {});

// Whether the user may tick a row in this state.
inline bool IsTickable(RowState state)
{
    return state == RowState::New || state == RowState::MaybeTyped || state == RowState::Refund;
}
