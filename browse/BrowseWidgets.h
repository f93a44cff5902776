#pragma once

#include "ReportList.h"
#include "unt_clsDatabaseUser.h"

#include <QColor>
#include <QDate>
#include <QString>
#include <QStringList>

class QLabel;
class QWidget;

// Shared pieces of the browse windows: record rows, figure labels and the
// modal-window chores.

// The lists a record row shows, for a ReportTable with RecordColumns(): date,
// type, item name, amount, memo.
QList<const QStringList *> RecordTexts(const RangeRecords &records);

// The range figures: sums of the per-day texts, in floating point.
struct RangeSums {
    double expense = 0;
    double income = 0;
    double balance = 0;
};
RangeSums SumDayTotals(const DayTotals &days);

// A maroon label; when rightEdge >= 0 the text is right-aligned with its right
// edge there whatever its length.
QLabel *MakeFigureLabel(QWidget *parent, const QString &name, const QString &text, int left, int top,
                        int rightEdge = -1);

// "2007-01-01至2007-01-31：", the date line of the range windows.
QString RangeLineText(const QDate &start, const QDate &end);

// The fixed frame of the browse dialogs: a close control, no resizing, centred
// on the screen.
void SetupFixedDialog(QWidget *dialog, const QString &caption, int width, int height);

// Makes the program's window the foreground one before a modal window shows.
void BringToFront(QWidget *window);
