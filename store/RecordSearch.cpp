// The store's reads for the analysis windows: the figures of a range without
// its records, and the search over item names and memos.
#include "unt_clsDatabaseUser.h"

#include "AmountText.h"
#include "StoreReading.h"
#include "TextCodec.h"

namespace {
QByteArray dayKey(const QDate &date) { return date.toString(Qt::ISODate).toLatin1(); }

// The widest range a stored day can name; "all dates" reads through it.
const QDate kFirstDay(1, 1, 1);
const QDate kLastDay(9999, 12, 31);
} // namespace

qint64 DayCursor::index(const char *data, int length)
{
    const QByteArray key = QByteArray::fromRawData(data, length);
    if (key == m_key)
        return m_index;
    m_key = QByteArray(data, length);
    m_index = -1;
    if (m_key.size() == 10) {
        const QDate date = QDate::fromString(QString::fromLatin1(m_key), Qt::ISODate);
        const qint64 day = date.isValid() ? m_start.daysTo(date) : -1;
        if (day >= 0 && day < m_count && dayKey(date) == m_key)
            m_index = day;
    }
    return m_index;
}

DayTotals MakeDayTotals(const QDate &start, const QList<double> &expense, const QList<double> &income)
{
    DayTotals days;
    const qsizetype count = expense.size();
    days.date.reserve(count);
    days.expense.reserve(count);
    days.income.reserve(count);
    days.balance.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        days.date.append(start.addDays(i).toString(Qt::ISODate));
        days.expense.append(FormatAmount(expense.at(i)));
        days.income.append(FormatAmount(income.at(i)));
        days.balance.append(FormatAmount(income.at(i) - expense.at(i)));
    }
    return days;
}

void TclsDatabaseUser::ListTotalsOfDate(const QString &userName, const QDate &start, const QDate &end,
                                        DayTotals &days)
{
    DayTotals result;
    const qint64 dayCount = start.daysTo(end) + 1;
    if (dayCount > 0) {
        QList<double> expense(dayCount, 0.0);
        QList<double> income(dayCount, 0.0);
        {
            ConnectionScope scope(g_objConnection, g_strConnection);
            // The rows in the order ListRecordsOfDate adds them, so every day
            // sums to exactly the same figure.
            SqliteRecordset rs = g_objConnection.Query(
                "select Program_Date, Program_Type, Program_Money from All_Table where User_Name=?1 and "
                "Program_Date>=?2 and Program_Date<=?3 order by Program_Date asc, Program_Type asc, ID asc",
                {EncodeField(userName), dayKey(start), dayKey(end)});
            const int cDate = rs.FieldIndex("Program_Date");
            const int cType = rs.FieldIndex("Program_Type");
            const int cMoney = rs.FieldIndex("Program_Money");
            DecodeCache types;
            DayCursor cursor(start, dayCount);
            for (; !rs.IsEOF(); rs.MoveNext()) {
                int length = 0;
                const char *raw = rs.FieldRaw(cDate, &length);
                const qint64 day = cursor.index(raw, length);
                if (day < 0)
                    continue; // not a day of the range (a malformed stored date)
                raw = rs.FieldRaw(cType, &length);
                const bool isExpense = types.decode(raw, length) == kTypeExpense;
                const double money = rs.FieldDouble(cMoney);
                (isExpense ? expense[day] : income[day]) += money;
            }
        }
        result = MakeDayTotals(start, expense, income);
    }
    days = std::move(result);
}

void TclsDatabaseUser::FindRecords(const QString &userName, const RecordScope &scope, const TextMatch &matches,
                                   RangeRecords &found)
{
    RangeRecords result;
    const QDate first = scope.allDates ? kFirstDay : scope.start;
    const QDate last = scope.allDates ? kLastDay : scope.end;
    if (first.daysTo(last) >= 0) {
        ConnectionScope connection(g_objConnection, g_strConnection);
        // An empty type stands for both; the encoded form of "" is "".
        SqliteRecordset rs = g_objConnection.Query(
            "select ID, Program_Date, Program_Type, Program_Name, Program_Money, Program_Memo from All_Table "
            "where User_Name=?1 and Program_Date>=?2 and Program_Date<=?3 and (?4='' or Program_Type=?4) "
            "order by Program_Date asc, Program_Type asc, ID asc",
            {EncodeField(userName), dayKey(first), dayKey(last), EncodeField(scope.recordType)});
        RecordRowReader row(rs);
        DayCursor cursor(first, first.daysTo(last) + 1);
        QHash<QByteArray, bool> nameMatches; // item names repeat: match each once
        for (; !rs.IsEOF(); rs.MoveNext()) {
            int length = 0;
            const char *date = rs.FieldRaw(row.date, &length);
            // Only records that a View of their day can show are found.
            if (cursor.index(date, length) < 0)
                continue;
            const int dateLength = length;
            const char *raw = rs.FieldRaw(row.name, &length);
            const QByteArray storedName = QByteArray::fromRawData(raw, length);
            auto known = nameMatches.constFind(storedName);
            if (known == nameMatches.constEnd())
                known = nameMatches.insert(QByteArray(raw, length), matches(Base64Decode(storedName)));
            raw = rs.FieldRaw(row.memo, &length);
            const QByteArray storedMemo = QByteArray::fromRawData(raw, length);
            if (!known.value() && !matches(Base64Decode(storedMemo)))
                continue;
            result.id.append(QString::number(rs.FieldInteger(row.id)));
            result.date.append(QString::fromLatin1(date, dateLength));
            result.type.append(row.decoded(rs, row.type, row.types));
            result.name.append(row.decoded(rs, row.name, row.names));
            result.amount.append(FormatAmount(rs.FieldDouble(row.money)));
            result.memo.append(DecodeField(QByteArray(raw, length)));
        }
    }
    found = std::move(result);
}
