#pragma once

#include "DialogParts.h"
#include "PeriodTotals.h"
#include "RangeRows.h"
#include "ReportList.h"
#include "unt_clsDatabaseUser.h"

#include <QColor>
#include <QDate>
#include <QString>
#include <QStringList>

class QLabel;
class QWidget;

// Shared pieces of the browse windows.

// The text a record row shows in column 1 to 5 of a ReportTable with
// RecordColumns(): date, type, item name, amount, memo.
QString RecordText(const RangeRows &rows, int row, int column);
