#include "ShareSlices.h"

#include "AmountText.h"

QString ShareSlice::label() const
{
    const QString shown = folded ? QStringLiteral("%1（%2项）").arg(name).arg(rows.size()) : name;
    return QStringLiteral("%1 %2%").arg(shown, share);
}

ShareChartData MakeShareSlices(const ProgramTotals &totals)
{
    ShareChartData data;
    const int count = totals.size();
    double rangeTotal = 0;
    QList<double> values;
    QList<int> small;
    for (int row = 0; row < count; ++row) {
        values.append(ParseAmountText(totals.total[row]));
        rangeTotal += values.constLast();
        if (ParseAmountText(totals.share[row]) < kFoldBelowPercent)
            small.append(row);
    }
    if (rangeTotal <= 0)
        return data;
    if (small.size() < 2)
        small.clear();

    data.sliceOfRow.resize(count);
    ShareSlice other{kOtherSliceName, 0, QString(), {}, true};
    for (int row = 0; row < count; ++row) {
        if (small.contains(row)) {
            other.total += values.at(row);
            other.rows.append(row);
            continue;
        }
        data.sliceOfRow[row] = data.slices.size();
        data.slices.append({totals.name[row], values.at(row), totals.share[row], {row}, false});
    }
    if (!other.rows.isEmpty()) {
        other.share = FormatAmount(100.0 * other.total / rangeTotal);
        for (int row : other.rows)
            data.sliceOfRow[row] = data.slices.size();
        data.slices.append(other);
    }
    return data;
}
