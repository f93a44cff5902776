#include "ImportBatch.h"

#include "ProposeRecords.h"
#include "StatementReader.h"

#include <QHash>

QList<ItemRule> ToItemRules(const ItemRuleLists &lists)
{
    QList<ItemRule> rules;
    rules.reserve(lists.size());
    for (int i = 0; i < lists.size(); ++i)
        rules.append({lists.text.at(i), lists.item.at(i), lists.type.at(i)});
    return rules;
}

namespace {

// The first row of a proposal that the entry panels' rules refuse: such a
// file is refused whole, as a file the readers cannot read is.
std::optional<ImportError> firstBadRow(const QString &path, const QList<ProposedRecord> &records)
{
    for (const ProposedRecord &record : records)
        if (record.state == RowState::Bad)
            return ImportError(path, record.row.line,
                               record.reason.isEmpty() ? QStringLiteral("这一行的金额或日期不对。") : record.reason);
    return std::nullopt;
}

} // namespace

ImportBatch ReadImportBatch(const QStringList &paths, TclsDatabaseUser &store, const QString &userName,
                            const BatchCallbacks &callbacks, const QSet<QString> &pendingIdentities)
{
    ImportBatch batch;
    const QList<ItemRule> rules = ToItemRules(store.LoadItemRules(userName));
    for (const QString &path : paths) {
        // A mapping the user gave for this file: kept only if the file reads
        // with it, so a mapping that does not fit is never remembered.
        std::optional<std::pair<QString, ColumnMapping>> given;
        // A remembered mapping that no longer fits (the bank changed what
        // its columns hold) would refuse every such file for good: the user
        // is asked once more instead.
        bool usedRemembered = false;
        bool askAgain = false;
        ReadCallbacks read;
        read.password = callbacks.password;
        read.mapping = [&](const QString &file, const BankTable &table) -> std::optional<ColumnMapping> {
            const QString key = table.headerKey();
            const QString remembered = askAgain ? QString() : store.LoadBankMapping(userName, key);
            if (!remembered.isEmpty()) {
                if (std::optional<ColumnMapping> mapping = ColumnMapping::fromText(remembered)) {
                    usedRemembered = true;
                    return mapping;
                }
            }
            if (!callbacks.mapping)
                return std::nullopt;
            std::optional<ColumnMapping> mapping = callbacks.mapping(file, table);
            if (mapping)
                given.emplace(key, *mapping);
            return mapping;
        };
        if (callbacks.progress)
            read.progress = [&](int done, int total) { callbacks.progress(path, done, total); };

        QList<ProposedRecord> proposed;
        std::optional<ImportError> refusal;
        for (;;) {
            try {
                const StatementFile file = ReadStatement(path, read);
                proposed = ProposeRecords(file, rules);
                if (std::optional<ImportError> bad = firstBadRow(path, proposed))
                    throw *bad;
                refusal.reset();
            } catch (const ImportError &error) {
                refusal = error;
                if (usedRemembered && !askAgain && callbacks.mapping) {
                    askAgain = true;
                    usedRemembered = false;
                    continue;
                }
            }
            break;
        }
        if (refusal) {
            batch.refused.append(*refusal);
            if (callbacks.refusedFile)
                callbacks.refusedFile(*refusal);
            continue;
        }
        if (given)
            store.SaveBankMapping(userName, given->first, given->second.toText());
        const int fileIndex = int(batch.files.size());
        batch.files.append(path);
        for (ProposedRecord &record : proposed) {
            batch.records.append(std::move(record));
            batch.fileOf.append(fileIndex);
        }
    }
    batch.typed = MatchAgainstLedger(batch.records, store, userName, pendingIdentities);
    return batch;
}

TickedByType CollectTicked(const QList<ProposedRecord> &records)
{
    TickedByType ticked;
    for (const ProposedRecord &record : records) {
        if (!record.ticked || !IsTickable(record.state))
            continue;
        TickedRows &rows = record.recordType == kTypeIncome ? ticked.income : ticked.expense;
        rows.dates.append(record.row.date.toString(Qt::ISODate));
        rows.names.append(record.item);
        rows.amounts.append(record.amount);
        rows.memos.append(record.memo);
        rows.identities.append(record.row.identity);
    }
    return ticked;
}

QString StateText(const ProposedRecord &record)
{
    switch (record.state) {
    case RowState::New:
        return QStringLiteral("新");
    case RowState::Imported:
        return QStringLiteral("已导入");
    case RowState::MaybeTyped:
        return QStringLiteral("可能已录入");
    case RowState::Refund:
        return QStringLiteral("退款");
    case RowState::Skipped:
        return QStringLiteral("跳过：") + record.reason;
    case RowState::Bad:
        return QStringLiteral("错误：") + record.reason;
    }
    return QString();
}
