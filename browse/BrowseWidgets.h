#pragma once

#include "DialogParts.h"
#include "PeriodTotals.h"
#include "ReportList.h"
#include "unt_clsDatabaseUser.h"

#include <QColor>
#include <QDate>
#include <QString>
#include <QStringList>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// Shared pieces of the browse windows.

// The row of record i: date, type, item name, amount, memo.
QTreeWidgetItem *MakeRecordRow(const QTreeWidget *list, const RangeRecords &records, int i);
