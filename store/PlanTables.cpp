#include "PlanTables.h"

#include "KavloError.h"

#include <QList>

namespace {
struct PlanTable {
    QByteArray name;
    QList<QByteArray> sqlite;
    QList<QByteArray> server;
};

const QList<PlanTable> &planTables()
{
    static const QList<PlanTable> tables = {
        {kBudgetsTable,
         {"create table if not exists Budgets (User_Name text, Item_Name text, From_Month text, Amount real, "
          "primary key (User_Name, Item_Name, From_Month))"},
         {"create table if not exists Budgets (User_Name text collate \"C\", Item_Name text collate \"C\", "
          "From_Month text collate \"C\", Amount double precision, primary key (User_Name, Item_Name, From_Month))"}},
        {kBudgetNoticesTable,
         {"create table if not exists Budget_Notices (User_Name text, Item_Name text, Month text, "
          "primary key (User_Name, Item_Name, Month))"},
         {"create table if not exists Budget_Notices (User_Name text collate \"C\", Item_Name text collate \"C\", "
          "Month text collate \"C\", primary key (User_Name, Item_Name, Month))"}},
        {kRecurringTable,
         {"create table if not exists Recurring_Entries (Entry_ID integer primary key, "
          "User_Name text, Program_Type text, Program_Name text, Program_Money real, Program_Memo text, "
          "Rule_Kind text, Rule_Day integer, Rule_Month integer, First_Date text, End_Date text, "
          "Paused integer, Done_Through text, Revision integer)",
          "create index if not exists Recurring_Entries_User on Recurring_Entries (User_Name)"},
         {"create table if not exists Recurring_Entries (Entry_ID bigint primary key, "
          "User_Name text collate \"C\", Program_Type text collate \"C\", Program_Name text collate "
          "\"C\", Program_Money double precision, Program_Memo text collate \"C\", Rule_Kind text collate \"C\", "
          "Rule_Day integer, Rule_Month integer, First_Date text collate \"C\", End_Date text collate \"C\", "
          "Paused integer, Done_Through text collate \"C\", Revision bigint)",
          "create index if not exists Recurring_Entries_User on Recurring_Entries (User_Name)"}},
    };
    return tables;
}

const PlanTable &find(const QByteArray &name)
{
    for (const PlanTable &t : planTables())
        if (t.name == name)
            return t;
    throw KavloError(QStringLiteral("no such plan table %1").arg(QString::fromLatin1(name)));
}
} // namespace

bool HasPlanTable(LedgerConnection &connection, const QByteArray &table)
{
    Recordset rs = connection.isServer()
                       ? connection.Query("select count(*) as n from pg_catalog.pg_tables where "
                                          "schemaname = current_schema() and tablename = lower(?1)",
                                          {table})
                       : connection.Query("select count(*) as n from sqlite_master where type='table' and name=?1",
                                          {table});
    return rs.FieldInteger("n") > 0;
}

void EnsurePlanTable(LedgerConnection &connection, const QByteArray &table)
{
    const PlanTable &t = find(table);
    for (const QByteArray &statement : connection.isServer() ? t.server : t.sqlite)
        connection.Execute(statement.constData());
}
