#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <stdexcept>

// What a statement file holds once read, before anything is matched against
// the ledger. Screen-free: the review window, the command-line tool and the
// tests all read files through these types.

enum class StatementSource { Alipay, WeChat, BankCsv, BankXls, Ofx, Qif };

// The stable name of a source in identities and in the tool's output
// ("alipay", "wechat", "bank-csv", "bank-xls", "ofx", "qif").
QString SourceName(StatementSource source);

// Money in or out as the statement says it; Neutral rows move money between
// the household's own accounts without spending or earning it.
enum class Direction { Expense, Income, Neutral };

// One transaction row as the file gives it, trimmed of padding, tabs and
// quotes, plus what the reader made of it.
struct StatementRow {
    int line = 0; // 1-based line (CSV, QIF, OFX) or row (sheet) in the file
    QDate date;
    QString time;     // "hh:mm:ss" when the file gives one, else empty
    Direction direction = Direction::Expense;
    QString amount;   // positive, two decimals ("28.16"); empty for a bad row
    QString category; // the source's own class: 交易分类, 交易类型, a bank's type
    QString counterparty;
    QString goods; // goods or description
    QString method;
    QString status;
    QString orderNo;
    QString merchantNo;
    QString note; // the file's own memo column
    bool refund = false;

    // Filled in by classification (ClassifyRows), not by the readers.
    QString skipReason; // non-empty: not money spent or earned, shown as "跳过：reason"
    QString badReason;  // non-empty: the row could not be read (amount, date)
    // The row's identity in the ledger: the source with every field above
    // that the file gave, and the ordinal among rows of the same file that
    // agree in all of them, so two identical rows are two rows.
    QString identity;
};

// One bank file's columns as the user mapped them (0-based column numbers,
// -1 for none). Either amount, or debit and/or credit.
struct ColumnMapping {
    int date = -1;
    int time = -1;
    int amount = -1; // signed: negative is money out unless amountOutPositive
    bool amountOutPositive = false;
    int debit = -1;  // money out, positive
    int credit = -1; // money in, positive
    int description = -1;
    int counterparty = -1;
    int memo = -1;
    int balance = -1;
    int headerLine = 0; // 1-based line (or row) of the header; data follows it
    bool isValid() const { return date >= 0 && (amount >= 0 || debit >= 0 || credit >= 0); }
    // A compact text for storing ("date=0;amount=3;..."), and back.
    QString toText() const;
    static std::optional<ColumnMapping> fromText(const QString &text);
};

// A table as a bank file holds it, for the mapping dialog's preview and for
// remembering mappings: the header's cells and the first rows.
struct BankTable {
    int headerLine = 0;
    QStringList header;
    QList<QStringList> rows; // every data row's cells
    QList<int> rowLines;     // the file line of each row
    // The same header gives the same key, whatever the file's encoding.
    QString headerKey() const;
};

struct StatementFile {
    QString path;
    StatementSource source = StatementSource::Alipay;
    QList<StatementRow> rows;
};

// A file that cannot be imported: nothing of it is used. The message is a
// Chinese sentence for the user; line is 0 when it concerns the whole file.
class ImportError : public std::runtime_error
{
public:
    ImportError(const QString &path, int line, const QString &message)
        : std::runtime_error(message.toStdString()), m_path(path), m_line(line), m_message(message)
    {
    }
    QString path() const { return m_path; }
    int line() const { return m_line; }
    QString message() const { return m_message; }
    // "文件 PATH 第 N 行：MESSAGE" (or without the line), for boxes and the tool.
    QString describe() const;

private:
    QString m_path;
    int m_line;
    QString m_message;
};

// What reading needs from whoever asks for it: the password of an encrypted
// zip, the column mapping of a bank table, and a progress report. Each may be
// left empty; then an encrypted zip or an unmapped bank file is refused.
struct ReadCallbacks {
    // Called again after a wrong password with wrongBefore true; an empty
    // optional means the user gave up.
    std::function<std::optional<QString>(const QString &path, bool wrongBefore)> password;
    // The mapping for a bank table (the remembered one, or the user's);
    // an empty optional refuses the file.
    std::function<std::optional<ColumnMapping>(const QString &path, const BankTable &table)> mapping;
    // Rows done of rows in all; may be called often.
    std::function<void(int done, int total)> progress;
};

// A per-user rule kept in the ledger: a row whose counterparty or goods
// contains text becomes item `item` of type `recordType`.
struct ItemRule {
    QString text;
    QString item;
    QString recordType; // "支出" or "收入"
};

// Where a proposed record stands; the review window shows 新, 已导入,
// 可能已录入, 退款, 跳过：reason, and 错误：reason.
enum class RowState { New, Imported, MaybeTyped, Refund, Skipped, Bad };

// A row as it would become a ledger record.
struct ProposedRecord {
    StatementRow row;
    QString recordType; // "支出" or "收入"
    QString item;
    QString amount; // the entry panels' amount rule, two decimals
    QString memo;   // counterparty and goods, within the memo limit
    RowState state = RowState::New;
    QString reason;          // for Skipped and Bad (and Refund: "退款")
    QString matchedRecordId; // MaybeTyped: the typed record it may be
    bool ticked = false;     // New rows start ticked, every other state not
};
