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
class QWidget;

// Shared pieces of the browse windows.

// The lists a record row shows, for a ReportTable with RecordColumns(): date,
// type, item name, amount, memo.
QList<const QStringList *> RecordTexts(const RangeRecords &records);
