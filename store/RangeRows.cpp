#include "RangeRows.h"

#include "AmountText.h"
#include "KavloError.h"
#include "StoreReading.h"
#include "TextCodec.h"
#include "unt_clsDatabaseUser.h"

#include <algorithm>

namespace {
// Beyond this many distinct texts each further one is decoded whenever it is
// asked for: a list scrolled through a decade must not end up holding every
// memo twice.
constexpr int kDecodedKept = 8192;
} // namespace

QString RangeRows::decoded(qsizetype at, int length) const
{
    if (length == 0)
        return QString();
    const QByteArray key = QByteArray::fromRawData(m_bytes.constData() + at, length);
    auto it = m_decoded.constFind(key);
    if (it != m_decoded.constEnd())
        return it.value();
    const QByteArray owned(m_bytes.constData() + at, length);
    const QString text = DecodeField(owned);
    if (m_decoded.size() < kDecodedKept)
        m_decoded.insert(owned, text);
    return text;
}

QString RangeRows::name(int row) const
{
    const Row &r = m_rows.at(row);
    return decoded(r.nameAt, r.nameLength);
}

QString RangeRows::memo(int row) const
{
    const Row &r = m_rows.at(row);
    return decoded(r.memoAt, r.memoLength);
}

QString RangeRows::amount(int row) const { return FormatAmount(m_rows.at(row).amount); }

QString RangeRows::text(int row, Field field) const
{
    switch (field) {
    case Date:
        return date(row);
    case Type:
        return type(row);
    case Name:
        return name(row);
    case Amount:
        return amount(row);
    case Memo:
        return memo(row);
    }
    return QString();
}

std::pair<int, int> RangeRows::rowsOfDay(int day) const
{
    const auto first = std::lower_bound(m_rows.cbegin(), m_rows.cend(), day,
                                        [](const Row &r, int d) { return r.day < d; });
    const auto last = std::upper_bound(first, m_rows.cend(), day, [](int d, const Row &r) { return d < r.day; });
    return {int(first - m_rows.cbegin()), int(last - m_rows.cbegin())};
}

int RangeRows::rowOf(qint64 key) const
{
    for (int row = 0; row < m_rows.size(); ++row)
        if (m_rows.at(row).id == key)
            return row;
    return -1;
}

void RangeRows::setTexts(int row, const QString &name, const QString &amount, const QString &memo)
{
    const QByteArray storedName = EncodeField(name);
    const QByteArray storedMemo = EncodeField(memo);
    const double value = ParseAmountText(amount);
    Row &r = m_rows[row];
    r.nameAt = keep(storedName.constData(), int(storedName.size()));
    r.nameLength = int(storedName.size());
    r.memoAt = keep(storedMemo.constData(), int(storedMemo.size()));
    r.memoLength = int(storedMemo.size());
    r.amount = value;
}

void RangeRows::removeRow(int row) { m_rows.removeAt(row); }

RangeRecords RangeRows::toRecords() const
{
    RangeRecords records;
    const qsizetype count = m_rows.size();
    for (QStringList *column : {&records.id, &records.date, &records.type, &records.name, &records.amount,
                                &records.memo})
        column->reserve(count);
    // Local caches, so a long listing shares one string per repeated text,
    // as the lists always did.
    DecodeCache names;
    DecodeCache memos;
    AmountCache amounts;
    for (const Row &r : m_rows) {
        records.id.append(QString::number(r.id));
        records.date.append(m_dayTexts.at(r.day));
        records.type.append(m_types.at(r.type));
        records.name.append(names.decode(m_bytes.constData() + r.nameAt, r.nameLength));
        records.amount.append(amounts.format(r.amount));
        records.memo.append(memos.decode(m_bytes.constData() + r.memoAt, r.memoLength));
    }
    return records;
}

void RangeRows::start(const QStringList &dayTexts)
{
    *this = RangeRows();
    m_dayTexts = dayTexts;
}

int RangeRows::typeOf(const char *stored, int length)
{
    // Rows come grouped by type within a day: most rows repeat the last one.
    const QByteArray key = QByteArray::fromRawData(stored, length);
    if (m_lastType >= 0 && m_typeBytes.at(m_lastType) == key)
        return m_lastType;
    int type = int(m_typeBytes.indexOf(key));
    if (type < 0) {
        DecodeCache decode;
        const QString text = decode.decode(stored, length);
        type = int(m_typeBytes.size());
        m_typeBytes.append(QByteArray(stored, length));
        m_types.append(text);
        m_typeIsExpense.append(text == kTypeExpense);
    }
    m_lastType = type;
    return type;
}

qsizetype RangeRows::keep(const char *data, int length)
{
    const qsizetype at = m_bytes.size();
    m_bytes.append(data, length);
    return at;
}

void RangeRows::append(qint64 key, int day, int type, const char *name, int nameLength, double amount,
                       const char *memo, int memoLength)
{
    const qsizetype nameAt = keep(name, nameLength);
    const qsizetype memoAt = keep(memo, memoLength);
    m_rows.append(Row{key, amount, nameAt, memoAt, nameLength, memoLength, day, type});
}
