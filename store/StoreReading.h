#pragma once

#include "AmountText.h"
#include "KavloError.h"
#include "LedgerConnection.h"
#include "TextCodec.h"
#include "unt_clsDatabaseUser.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QHash>
#include <QString>

#include <cstring>

// Pieces shared by the store's range reads.

template <typename F> auto TclsDatabaseUser::Operate(F &&body) -> decltype(body())
{
    try {
        OperationScope scope(*g_objConnection);
        return body();
    } catch (const KavloError &e) {
        if (e.cause() != FailureCause::ConnectionLost || !g_objConnection->MayRetry())
            throw;
    }
    g_objConnection->Disconnect();
    OperationScope scope(*g_objConnection);
    return body();
}

// Decoding the same stored text again and again (record types, item names)
// is most of the cost of a long range; remember what was decoded.
class DecodeCache
{
public:
    QString decode(const char *data, int length)
    {
        if (length == 0)
            return QString();
        const QByteArray key = QByteArray::fromRawData(data, length);
        // Rows of a range come sorted, so a text often repeats the row before.
        if (key == m_lastKey)
            return m_lastText;
        auto it = m_cache.constFind(key);
        if (it != m_cache.constEnd()) {
            m_lastKey = it.key();
            m_lastText = it.value();
            return m_lastText;
        }
        const QByteArray owned(data, length);
        const QString text = DecodeField(owned);
        if (m_cache.size() < 4096)
            m_cache.insert(owned, text);
        m_lastKey = owned;
        m_lastText = text;
        return text;
    }

private:
    QHash<QByteArray, QString> m_cache;
    QByteArray m_lastKey;
    QString m_lastText;
};

// Amounts repeat as well: one shared text per value keeps a long range from
// holding a string of its own for every record's amount.
class AmountCache
{
public:
    QString format(double value)
    {
        quint64 key;
        std::memcpy(&key, &value, sizeof key);
        auto it = m_cache.constFind(key);
        if (it != m_cache.constEnd())
            return it.value();
        const QString text = FormatAmount(value);
        if (m_cache.size() < 4096)
            m_cache.insert(key, text);
        return text;
    }

private:
    QHash<quint64, QString> m_cache;
};

// The columns of a full record row, looked up once per query, with decoders
// for the texts that repeat from row to row.
struct RecordRowReader {
    explicit RecordRowReader(const Recordset &rs)
        : id(rs.FieldIndex("ID")), date(rs.FieldIndex("Program_Date")), type(rs.FieldIndex("Program_Type")),
          name(rs.FieldIndex("Program_Name")), money(rs.FieldIndex("Program_Money")),
          memo(rs.FieldIndex("Program_Memo"))
    {
    }
    QString decoded(const Recordset &rs, int column, DecodeCache &cache) const
    {
        int length = 0;
        const char *raw = rs.FieldRaw(column, &length);
        return cache.decode(raw, length);
    }
    const int id, date, type, name, money, memo;
    DecodeCache types, names;
};

// The day of a range that a stored date names, or -1 for anything that is not
// exactly one of its "yyyy-mm-dd" days. Rows come ordered by date, so a text
// is parsed only when it differs from the row before.
class DayCursor
{
public:
    DayCursor(const QDate &start, qint64 dayCount) : m_start(start), m_count(dayCount) {}
    qint64 index(const char *data, int length);

private:
    QDate m_start;
    qint64 m_count;
    QByteArray m_key;
    qint64 m_index = -1;
};

// The DayTotals of the days from start on, one per entry of the sums.
DayTotals MakeDayTotals(const QDate &start, const QList<double> &expense, const QList<double> &income);
