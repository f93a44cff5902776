#pragma once

#include "LedgerConnection.h"

#include <QByteArray>

// The tables of budgets and recurring entries.
inline const QByteArray kBudgetsTable = QByteArrayLiteral("Budgets");
inline const QByteArray kBudgetNoticesTable = QByteArrayLiteral("Budget_Notices");
inline const QByteArray kRecurringTable = QByteArrayLiteral("Recurring_Entries");

bool HasPlanTable(LedgerConnection &connection, const QByteArray &table);
void EnsurePlanTable(LedgerConnection &connection, const QByteArray &table);
