#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The text-level rules every statement reader shares: how bytes become text,
// how a CSV line becomes cells, and how the amounts and dates banks and
// payment services write are read. Screen-free.

// A statement's bytes as text: a BOM decides (UTF-8, UTF-16); otherwise
// bytes that are valid UTF-8 are UTF-8 and anything else is GB18030, the
// superset of GBK that Chinese exports use. nullopt for bytes that are no
// text at all (NUL bytes or other binary control codes).
std::optional<QString> DecodeStatementText(const QByteArray &bytes);

// The cells of a table with the 1-based line or row each starts on.
struct TextTable {
    QList<QStringList> rows;
    QList<int> lines;
};

// RFC 4180 CSV: quoted cells may hold commas, doubled quotes and line
// breaks. Every cell is trimmed of blanks and tabs (the padding and the tab
// after order numbers in payment bills). Blank lines are kept as empty rows
// so line numbers stay true. Returns false (with the line) when a quoted
// cell never closes: the file was cut off.
bool SplitCsv(const QString &text, TextTable *table, int *badLine);

// A money text as statements write it: thousands separators ("1,234.00"),
// a sign in front or behind, "¥"/"￥"/"元"/"RMB"/"CNY", parentheses for a
// negative. The amount is the positive two-decimal text of the entry panels'
// rule ("0.00" for zero) and cents its signed value.
struct Money {
    bool negative = false;
    QString amount;
    qint64 cents = 0;
};
std::optional<Money> ParseMoney(const QString &text);

// A date, optionally followed by a time, in the forms statements use:
// 2026-12-31, 2026/12/31, 2026.12.31, 20261231, 2026年12月31日, each with an
// optional "hh:mm[:ss]" after a blank or "T". The time comes back as
// "hh:mm:ss" (empty when none was given).
enum class DateStatus { Ok, NotADate, NoSuchDay, OutOfRange };
struct DateTimeText {
    DateStatus status = DateStatus::NotADate;
    QDate date;
    QString time;
};
DateTimeText ParseStatementDate(const QString &text);

// The days the ledger can hold: its date texts have four-digit years, and
// nothing before 1900 comes from an electronic statement.
bool IsDateInRange(const QDate &date);

// The Chinese reason for a date that does not read, naming the text.
QString DateProblem(DateStatus status, const QString &text);

// "hh:mm[:ss]" as "hh:mm:ss"; empty for anything else.
QString NormalizeTime(const QString &text);
