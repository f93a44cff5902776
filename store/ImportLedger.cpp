// The store's operations for the statement import: item rules, remembered
// bank column mappings, and the hand-typed records a statement is matched
// against.
#include "unt_clsDatabaseUser.h"

#include "AmountText.h"
#include "ImportTables.h"
#include "KavloError.h"
#include "LedgerExtensions.h"
#include "StoreReading.h"
#include "TextCodec.h"

#include <algorithm>

namespace {

QByteArray dayKey(const QDate &date) { return date.toString(Qt::ISODate).toLatin1(); }

// Rules and mappings come from the review window and the tool; a blank or
// misspelt field would be a rule that never applies or an item nobody chose.
void checkRule(const QString &text, const QString &item, const QString &recordType)
{
    if (IsBlank(text))
        throw KavloError(QStringLiteral("规则的文字不能为空。"));
    if (IsBlank(item))
        throw KavloError(QStringLiteral("规则的项目名称不能为空。"));
    if (item.size() > kItemNameLimit)
        throw KavloError(QStringLiteral("项目名称“%1”超过 %2 个字符。").arg(item).arg(kItemNameLimit));
    if (recordType != kTypeExpense && recordType != kTypeIncome)
        throw KavloError(QStringLiteral("'%1' is not a record type").arg(recordType));
}

} // namespace

ItemRuleLists TclsDatabaseUser::LoadItemRules(const QString &userName)
{
    struct Rule {
        QString text, item, type;
    };
    QList<Rule> rules;
    const QByteArray n = EncodeField(userName);
    Operate([&] {
        rules.clear();
        if (!HasExtensionTable(*g_objConnection, FindLedgerExtension(kItemRulesTable)))
            return;
        Recordset rs = g_objConnection->Query(
            "select Record_Type, Rule_Text, Item_Name from Import_Rules where User_Name=?1", {n});
        const int cType = rs.FieldIndex("Record_Type");
        const int cText = rs.FieldIndex("Rule_Text");
        const int cItem = rs.FieldIndex("Item_Name");
        for (; !rs.IsEOF(); rs.MoveNext())
            rules.append({DecodeField(rs.FieldBytes(cText)), DecodeField(rs.FieldBytes(cItem)),
                          DecodeField(rs.FieldBytes(cType))});
    });
    // The first rule that fits a row gives its item: the longer text is the
    // more particular one ("美团外卖" before "美团"). Equal lengths go by
    // text, so both engines give the same order.
    std::sort(rules.begin(), rules.end(), [](const Rule &a, const Rule &b) {
        if (a.text.size() != b.text.size())
            return a.text.size() > b.text.size();
        if (a.text != b.text)
            return a.text < b.text;
        return a.type < b.type;
    });
    ItemRuleLists lists;
    for (const Rule &rule : rules) {
        lists.text.append(rule.text);
        lists.item.append(rule.item);
        lists.type.append(rule.type);
    }
    return lists;
}

void TclsDatabaseUser::SaveItemRule(const QString &userName, const QString &text, const QString &item,
                                    const QString &recordType)
{
    const QString trimmedText = TrimBlanks(text);
    const QString trimmedItem = TrimBlanks(item);
    checkRule(trimmedText, trimmedItem, recordType);
    const QByteArray n = EncodeField(userName);
    const QByteArray t = EncodeField(recordType);
    const QByteArray x = EncodeField(trimmedText);
    const QByteArray i = EncodeField(trimmedItem);
    // One statement that adds or replaces: saving the same rule again (a
    // retry after a lost answer) leaves exactly one rule.
    Operate([&] {
        LedgerTransaction transaction(*g_objConnection, TransactionKind::Records);
        EnsureExtensionTable(*g_objConnection, FindLedgerExtension(kItemRulesTable));
        g_objConnection->Execute(
            "insert into Import_Rules (User_Name, Record_Type, Rule_Text, Item_Name) values (?1,?2,?3,?4) "
            "on conflict (User_Name, Record_Type, Rule_Text) do update set Item_Name=excluded.Item_Name",
            {n, t, x, i});
        transaction.Commit();
    });
}

bool TclsDatabaseUser::DeleteItemRule(const QString &userName, const QString &text, const QString &recordType)
{
    const QByteArray n = EncodeField(userName);
    const QByteArray t = EncodeField(recordType);
    const QByteArray x = EncodeField(TrimBlanks(text));
    return Operate([&] {
        if (!HasExtensionTable(*g_objConnection, FindLedgerExtension(kItemRulesTable)))
            return false;
        g_objConnection->Execute("delete from Import_Rules where User_Name=?1 and Record_Type=?2 and Rule_Text=?3",
                                 {n, t, x});
        return g_objConnection->Changes() > 0;
    });
}

QString TclsDatabaseUser::LoadBankMapping(const QString &userName, const QString &headerKey)
{
    const QByteArray n = EncodeField(userName);
    const QByteArray k = EncodeField(headerKey);
    return Operate([&] {
        QString mapping;
        if (!HasExtensionTable(*g_objConnection, FindLedgerExtension(kBankMappingsTable)))
            return mapping;
        Recordset rs = g_objConnection->Query(
            "select Mapping from Import_Mappings where User_Name=?1 and Header_Key=?2", {n, k});
        if (!rs.IsEOF())
            mapping = DecodeField(rs.FieldBytes("Mapping"));
        return mapping;
    });
}

void TclsDatabaseUser::SaveBankMapping(const QString &userName, const QString &headerKey, const QString &mapping)
{
    if (headerKey.isEmpty() || mapping.isEmpty())
        throw KavloError(QStringLiteral("SaveBankMapping: an empty header key or mapping"));
    const QByteArray n = EncodeField(userName);
    const QByteArray k = EncodeField(headerKey);
    const QByteArray m = EncodeField(mapping);
    Operate([&] {
        LedgerTransaction transaction(*g_objConnection, TransactionKind::Records);
        EnsureExtensionTable(*g_objConnection, FindLedgerExtension(kBankMappingsTable));
        g_objConnection->Execute(
            "insert into Import_Mappings (User_Name, Header_Key, Mapping) values (?1,?2,?3) "
            "on conflict (User_Name, Header_Key) do update set Mapping=excluded.Mapping",
            {n, k, m});
        transaction.Commit();
    });
}

void TclsDatabaseUser::ListTypedRecords(const QString &userName, const QDate &start, const QDate &end,
                                        RangeRecords &records)
{
    RangeRecords result;
    if (start.daysTo(end) >= 0) {
        const QByteArray n = EncodeField(userName);
        Operate([&] {
            result = RangeRecords();
            // Records that came with an identity are left out in the query
            // itself: the subquery is read once into a set by either engine,
            // where a join would look each record up among the identities.
            const bool identities =
                HasExtensionTable(*g_objConnection, FindLedgerExtension(kRowIdentitiesTable));
            Recordset rs = g_objConnection->Query(
                identities ? "select ID, Program_Date, Program_Type, Program_Name, Program_Money, Program_Memo "
                             "from All_Table where User_Name=?1 and Program_Date>=?2 and Program_Date<=?3 and ID not in "
                             "(select Record_ID from Row_Identities where User_Name=?1) "
                             "order by Program_Date asc, Program_Type asc, ID asc"
                           : "select ID, Program_Date, Program_Type, Program_Name, Program_Money, Program_Memo "
                             "from All_Table where User_Name=?1 and Program_Date>=?2 and Program_Date<=?3 "
                             "order by Program_Date asc, Program_Type asc, ID asc",
                {n, dayKey(start), dayKey(end)});
            RecordRowReader row(rs);
            DayCursor cursor(start, start.daysTo(end) + 1);
            DecodeCache memos;
            for (; !rs.IsEOF(); rs.MoveNext()) {
                const qint64 id = rs.FieldInteger(row.id);
                int length = 0;
                const char *date = rs.FieldRaw(row.date, &length);
                if (cursor.index(date, length) < 0)
                    continue; // not a day of the range (a malformed stored date)
                result.id.append(QString::number(id));
                result.date.append(QString::fromLatin1(date, length));
                result.type.append(row.decoded(rs, row.type, row.types));
                result.name.append(row.decoded(rs, row.name, row.names));
                result.amount.append(FormatAmount(rs.FieldDouble(row.money)));
                result.memo.append(row.decoded(rs, row.memo, memos));
            }
        });
    }
    records = std::move(result);
}
