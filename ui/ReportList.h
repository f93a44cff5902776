#pragma once

#include "unt_clsDatabaseUser.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// The report-style lists of the program's windows, and the colour of their
// figures.

inline const QColor kMaroon(128, 0, 0);

// How right-aligned columns align their captions and texts.
constexpr Qt::Alignment kReportRight = Qt::AlignRight | Qt::AlignVCenter;

struct ReportColumn {
    QString caption;
    int width;
    bool rightAligned;
};

// The look and behaviour every report list shares: read-only, one row
// selected at a time across all columns, column 0 hidden, the columns' widths
// and the row image drawn before the text of column 1. The view's columns
// must exist already.
void SetupReportView(QTreeView *view, const QString &name, const QList<ReportColumn> &columns);

// A read-only report list with whole-row selection, one item object per row:
// for short lists (ReportTable.h holds the one for long ones). Its first column is the
// hidden one that carries no caption; `columns` are the visible ones after it.
// The first visible column shows the row image before its text.
QTreeWidget *MakeReportList(QWidget *parent, const QString &name, const QList<ReportColumn> &columns);

// A row for a report list made by MakeReportList: `texts` fill the visible
// columns, right-aligned where the column is.
QTreeWidgetItem *MakeReportRow(const QTreeWidget *list, const QStringList &texts);

// Replaces the rows of a report list in one batch, with painting suspended,
// so long ranges fill quickly.
void FillReportList(QTreeWidget *list, const QList<QTreeWidgetItem *> &rows);

// The columns of the record lists: 日期, 类别, 项目, 金额 (right), 备注.
QList<ReportColumn> RecordColumns();
