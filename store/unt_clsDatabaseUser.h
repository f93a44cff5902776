#pragma once

#include "LedgerConnection.h"
#include "PlanData.h"

#include <QDate>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class RangeRows;

// One entry per calendar day of a range, days without records included.
struct DayTotals {
    QStringList date;    // "yyyy-mm-dd"
    QStringList expense; // "%0.2f"
    QStringList income;  // "%0.2f"
    QStringList balance; // income minus expense, "%0.2f"
    int size() const { return date.size(); }
};

// One entry per record of a range: days in date order, within a day the
// expenses before the income, each group in the order it was saved.
struct RangeRecords {
    QStringList id;     // decimal digits
    QStringList date;   // the day's text, equal to its DayTotals date
    QStringList type;   // "支出" or "收入"
    QStringList name;
    QStringList amount; // "%0.2f"
    QStringList memo;
    int size() const { return id.size(); }
};

// Per-item totals of one type in a range, largest total first.
struct ProgramTotals {
    QStringList name;
    QStringList total; // "%0.2f"
    QStringList share; // percent of the range total, "%0.2f"
    int size() const { return name.size(); }
};

// A user's item rules for imported statements, in the order they apply:
// a row whose counterparty or goods contains text[i] becomes item item[i]
// of type type[i].
struct ItemRuleLists {
    QStringList text;
    QStringList item;
    QStringList type; // "支出" or "收入"
    int size() const { return text.size(); }
};

// The longest item name the entry panels and rules take.
constexpr int kItemNameLimit = 50;

// Which records a search reads: one record type or both, a range or every
// date.
struct RecordScope {
    QString recordType; // kTypeExpense or kTypeIncome; empty for both
    bool allDates = true;
    QDate start; // both bounds inclusive, read when allDates is false
    QDate end;
};

// Accepts or refuses an item name or memo, given as the GBK bytes its stored
// form decodes to: the bytes are the text exactly, and only the records that
// are found need converting to text.
using TextMatch = std::function<bool(const QByteArray &gbk)>;

// What one save stored.
struct SaveOutcome {
    int stored = 0;           // rows inserted by this call
    int alreadyStored = 0;    // rows skipped because their row identity was stored before
    bool keyWasKnown = false; // the save key was recorded before: this call stored nothing (a retry)
};

struct ProgramNameLists {
    QStringList expense;
    QStringList income;
};

// The ledger store: the only way the program reaches its database, a local
// file or a PostgreSQL server. Every operation runs its statements (several
// of them in one transaction) on its own connection: a file is opened and
// closed again, so several store objects coexist without sharing state; a
// server connection is kept and, when the server closed it meanwhile,
// opened again once. Failures throw KavloError with the engine's own
// message; the object stays usable for the next operation.
class TclsDatabaseUser
{
public:
    // The running program's ledger: the server named in server.conf when that
    // file is there, otherwise the local qmrvz.sjk, both in the data folder
    // of ProgramPlaces (Database/ of a program folder).
    TclsDatabaseUser();
    // A file path, or a server's "postgresql://" URI (LedgerLocation's text).
    explicit TclsDatabaseUser(const QString &databasePath);
    explicit TclsDatabaseUser(const LedgerLocation &location);
    ~TclsDatabaseUser();

    // What other windows pass on to open the same ledger.
    QString databasePath() const { return g_strConnection; }
    LedgerLocation location() const { return m_location; }

    // The ledger the program in `programDir` uses (see the default
    // constructor); programDir is the folder of its executables.
    static LedgerLocation ProgramLedger(const QString &programDir);
    static QString ServerConfPath(const QString &programDir);

    // Creates an empty database with the ledger's schema. Used by the build
    // step that ships the empty database and by tests; the store itself never
    // creates a missing database. Throws if the file exists.
    static void CreateDatabaseFile(const QString &path);
    // Makes the ledger's tables: a new file, or in a server database that
    // holds none of them yet (throws otherwise).
    static void CreateLedger(const LedgerLocation &location);

    // Users
    bool CreateUser(const QString &userName, const QString &password);
    bool ChangePassword(const QString &userName, const QString &oldPassword, const QString &newPassword);
    bool DeleteUser(const QString &userName, const QString &password);
    bool CheckLogin(const QString &userName, const QString &password);
    QStringList GetUserNames(); // newest row first

    // Item-name lists. The kind "支出项目名称" selects the expense list, any
    // other text the income list.
    ProgramNameLists LoadProgramNames(const QString &userName);
    void SaveProgramNames(const QString &userName, const QString &kind, const QString &listText);

    // Records
    // saveKey: the pending list's key (NewSaveKey), recorded in the same
    // transaction as the rows; a save whose key is already recorded stores
    // nothing and succeeds, so a save sent again after its answer was lost
    // never doubles its rows. An empty key means none (tests, tools).
    SaveOutcome AddRecord(const QString &userName, const QString &recordType, const QStringList &dates,
                          const QStringList &names, const QStringList &amounts, const QStringList &memos,
                          const QString &saveKey = QString());
    // rowIdentities: one per row, empty for a row without one. A row whose
    // identity is already stored for this user is skipped (alreadyStored),
    // as is a second row of the batch with the same identity; the others are
    // stored with their identity in the same transaction.
    SaveOutcome AddRecord(const QString &userName, const QString &recordType, const QStringList &dates,
                          const QStringList &names, const QStringList &amounts, const QStringList &memos,
                          const QStringList &rowIdentities, const QString &saveKey);
    // The subset of `identities` already stored for the user.
    QSet<QString> StoredRowIdentities(const QString &userName, const QStringList &identities);
    // A fresh random 128-bit key as 32 hex digits.
    static QString NewSaveKey();
    void ListRecordsOfDate(const QString &userName, const QDate &start, const QDate &end, DayTotals &days,
                           RangeRecords &records);
    // The same read with the texts left undecoded until shown (RangeRows.h):
    // what the windows that list a whole range use.
    void ListRecordsOfDate(const QString &userName, const QDate &start, const QDate &end, DayTotals &days,
                           RangeRows &records);
    void DeleteRecord(const QString &id);
    void UpdateRecord(const QString &id, const QString &name, const QString &amount, const QString &memo);

    // The DayTotals of ListRecordsOfDate without its records: the same sums,
    // added in the same order, for windows that show only the figures.
    void ListTotalsOfDate(const QString &userName, const QDate &start, const QDate &end, DayTotals &days);
    // The records of the scope whose item name or memo `matches` accepts, in
    // the order of ListRecordsOfDate (by day, expenses first, then by ID).
    // One query; each field is decoded once and matched after decoding.
    void FindRecords(const QString &userName, const RecordScope &scope, const TextMatch &matches,
                     RangeRecords &found);

    void GetProgramTotals(const QString &userName, const QString &recordType, const QDate &start,
                          const QDate &end, ProgramTotals &totals);

    // Budgets and recurring entries (PlanStore.cpp). A ledger made before
    // they existed reads as having none; the first write makes their tables.
    QList<BudgetSetting> LoadBudgets(const QString &userName);
    // The item's budget (an empty item: all expenses) from `month` on, the
    // months before keeping theirs; 0 removes it from that month on.
    void SetBudget(const QString &userName, const QString &item, const QDate &month, double amount);
    // Notes that the user has been told the items went past their budget of
    // `month`, and returns those not told before: one transaction, so two
    // computers never both tell the same.
    QStringList MarkBudgetNotices(const QString &userName, const QDate &month, const QStringList &items);

    QList<RecurringEntry> LoadRecurringEntries(const QString &userName); // expenses first, by first day
    // Stores a new entry (id 0) or replaces the user's entry of that id,
    // watermark included; returns its id.
    qint64 SaveRecurringEntry(const QString &userName, const RecurringEntry &entry);
    // Resuming on `resumeDay` moves the watermark to the day before, so the
    // days of the pause are not offered.
    void SetRecurringPaused(const QString &userName, qint64 id, bool paused, const QDate &resumeDay = QDate());
    void DeleteRecurringEntry(const QString &userName, qint64 id);
    // Writes each entry's doneThrough where it is later than the stored one
    // and the entry has not been changed since it was read (its revision).
    void AdvanceRecurringWatermarks(const QString &userName, const QList<RecurringEntry> &entries);
    // The statement import's per-user data. Rules: one per text and type,
    // longest text first; saving a rule again replaces its item. Bank
    // mappings: ColumnMapping's text by the header's key (empty when none).
    // On a ledger made before these existed, reads see none and the first
    // save makes the table.
    ItemRuleLists LoadItemRules(const QString &userName);
    void SaveItemRule(const QString &userName, const QString &text, const QString &item, const QString &recordType);
    bool DeleteItemRule(const QString &userName, const QString &text, const QString &recordType);
    QString LoadBankMapping(const QString &userName, const QString &headerKey);
    void SaveBankMapping(const QString &userName, const QString &headerKey, const QString &mapping);
    // The range's records typed by hand, those without a row identity, in
    // the order of ListRecordsOfDate: what a statement row may duplicate.
    void ListTypedRecords(const QString &userName, const QDate &start, const QDate &end, RangeRecords &records);

    // Splits an item-name list text at CR LF, dropping blank lines; names are
    // kept exactly as typed.
    static QStringList SplitLines(const QString &text);
    // Built-in data resources by name, ignoring case; empty when unknown.
    static QByteArray LoadResourceText(const QString &name);

    // The connection itself, for tools that copy whole ledgers.
    LedgerConnection &connection() { return *g_objConnection; }

private:
    // When the credentials match, deletes the user's rows and inserts one row
    // with newPassword.
    bool RenewUserRow(const QByteArray &n, const QByteArray &password, const QByteArray &newPassword);
    // Runs one operation; on a kept server connection that turned out to be
    // closed before anything ran, reconnects and runs it once more.
    template <typename F> auto Operate(F &&body) -> decltype(body());

    LedgerLocation m_location;
    std::unique_ptr<LedgerConnection> g_objConnection;
    QString g_strConnection; // the location's text
};

// The record types and list kinds as the program stores and passes them.
inline const QString kTypeExpense = QStringLiteral("支出");
inline const QString kTypeIncome = QStringLiteral("收入");
inline const QString kKindExpenseNames = QStringLiteral("支出项目名称");
inline const QString kKindIncomeNames = QStringLiteral("收入项目名称");
