#include "RecordFinder.h"

#include "AmountText.h"
#include "KavloError.h"
#include "TextCodec.h"

namespace {
inline uchar FoldAscii(uchar c) { return (c >= 'A' && c <= 'Z') ? uchar(c + ('a' - 'A')) : c; }

// GBK and its GB18030 extension: one byte below 0x80, four when the second
// byte is a digit, two otherwise.
inline qsizetype CharacterLength(const uchar *p, qsizetype left)
{
    if (p[0] < 0x80 || left < 2)
        return 1;
    return (left >= 4 && p[1] >= '0' && p[1] <= '9') ? 4 : 2;
}
} // namespace

TextFinder::TextFinder(const QString &needle)
{
    try {
        m_needle = Gbk::encode(needle);
    } catch (const KavloError &) {
        m_storable = false; // a character the ledger cannot store is in no record
        return;
    }
    const qsizetype size = m_needle.size();
    m_ascii = QByteArray(size, 0);
    auto *bytes = reinterpret_cast<uchar *>(m_needle.data());
    for (qsizetype i = 0; i < size; i += CharacterLength(bytes + i, size - i)) {
        if (bytes[i] < 0x80) {
            bytes[i] = FoldAscii(bytes[i]);
            m_ascii[i] = 1;
        }
    }
}

bool TextFinder::operator()(const QByteArray &gbk) const
{
    if (!m_storable)
        return false;
    const qsizetype n = m_needle.size();
    const qsizetype size = gbk.size();
    const auto *hay = reinterpret_cast<const uchar *>(gbk.constData());
    const auto *needle = reinterpret_cast<const uchar *>(m_needle.constData());
    // From a character's start, equal bytes keep both sides on the same
    // character boundaries, so a byte where the needle has an ASCII character
    // is an ASCII character of the text too, and only those are folded.
    for (qsizetype start = 0; start + n <= size; start += CharacterLength(hay + start, size - start)) {
        qsizetype i = 0;
        while (i < n && (m_ascii[i] ? FoldAscii(hay[start + i]) : hay[start + i]) == needle[i])
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
