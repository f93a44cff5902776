#pragma once

#include "unt_clsDatabaseUser.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// The report-style lists of the program's windows, and the colour of their
// figures.

inline const QColor kMaroon(128, 0, 0);

struct ReportColumn {
    QString caption;
    int width;
    bool rightAligned;
};

// A read-only report list with whole-row selection. Its first column is the
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
