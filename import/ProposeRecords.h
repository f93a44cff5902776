#pragma once

#include "StatementTypes.h"

// The memo limit of the entry panels and the modification dialog: 255
// characters as the edit counts them (UTF-16 units).
constexpr int kImportMemoLimit = 255;

// What each row of a read file becomes as a ledger record:
//  - type 收入 for money in and for refunds, 支出 otherwise;
//  - the amount by the entry panels' rule (NormalizeAmount);
//  - the memo: counterparty and goods, line breaks as spaces, cut to the
//    memo limit without splitting a character;
//  - the item: the first user rule of the record's type whose text the
//    counterparty or goods contains (ignoring letter case), else the
//    built-in table of Alipay's 交易分类 and WeChat's 交易类型, else
//    其他支出 / 其他收入;
//  - the state: Bad for a row with a bad reason, Skipped for a row with a
//    skip reason, Refund for a refund (not ticked: the user decides whether
//    it is income), New (ticked) otherwise.
// ReadStatement refuses a file with an unreadable amount or date, so rows it
// returns are never Bad; Bad is for rows whose amount the entry panels'
// rule refuses (or a caller's own rows), and a caller must treat a file with
// any Bad row as refused.
QList<ProposedRecord> ProposeRecords(const StatementFile &file, const QList<ItemRule> &userRules);

// The memo of a row as ProposeRecords makes it.
QString ImportMemo(const StatementRow &row);

// The built-in item for a source's own class and record type, or empty.
QString BuiltInItem(StatementSource source, const QString &category, const QString &recordType);

// Every item name the built-in table can give, for checking them against
// the default item-name lists.
QStringList BuiltInItemNames();
