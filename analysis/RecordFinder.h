#pragma once

#include "unt_clsDatabaseUser.h"

#include <QString>

// The find dialog's rule: the text anywhere in an item name or memo; ASCII
// letters match without regard to case, every other character (Chinese,
// full-width letters, punctuation) only exactly.
class TextFinder
{
public:
    explicit TextFinder(const QString &needle);
    bool operator()(const QString &text) const;

private:
    QString m_needle; // ASCII letters folded to lower case
};

// The records found and their sums, as the dialog's summary line gives them.
struct FindSummary {
    int count = 0;
    double expense = 0;
    double income = 0;
};
FindSummary SummariseFound(const RangeRecords &found);
// "找到 3 条记录    支出合计：12.00    收入合计：0.00"
QString FindSummaryText(const FindSummary &summary);
