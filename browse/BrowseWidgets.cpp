#include "BrowseWidgets.h"

#include "ReportList.h"

QString RecordText(const RangeRows &rows, int row, int column)
{
    if (row < 0 || row >= rows.size() || column < 1 || column > 5)
        return QString();
    return rows.text(row, RangeRows::Field(column - 1));
}
