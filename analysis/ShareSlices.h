#pragma once

#include "unt_clsDatabaseUser.h"

#include <QList>
#include <QString>

// The pie of the share window: the items in the list's order, the small ones
// folded into one slice "其他" at the end.
inline constexpr double kFoldBelowPercent = 2.0;
inline const QString kOtherSliceName = QStringLiteral("其他");

struct ShareSlice {
    QString name;    // the item's name, or "其他"
    double total = 0;
    QString share;   // percent of the range, "%0.2f"
    QList<int> rows; // the rows of the list the slice stands for
    bool folded = false;

    // "午饭 25.00%", or "其他（3项） 4.50%" for the folded items.
    QString label() const;
};

struct ShareChartData {
    QList<ShareSlice> slices;
    QList<int> sliceOfRow; // for each row of the list, the slice drawing it
    bool isEmpty() const { return slices.isEmpty(); }
};

// Rows whose share is under 2 % are folded when there are at least two of
// them (one small item keeps its own name). A range with no records, or with
// nothing but zero totals, has no slices and so no chart.
ShareChartData MakeShareSlices(const ProgramTotals &totals);
