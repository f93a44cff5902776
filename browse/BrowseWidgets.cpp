#include "BrowseWidgets.h"

#include "ReportList.h"

#include <QTreeWidget>

QTreeWidgetItem *MakeRecordRow(const QTreeWidget *list, const RangeRecords &records, int i)
{
    return MakeReportRow(list, {records.date[i], records.type[i], records.name[i], records.amount[i], records.memo[i]});
}
