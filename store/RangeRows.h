#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

struct RangeRecords;

// The records of a range as the store read them, for windows that show a
// long range: the numbers kept as numbers and the texts as their stored bytes,
// each text decoded only when something asks for it. Turning every field of a
// decade into strings cost more than reading the rows; a list shows a few
// dozen of them at a time.
//
// Rows, their order and every text are exactly those of the RangeRecords that
// ListRecordsOfDate gives for the same range (toRecords() makes that form).
// Reading a text may fill a cache, so one object is used from one thread.
class RangeRows
{
public:
    // The record columns in the order the record lists show them.
    enum Field { Date, Type, Name, Amount, Memo };

    int size() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.isEmpty(); }

    qint64 key(int row) const { return m_rows.at(row).id; }
    QString id(int row) const { return QString::number(key(row)); }
    // The day's text, shared with its DayTotals date.
    QString date(int row) const { return m_dayTexts.at(m_rows.at(row).day); }
    QString type(int row) const { return m_types.at(m_rows.at(row).type); }
    QString name(int row) const;
    QString amount(int row) const;
    QString memo(int row) const;
    QString text(int row, Field field) const;

    // The index of the row's day in the range, and whether it counts as an
    // expense in the day totals.
    int day(int row) const { return m_rows.at(row).day; }
    bool isExpense(int row) const { return m_typeIsExpense.at(m_rows.at(row).type); }
    // The rows of one day: [first, second). Rows are in day order.
    std::pair<int, int> rowsOfDay(int day) const;
    // The row of a record number, or -1.
    int rowOf(qint64 key) const;

    // The record of `row` was changed in the store: it now shows these texts
    // (the amount as the store was given it). Throws KavloError, changing
    // nothing, for a text the ledger cannot store or an amount that is not a
    // number.
    void setTexts(int row, const QString &name, const QString &amount, const QString &memo);
    void removeRow(int row);

    // Every field decoded: the lists ListRecordsOfDate gives.
    RangeRecords toRecords() const;

    // Filling, as the store reads a range: the range's day texts first, then
    // each row with the stored bytes of its type, name and memo.
    void start(const QStringList &dayTexts);
    // The type's index for rows to come; decodes a type text not seen yet.
    int typeOf(const char *stored, int length);
    bool typeIsExpense(int type) const { return m_typeIsExpense.at(type); }
    void append(qint64 key, int day, int type, const char *name, int nameLength, double amount, const char *memo,
                int memoLength);

private:
    struct Row {
        qint64 id;
        double amount;
        qsizetype nameAt;
        qsizetype memoAt;
        int nameLength;
        int memoLength;
        int day;
        int type;
    };
    QString decoded(qsizetype at, int length) const;
    qsizetype keep(const char *data, int length);

    QList<Row> m_rows;
    QByteArray m_bytes; // the stored name and memo bytes of every row
    QStringList m_dayTexts;
    QList<QByteArray> m_typeBytes;
    QStringList m_types;
    QList<bool> m_typeIsExpense;
    int m_lastType = -1;
    // Texts decoded so far, by stored bytes: item names repeat from row to
    // row, and a painted row is painted again.
    mutable QHash<QByteArray, QString> m_decoded;
};
