#pragma once

#include "ImportMatcher.h"
#include "StatementTypes.h"
#include "unt_clsDatabaseUser.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// One import of several statement files for one user, screen-free: the
// review window and kavlo-import both read, classify and match through it.

// The user's rules in the form the readers take.
QList<ItemRule> ToItemRules(const ItemRuleLists &lists);

struct ImportBatch {
    QStringList files;              // the files that were read, in the order given
    QList<ProposedRecord> records;  // every row of those files, file by file
    QList<int> fileOf;              // for each record, its file's index in `files`
    QList<ImportError> refused;     // one per file that was refused; nothing of it is in `records`
    QHash<QString, TypedRecord> typed; // the hand-typed records MaybeTyped rows point at, by ID
};

struct BatchCallbacks {
    // As in ReadCallbacks; may be empty (an encrypted zip is then refused).
    std::function<std::optional<QString>(const QString &path, bool wrongBefore)> password;
    // Asked only for a bank table whose header has no remembered mapping;
    // empty or no answer refuses the file. A mapping given here is
    // remembered once the file has read with it.
    std::function<std::optional<ColumnMapping>(const QString &path, const BankTable &table)> mapping;
    // Rows read of rows in the file being read.
    std::function<void(const QString &path, int done, int total)> progress;
    // Told of each refused file as soon as it is refused, so the user hears
    // of it while the other files go on.
    std::function<void(const ImportError &error)> refusedFile;
};

// Reads each file (a file that cannot be read, or that holds a row whose
// amount or date is bad, is refused whole and the others go on), proposes
// its records with the user's rules, then matches the whole batch against
// the ledger and the identities already pending. Store failures throw
// KavloError and end the import.
ImportBatch ReadImportBatch(const QStringList &paths, TclsDatabaseUser &store, const QString &userName,
                            const BatchCallbacks &callbacks, const QSet<QString> &pendingIdentities = {});

// The rows a batch would store: ticked rows in their order, split by type.
struct TickedRows {
    QStringList dates, names, amounts, memos, identities;
    int size() const { return dates.size(); }
};
struct TickedByType {
    TickedRows expense;
    TickedRows income;
};
TickedByType CollectTicked(const QList<ProposedRecord> &records);

// The Chinese text of a row's state as the review window shows it
// ("新", "已导入", "可能已录入", "退款", "跳过：reason", "错误：reason").
QString StateText(const ProposedRecord &record);
