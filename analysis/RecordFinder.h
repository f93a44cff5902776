#pragma once

#include "unt_clsDatabaseUser.h"

#include <QString>

// The find dialog's rule: the text anywhere in an item name or memo; ASCII
// letters match without regard to case, every other character (Chinese,
// full-width letters, punctuation) only exactly. It works on the texts' GBK
// bytes, so a scan over a whole ledger converts none of the records it does
// not find; a match starts only where a character starts.
class TextFinder
{
public:
    explicit TextFinder(const QString &needle);
    bool operator()(const QByteArray &gbk) const;

private:
    QByteArray m_needle; // GBK bytes, ASCII letters in lower case
    QByteArray m_ascii;  // per byte of the needle: 1 where an ASCII character stands
    bool m_storable = true; // false: no stored text can hold the needle
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
