#include "LedgerExtensions.h"

#include "ImportTables.h"
#include "KavloError.h"

namespace {

QList<LedgerExtension> makeList()
{
    QList<LedgerExtension> list;
    // A pending list's key, written with its rows: a save that is sent again
    // after its answer was lost finds its key and stores nothing twice.
    // Saved_At is seconds since 1970 by the database's clock, so computers
    // whose clocks disagree cannot prune each other's fresh keys.
    list.append({kSaveKeysTable,
                 {"create table if not exists Save_Keys (Save_Key text primary key, Saved_At integer not null)"},
                 {"create table if not exists Save_Keys (Save_Key text collate \"C\" primary key,"
                  " Saved_At bigint not null)"},
                 "Save_Key, Saved_At",
                 "Save_Key"});
    // Rows that came from elsewhere (a statement, a recurring entry) carry
    // an identity, so the same row is never stored twice for a user. The
    // identity outlives a deleted record on purpose.
    list.append({kRowIdentitiesTable,
                 {"create table if not exists Row_Identities (User_Name text not null, Row_Identity text not null,"
                  " Record_ID integer not null, primary key (User_Name, Row_Identity))"},
                 {"create table if not exists Row_Identities (User_Name text collate \"C\" not null,"
                  " Row_Identity text collate \"C\" not null, Record_ID bigint not null,"
                  " primary key (User_Name, Row_Identity))"},
                 "User_Name, Row_Identity, Record_ID",
                 "User_Name, Row_Identity"});
    // Monthly budgets per expense item ('' for all expenses), each in force
    // from its month ("yyyy-mm") until a later one of the same item.
    list.append({kBudgetsTable,
                 {"create table if not exists Budgets (User_Name text not null, Item_Name text not null,"
                  " From_Month text not null, Amount real not null, primary key (User_Name, Item_Name, From_Month))"},
                 {"create table if not exists Budgets (User_Name text collate \"C\" not null,"
                  " Item_Name text collate \"C\" not null, From_Month text collate \"C\" not null,"
                  " Amount double precision not null, primary key (User_Name, Item_Name, From_Month))"},
                 "User_Name, Item_Name, From_Month, Amount",
                 "User_Name, Item_Name, From_Month"});
    // The items and months a user has been told went past their budget, so
    // each is told once, on whichever computer.
    list.append({kBudgetNoticesTable,
                 {"create table if not exists Budget_Notices (User_Name text not null, Item_Name text not null,"
                  " Month text not null, primary key (User_Name, Item_Name, Month))"},
                 {"create table if not exists Budget_Notices (User_Name text collate \"C\" not null,"
                  " Item_Name text collate \"C\" not null, Month text collate \"C\" not null,"
                  " primary key (User_Name, Item_Name, Month))"},
                 "User_Name, Item_Name, Month",
                 "User_Name, Item_Name, Month"});
    // Recurring entries. Entry_ID is the program's own number (part of each
    // occurrence's row identity); Done_Through is the day up to which every
    // occurrence is known to be stored, '' for none; Revision changes with
    // every edit.
    list.append({kRecurringTable,
                 {"create table if not exists Recurring_Entries (Entry_ID integer primary key, User_Name text not null,"
                  " Program_Type text not null, Program_Name text not null, Program_Money real not null,"
                  " Program_Memo text not null, Rule_Kind text not null, Rule_Day integer not null,"
                  " Rule_Month integer not null, First_Date text not null, End_Date text not null,"
                  " Paused integer not null, Done_Through text not null, Revision integer not null)",
                  "create index if not exists Recurring_Entries_User on Recurring_Entries (User_Name)"},
                 {"create table if not exists Recurring_Entries (Entry_ID bigint primary key,"
                  " User_Name text collate \"C\" not null, Program_Type text collate \"C\" not null,"
                  " Program_Name text collate \"C\" not null, Program_Money double precision not null,"
                  " Program_Memo text collate \"C\" not null, Rule_Kind text collate \"C\" not null,"
                  " Rule_Day integer not null, Rule_Month integer not null, First_Date text collate \"C\" not null,"
                  " End_Date text collate \"C\" not null, Paused integer not null,"
                  " Done_Through text collate \"C\" not null, Revision bigint not null)",
                  "create index if not exists Recurring_Entries_User on Recurring_Entries (User_Name)"},
                 "Entry_ID, User_Name, Program_Type, Program_Name, Program_Money, Program_Memo, Rule_Kind, Rule_Day,"
                 " Rule_Month, First_Date, End_Date, Paused, Done_Through, Revision",
                 "Entry_ID"});
    // The statement import's per-user rules (a counterparty's text gives an
    // item) and the column mappings of bank files, by their header's key.
    list.append({kItemRulesTable,
                 {"create table if not exists Import_Rules (User_Name text not null, Record_Type text not null,"
                  " Rule_Text text not null, Item_Name text not null,"
                  " primary key (User_Name, Record_Type, Rule_Text))"},
                 {"create table if not exists Import_Rules (User_Name text collate \"C\" not null,"
                  " Record_Type text collate \"C\" not null, Rule_Text text collate \"C\" not null,"
                  " Item_Name text not null, primary key (User_Name, Record_Type, Rule_Text))"},
                 "User_Name, Record_Type, Rule_Text, Item_Name",
                 "User_Name, Record_Type, Rule_Text"});
    list.append({kBankMappingsTable,
                 {"create table if not exists Import_Mappings (User_Name text not null, Header_Key text not null,"
                  " Mapping text not null, primary key (User_Name, Header_Key))"},
                 {"create table if not exists Import_Mappings (User_Name text collate \"C\" not null,"
                  " Header_Key text collate \"C\" not null, Mapping text not null,"
                  " primary key (User_Name, Header_Key))"},
                 "User_Name, Header_Key, Mapping",
                 "User_Name, Header_Key"});
    return list;
}

// Serialises the creation of missing tables among computers that write at
// the same moment: two concurrent "create table if not exists" may otherwise
// collide in the server's catalogue. Any fixed number shared by all copies.
constexpr qint64 kCreateLockId = 0x4b61766c6f;

} // namespace

const QList<LedgerExtension> &LedgerExtensions()
{
    static const QList<LedgerExtension> list = makeList();
    return list;
}

const LedgerExtension &FindLedgerExtension(const QByteArray &table)
{
    for (const LedgerExtension &extension : LedgerExtensions())
        if (extension.table == table)
            return extension;
    throw KavloError(QStringLiteral("No ledger table named %1 is registered").arg(QLatin1String(table)));
}

bool HasExtensionTable(LedgerConnection &connection, const LedgerExtension &extension)
{
    if (connection.knowsTable(extension.table))
        return true;
    bool present = false;
    if (connection.isServer()) {
        Recordset rs = connection.Query("select count(*) from pg_catalog.pg_tables where schemaname = "
                                        "current_schema() and tablename = lower(?1::text)",
                                        {extension.table});
        present = rs.FieldInteger(0) > 0;
    } else {
        Recordset rs = connection.Query("select count(*) from sqlite_master where type='table' and name=?1 "
                                        "collate nocase",
                                        {extension.table});
        present = rs.FieldInteger(0) > 0;
    }
    if (present)
        connection.rememberTable(extension.table);
    return present;
}

void EnsureExtensionTable(LedgerConnection &connection, const LedgerExtension &extension)
{
    // Asking first costs the same single statement as creating, and the
    // tables are there on every ledger but the oldest.
    if (HasExtensionTable(connection, extension))
        return;
    if (connection.isServer()) {
        Recordset lock = connection.Query("select pg_advisory_xact_lock(?1::bigint)", {kCreateLockId});
    }
    for (const QByteArray &statement : connection.isServer() ? extension.server : extension.sqlite)
        connection.Execute(statement.constData());
    connection.rememberTable(extension.table);
}

void CreateExtensionTables(LedgerConnection &connection)
{
    for (const LedgerExtension &extension : LedgerExtensions())
        EnsureExtensionTable(connection, extension);
}
