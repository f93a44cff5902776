#include "ImportMatcher.h"

#include "AmountText.h"
#include "unt_clsDatabaseUser.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>
#include <vector>

namespace {

// Amounts compare as whole cents: the texts of a statement and of the
// ledger may differ in form ("28.1" and "28.10") but never in value.
std::optional<qint64> cents(const QString &amount)
{
    double value = 0;
    if (!ParseDecimal(amount, &value))
        return std::nullopt;
    return std::llround(value * 100.0);
}

// Type and amount together, as one hash key.
qint64 matchKey(const QString &recordType, qint64 amountCents)
{
    return amountCents * 2 + (recordType == kTypeIncome ? 1 : 0);
}

struct Candidate {
    int distance;
    int row;
    qint64 recordNumber;
    int record;
    bool operator<(const Candidate &other) const
    {
        if (distance != other.distance)
            return distance < other.distance;
        if (row != other.row)
            return row < other.row;
        return recordNumber < other.recordNumber;
    }
};

bool takesPart(RowState state)
{
    return state == RowState::New || state == RowState::Refund || state == RowState::MaybeTyped;
}

} // namespace

QHash<QString, TypedRecord> ApplyLedger(QList<ProposedRecord> &records, const LedgerView &ledger)
{
    // Identities first: a row the ledger or a pending list holds already is
    // never offered again, whatever a typed record looks like.
    QSet<QString> seen;
    seen.reserve(records.size());
    for (ProposedRecord &record : records) {
        const QString &identity = record.row.identity;
        if (identity.isEmpty() || !takesPart(record.state))
            continue;
        if (ledger.storedIdentities.contains(identity) || ledger.pendingIdentities.contains(identity) ||
            seen.contains(identity)) {
            record.state = RowState::Imported;
            record.ticked = false;
            record.reason.clear();
            record.matchedRecordId.clear();
            continue;
        }
        seen.insert(identity);
    }

    // Typed records by type and amount, each group in date order.
    std::unordered_map<qint64, std::vector<int>> byKey;
    std::vector<qint64> numbers(ledger.typed.size());
    for (int i = 0; i < ledger.typed.size(); ++i) {
        const TypedRecord &typed = ledger.typed.at(i);
        const std::optional<qint64> amount = cents(typed.amount);
        if (!amount || !typed.date.isValid())
            continue;
        numbers[i] = typed.id.toLongLong();
        byKey[matchKey(typed.recordType, *amount)].push_back(i);
    }
    for (auto &group : byKey)
        std::stable_sort(group.second.begin(), group.second.end(),
                         [&](int a, int b) { return ledger.typed.at(a).date < ledger.typed.at(b).date; });

    std::vector<Candidate> candidates;
    for (int r = 0; r < records.size(); ++r) {
        const ProposedRecord &record = records.at(r);
        if (record.state != RowState::New || !record.row.date.isValid())
            continue;
        const std::optional<qint64> amount = cents(record.amount);
        if (!amount)
            continue;
        const auto group = byKey.find(matchKey(record.recordType, *amount));
        if (group == byKey.end())
            continue;
        const std::vector<int> &typed = group->second;
        const QDate from = record.row.date.addDays(-kMatchWindowDays);
        auto it = std::lower_bound(typed.begin(), typed.end(), from,
                                   [&](int i, const QDate &day) { return ledger.typed.at(i).date < day; });
        for (; it != typed.end(); ++it) {
            const qint64 days = record.row.date.daysTo(ledger.typed.at(*it).date);
            if (days > kMatchWindowDays)
                break;
            candidates.push_back({int(std::abs(days)), r, numbers[*it], *it});
        }
    }
    std::sort(candidates.begin(), candidates.end());

    QHash<QString, TypedRecord> matched;
    std::vector<bool> rowTaken(records.size(), false);
    std::vector<bool> recordTaken(ledger.typed.size(), false);
    for (const Candidate &candidate : candidates) {
        if (rowTaken[candidate.row] || recordTaken[candidate.record])
            continue;
        rowTaken[candidate.row] = true;
        recordTaken[candidate.record] = true;
        const TypedRecord &typed = ledger.typed.at(candidate.record);
        ProposedRecord &record = records[candidate.row];
        record.state = RowState::MaybeTyped;
        record.ticked = false;
        record.matchedRecordId = typed.id;
        matched.insert(typed.id, typed);
    }
    return matched;
}

DateSpan MatchSpan(const QList<ProposedRecord> &records)
{
    DateSpan span;
    for (const ProposedRecord &record : records) {
        if (record.state != RowState::New || !record.row.date.isValid())
            continue;
        if (!span.first.isValid() || record.row.date < span.first)
            span.first = record.row.date;
        if (!span.last.isValid() || record.row.date > span.last)
            span.last = record.row.date;
    }
    if (span.isValid()) {
        span.first = span.first.addDays(-kMatchWindowDays);
        span.last = span.last.addDays(kMatchWindowDays);
    }
    return span;
}

LedgerView ReadLedgerView(TclsDatabaseUser &store, const QString &userName, const QList<ProposedRecord> &records,
                          const QSet<QString> &pendingIdentities)
{
    LedgerView view;
    view.pendingIdentities = pendingIdentities;
    QStringList identities;
    identities.reserve(records.size());
    for (const ProposedRecord &record : records)
        if (!record.row.identity.isEmpty())
            identities.append(record.row.identity);
    if (!identities.isEmpty())
        view.storedIdentities = store.StoredRowIdentities(userName, identities);

    // Rows that come out Imported cannot match; the span is taken over what
    // may still be new, which is a superset of what ApplyLedger matches.
    const DateSpan span = MatchSpan(records);
    if (span.isValid()) {
        RangeRecords typed;
        store.ListTypedRecords(userName, span.first, span.last, typed);
        view.typed.reserve(typed.size());
        for (int i = 0; i < typed.size(); ++i)
            view.typed.append({typed.id.at(i), QDate::fromString(typed.date.at(i), Qt::ISODate), typed.type.at(i),
                               typed.name.at(i), typed.amount.at(i), typed.memo.at(i)});
    }
    return view;
}

QHash<QString, TypedRecord> MatchAgainstLedger(QList<ProposedRecord> &records, TclsDatabaseUser &store,
                                               const QString &userName, const QSet<QString> &pendingIdentities)
{
    return ApplyLedger(records, ReadLedgerView(store, userName, records, pendingIdentities));
}
