// The store's budgets and recurring entries. Their tables came after the
// first ledgers: reads of a ledger without them see none, and the first write
// makes them inside its own transaction.
#include "unt_clsDatabaseUser.h"

#include "AmountText.h"
#include "KavloError.h"
#include "LedgerExtensions.h"
#include "StoreReading.h"
#include "TextCodec.h"

#include <QRandomGenerator>

#include <algorithm>

namespace {

QByteArray dayText(const QDate &date) { return date.isValid() ? date.toString(Qt::ISODate).toLatin1() : QByteArray(); }

QDate storedDay(const QByteArray &text)
{
    return text.isEmpty() ? QDate() : QDate::fromString(QString::fromLatin1(text), Qt::ISODate);
}

QDate monthOf(const QDate &date) { return QDate(date.year(), date.month(), 1); }

QByteArray monthText(const QDate &month)
{
    if (!month.isValid())
        throw KavloError(QStringLiteral("a budget needs a valid month"));
    return month.toString(QStringLiteral("yyyy-MM")).toLatin1();
}

const char *kindText(RepeatKind kind)
{
    switch (kind) {
    case RepeatKind::Monthly:
        return "month";
    case RepeatKind::Weekly:
        return "week";
    case RepeatKind::Yearly:
        return "year";
    }
    return "month";
}

RepeatKind kindOf(const QByteArray &text)
{
    if (text == "week")
        return RepeatKind::Weekly;
    if (text == "year")
        return RepeatKind::Yearly;
    if (text == "month")
        return RepeatKind::Monthly;
    throw KavloError(QStringLiteral("unknown repeat kind '%1' in Recurring_Entries").arg(QString::fromLatin1(text)));
}

// The store refuses what no window lets through; the windows tell the user
// in Chinese before it gets this far.
void checkEntry(const RecurringEntry &entry)
{
    if (entry.recordType != kTypeExpense && entry.recordType != kTypeIncome)
        throw KavloError(QStringLiteral("a recurring entry needs the type 支出 or 收入"));
    const RecurrenceRule &rule = entry.rule;
    const bool dayOk = rule.kind == RepeatKind::Weekly ? rule.day >= 1 && rule.day <= 7
                                                        : rule.day >= 1 && rule.day <= 31;
    if (!dayOk || (rule.kind == RepeatKind::Yearly && (rule.month < 1 || rule.month > 12)))
        throw KavloError(QStringLiteral("a recurring entry's rule is out of range"));
    if (!entry.first.isValid() || (entry.end.isValid() && entry.end < entry.first))
        throw KavloError(QStringLiteral("a recurring entry needs a first day on or before its end"));
    if (ParseAmountText(entry.amount) <= 0)
        throw KavloError(QStringLiteral("a recurring entry needs an amount above zero"));
}

// An entry's number is chosen here rather than by the database: it is part
// of every occurrence's identity, so it must survive a copy of the ledger to
// another engine unchanged, and a server's counter would not follow copied
// numbers. 53 random bits: never the same twice in a household's lifetime,
// and the primary key refuses it if it ever were.
qint64 newEntryId()
{
    return qint64(QRandomGenerator::system()->generate64() & ((quint64(1) << 53) - 1)) | 1;
}

// An entry another computer deleted meanwhile: saying it was changed would
// report a failure as success.
void checkEntryFound(LedgerConnection &connection)
{
    if (connection.Changes() == 0)
        throw KavloError(QStringLiteral("这条定期收支已不存在，可能已在另一台电脑上被删除。"),
                         FailureCause::RecordGone);
}

} // namespace

// --- Budgets --------------------------------------------------------------------

QList<BudgetSetting> TclsDatabaseUser::LoadBudgets(const QString &userName)
{
    const QByteArray n = EncodeField(userName);
    return Operate([&] {
        QList<BudgetSetting> settings;
        if (!HasExtensionTable(*g_objConnection, FindLedgerExtension(kBudgetsTable)))
            return settings;
        Recordset rs = g_objConnection->Query(
            "select Item_Name, From_Month, Amount from Budgets where User_Name=?1 order by Item_Name, From_Month",
            {n});
        const int cItem = rs.FieldIndex("Item_Name");
        const int cMonth = rs.FieldIndex("From_Month");
        const int cAmount = rs.FieldIndex("Amount");
        for (; !rs.IsEOF(); rs.MoveNext()) {
            const QDate month = QDate::fromString(QString::fromLatin1(rs.FieldBytes(cMonth)), QStringLiteral("yyyy-MM"));
            if (!month.isValid())
                continue; // no month of the calendar: never in force
            settings.append({DecodeField(rs.FieldBytes(cItem)), month, rs.FieldDouble(cAmount)});
        }
        return settings;
    });
}

void TclsDatabaseUser::SetBudget(const QString &userName, const QString &item, const QDate &month, double amount)
{
    if (!(amount >= 0))
        throw KavloError(QStringLiteral("a budget cannot be negative"));
    const QByteArray n = EncodeField(userName);
    const QByteArray i = EncodeField(item);
    const QByteArray m = monthText(month);
    Operate([&] {
        LedgerTransaction transaction(*g_objConnection, TransactionKind::Records);
        EnsureExtensionTable(*g_objConnection, FindLedgerExtension(kBudgetsTable));
        g_objConnection->Execute(
            "insert into Budgets (User_Name, Item_Name, From_Month, Amount) values (?1,?2,?3,?4) "
            "on conflict (User_Name, Item_Name, From_Month) do update set Amount=excluded.Amount",
            {n, i, m, amount});
        transaction.Commit();
    });
}

QStringList TclsDatabaseUser::MarkBudgetNotices(const QString &userName, const QDate &month, const QStringList &items)
{
    const QByteArray n = EncodeField(userName);
    const QByteArray m = monthText(monthOf(month));
    QList<QByteArray> encoded;
    for (const QString &item : items)
        encoded.append(EncodeField(item));
    return Operate([&] {
        QStringList fresh;
        LedgerTransaction transaction(*g_objConnection, TransactionKind::Records);
        EnsureExtensionTable(*g_objConnection, FindLedgerExtension(kBudgetNoticesTable));
        for (qsizetype k = 0; k < encoded.size(); ++k) {
            g_objConnection->Execute("insert into Budget_Notices (User_Name, Item_Name, Month) values (?1,?2,?3) "
                                     "on conflict do nothing",
                                     {n, encoded.at(k), m});
            if (g_objConnection->Changes() > 0)
                fresh.append(items.at(k));
        }
        transaction.Commit();
        return fresh;
    });
}

// --- Recurring entries ------------------------------------------------------------

QList<RecurringEntry> TclsDatabaseUser::LoadRecurringEntries(const QString &userName)
{
    const QByteArray n = EncodeField(userName);
    return Operate([&] {
        QList<RecurringEntry> entries;
        if (!HasExtensionTable(*g_objConnection, FindLedgerExtension(kRecurringTable)))
            return entries;
        Recordset rs = g_objConnection->Query(
            "select Entry_ID, Program_Type, Program_Name, Program_Money, Program_Memo, Rule_Kind, Rule_Day, "
            "Rule_Month, First_Date, End_Date, Paused, Done_Through, Revision from Recurring_Entries "
            "where User_Name=?1",
            {n});
        DecodeCache types;
        for (; !rs.IsEOF(); rs.MoveNext()) {
            RecurringEntry e;
            e.id = rs.FieldInteger("Entry_ID");
            int length = 0;
            const char *raw = rs.FieldRaw(rs.FieldIndex("Program_Type"), &length);
            e.recordType = types.decode(raw, length);
            e.name = DecodeField(rs.FieldBytes("Program_Name"));
            e.amount = FormatAmount(rs.FieldDouble("Program_Money"));
            e.memo = DecodeField(rs.FieldBytes("Program_Memo"));
            e.rule.kind = kindOf(rs.FieldBytes("Rule_Kind"));
            e.rule.day = int(rs.FieldInteger("Rule_Day"));
            e.rule.month = int(rs.FieldInteger("Rule_Month"));
            e.first = storedDay(rs.FieldBytes("First_Date"));
            e.end = storedDay(rs.FieldBytes("End_Date"));
            e.paused = rs.FieldInteger("Paused") != 0;
            e.doneThrough = storedDay(rs.FieldBytes("Done_Through"));
            e.revision = rs.FieldInteger("Revision");
            entries.append(e);
        }
        // Expenses first, then by first day: the order the list shows.
        std::stable_sort(entries.begin(), entries.end(), [](const RecurringEntry &a, const RecurringEntry &b) {
            if (a.recordType != b.recordType)
                return a.recordType == kTypeExpense;
            if (a.first != b.first)
                return a.first < b.first;
            return a.id < b.id;
        });
        return entries;
    });
}

qint64 TclsDatabaseUser::SaveRecurringEntry(const QString &userName, const RecurringEntry &entry)
{
    checkEntry(entry);
    const QByteArray n = EncodeField(userName);
    const QByteArray t = EncodeField(entry.recordType);
    const QByteArray name = EncodeField(entry.name);
    const QByteArray memo = EncodeField(entry.memo);
    const double money = ParseAmountText(entry.amount);
    const QByteArray kind = kindText(entry.rule.kind);
    const qint64 day = entry.rule.day;
    const qint64 month = entry.rule.month;
    const QByteArray first = dayText(entry.first);
    const QByteArray end = dayText(entry.end);
    const qint64 paused = entry.paused ? 1 : 0;
    const QByteArray done = dayText(entry.doneThrough);
    return Operate([&] {
        LedgerTransaction transaction(*g_objConnection, TransactionKind::Records);
        EnsureExtensionTable(*g_objConnection, FindLedgerExtension(kRecurringTable));
        qint64 id = entry.id;
        if (id == 0) {
            id = newEntryId();
            g_objConnection->Execute(
                "insert into Recurring_Entries (Entry_ID, User_Name, Program_Type, Program_Name, Program_Money, "
                "Program_Memo, Rule_Kind, Rule_Day, Rule_Month, First_Date, End_Date, Paused, Done_Through, Revision) "
                "values (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,1)",
                {id, n, t, name, money, memo, kind, day, month, first, end, paused, done});
        } else {
            // A new revision: a watermark worked out from the entry as it was
            // must not be written over the change.
            g_objConnection->Execute(
                "update Recurring_Entries set Program_Type=?1, Program_Name=?2, Program_Money=?3, Program_Memo=?4, "
                "Rule_Kind=?5, Rule_Day=?6, Rule_Month=?7, First_Date=?8, End_Date=?9, Paused=?10, Done_Through=?11, "
                "Revision=Revision+1 where Entry_ID=?12 and User_Name=?13",
                {t, name, money, memo, kind, day, month, first, end, paused, done, id, n});
            checkEntryFound(*g_objConnection);
        }
        transaction.Commit();
        return id;
    });
}

void TclsDatabaseUser::SetRecurringPaused(const QString &userName, qint64 id, bool paused, const QDate &resumeDay)
{
    const QByteArray n = EncodeField(userName);
    const QByteArray skipThrough = dayText(resumeDay.addDays(-1));
    Operate([&] {
        LedgerTransaction transaction(*g_objConnection, TransactionKind::Records);
        EnsureExtensionTable(*g_objConnection, FindLedgerExtension(kRecurringTable));
        g_objConnection->Execute(
            "update Recurring_Entries set Paused=?1, Revision=Revision+1 where Entry_ID=?2 and User_Name=?3",
            {qint64(paused ? 1 : 0), id, n});
        checkEntryFound(*g_objConnection);
        // The days of the pause are not offered afterwards.
        if (!paused && !skipThrough.isEmpty())
            g_objConnection->Execute("update Recurring_Entries set Done_Through=?1 where Entry_ID=?2 and "
                                     "User_Name=?3 and Done_Through<?1",
                                     {skipThrough, id, n});
        transaction.Commit();
    });
}

void TclsDatabaseUser::DeleteRecurringEntry(const QString &userName, qint64 id)
{
    const QByteArray n = EncodeField(userName);
    Operate([&] {
        LedgerTransaction transaction(*g_objConnection, TransactionKind::Records);
        EnsureExtensionTable(*g_objConnection, FindLedgerExtension(kRecurringTable));
        g_objConnection->Execute("delete from Recurring_Entries where Entry_ID=?1 and User_Name=?2", {id, n});
        checkEntryFound(*g_objConnection);
        transaction.Commit();
    });
}

void TclsDatabaseUser::AdvanceRecurringWatermarks(const QString &userName, const QList<RecurringEntry> &entries)
{
    if (entries.isEmpty())
        return;
    const QByteArray n = EncodeField(userName);
    Operate([&] {
        LedgerTransaction transaction(*g_objConnection, TransactionKind::Records);
        EnsureExtensionTable(*g_objConnection, FindLedgerExtension(kRecurringTable));
        for (const RecurringEntry &e : entries) {
            if (!e.doneThrough.isValid())
                continue;
            // "" sorts before every day, so a forgotten watermark advances too.
            g_objConnection->Execute("update Recurring_Entries set Done_Through=?1 where Entry_ID=?2 and "
                                     "User_Name=?3 and Revision=?4 and Done_Through<?1",
                                     {dayText(e.doneThrough), e.id, n, e.revision});
        }
        transaction.Commit();
    });
}
