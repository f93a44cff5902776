#pragma once

#include "unt_clsDatabaseUser.h"

#include <QColor>
#include <QDate>
#include <QString>
#include <QStringList>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// Shared pieces of the browse windows: report lists, figure labels and the
// modal-window chores.

inline const QColor kMaroon(128, 0, 0);

struct ReportColumn {
    QString caption;
    int width;
    bool rightAligned;
};

// A read-only report list with whole-row selection. Its first column is the
// hidden one that carries no caption; `columns` are the visible ones after it.
QTreeWidget *MakeReportList(QWidget *parent, const QString &name, const QList<ReportColumn> &columns);

// A row for a report list made by MakeReportList: `texts` fill the visible
// columns, right-aligned where the column is.
QTreeWidgetItem *MakeReportRow(const QTreeWidget *list, const QStringList &texts);

// Replaces the rows of a report list in one batch, with painting suspended,
// so long ranges fill quickly.
void FillReportList(QTreeWidget *list, const QList<QTreeWidgetItem *> &rows);

// The columns of the record lists: 日期, 类别, 项目, 金额 (right), 备注.
QList<ReportColumn> RecordColumns();
// The row of record i: date, type, item name, amount, memo.
QTreeWidgetItem *MakeRecordRow(const QTreeWidget *list, const RangeRecords &records, int i);

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
