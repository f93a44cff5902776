#include "RecordFinder.h"

#include "AmountText.h"

namespace {
inline char16_t foldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c; }
} // namespace

TextFinder::TextFinder(const QString &needle)
{
    m_needle.reserve(needle.size());
    for (QChar c : needle)
        m_needle.append(QChar(foldAscii(c.unicode())));
}

bool TextFinder::operator()(const QString &text) const
{
    // Folding on the fly: no copy of the text, so a scan over a whole ledger
    // allocates nothing for the rows that do not match.
    const qsizetype n = m_needle.size();
    const qsizetype last = text.size() - n;
    const char16_t *hay = reinterpret_cast<const char16_t *>(text.constData());
    const char16_t *needle = reinterpret_cast<const char16_t *>(m_needle.constData());
    for (qsizetype start = 0; start <= last; ++start) {
        qsizetype i = 0;
        while (i < n && foldAscii(hay[start + i]) == needle[i])
            ++i;
        if (i == n)
            return true;
    }
    return false;
}

FindSummary SummariseFound(const RangeRecords &found)
{
    FindSummary summary;
    summary.count = found.size();
    for (int i = 0; i < found.size(); ++i)
        (found.type[i] == kTypeExpense ? summary.expense : summary.income) += ParseAmountText(found.amount[i]);
    return summary;
}

QString FindSummaryText(const FindSummary &summary)
{
    return QStringLiteral("找到 %1 条记录    支出合计：%2    收入合计：%3")
        .arg(summary.count)
        .arg(FormatAmount(summary.expense), FormatAmount(summary.income));
}
