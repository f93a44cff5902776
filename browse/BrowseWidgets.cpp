#include "BrowseWidgets.h"

#include "ReportList.h"

QList<const QStringList *> RecordTexts(const RangeRecords &records)
{
    return {&records.date, &records.type, &records.name, &records.amount, &records.memo};
}
