// Bank statements as tables: the header is found among the bank's notes,
// and the user's column mapping says which column is what.
#include "ReaderParts.h"
#include "StatementReader.h"

#include "TextCodec.h"

namespace {

// A header name reduced to what matters: blanks and a unit in brackets
// ("金额(元)", "Amount (CNY)") dropped, letters in lower case.
QString headerWord(const QString &text)
{
    QString s = TrimBlanks(text).toLower();
    for (const char *unit : {"(元)", "（元）", "(rmb)", "（rmb）", "(cny)", "（cny）", "(￥)", "(¥)"})
        s.remove(QString::fromUtf8(unit));
    s.remove(QLatin1Char(' '));
    s.remove(QChar(0x3000));
    return s;
}

struct FieldNames {
    int ColumnMapping::*column;
    QStringList exact;
    QStringList contains; // tried only when no column matched exactly
};

const QList<FieldNames> &fieldNames()
{
    static const QList<FieldNames> names = {
        {&ColumnMapping::date,
         {QStringLiteral("交易日期"), QStringLiteral("记账日期"), QStringLiteral("入账日期"), QStringLiteral("日期"),
          QStringLiteral("交易时间"), QStringLiteral("记账时间"), QStringLiteral("date"),
          QStringLiteral("transactiondate"), QStringLiteral("postingdate"), QStringLiteral("bookingdate"),
          QStringLiteral("posteddate"), QStringLiteral("valuedate")},
         {QStringLiteral("日期"), QStringLiteral("date")}},
        {&ColumnMapping::time, {QStringLiteral("时间"), QStringLiteral("交易时间"), QStringLiteral("time")}, {}},
        {&ColumnMapping::debit,
         {QStringLiteral("支出"), QStringLiteral("支出金额"), QStringLiteral("借方"), QStringLiteral("借方金额"),
          QStringLiteral("借方发生额"), QStringLiteral("付款金额"), QStringLiteral("转出金额"), QStringLiteral("debit"),
          QStringLiteral("withdrawal"), QStringLiteral("withdrawals"), QStringLiteral("moneyout"),
          QStringLiteral("paidout")},
         {QStringLiteral("支出"), QStringLiteral("借方")}},
        {&ColumnMapping::credit,
         {QStringLiteral("收入"), QStringLiteral("收入金额"), QStringLiteral("贷方"), QStringLiteral("贷方金额"),
          QStringLiteral("贷方发生额"), QStringLiteral("存入金额"), QStringLiteral("转入金额"),
          QStringLiteral("credit"), QStringLiteral("deposit"), QStringLiteral("deposits"),
          QStringLiteral("moneyin"), QStringLiteral("paidin")},
         {QStringLiteral("收入"), QStringLiteral("贷方")}},
        {&ColumnMapping::amount,
         {QStringLiteral("交易金额"), QStringLiteral("金额"), QStringLiteral("发生额"), QStringLiteral("交易额"),
          QStringLiteral("amount"), QStringLiteral("transactionamount")},
         {QStringLiteral("金额"), QStringLiteral("amount")}},
        {&ColumnMapping::balance,
         {QStringLiteral("余额"), QStringLiteral("账户余额"), QStringLiteral("本次余额"), QStringLiteral("交易后余额"),
          QStringLiteral("balance")},
         {QStringLiteral("余额"), QStringLiteral("balance")}},
        {&ColumnMapping::counterparty,
         {QStringLiteral("对方户名"), QStringLiteral("对方名称"), QStringLiteral("对方账户名"),
          QStringLiteral("对方账户名称"), QStringLiteral("交易对方"), QStringLiteral("收/付款人"),
          QStringLiteral("收款人"), QStringLiteral("payee"), QStringLiteral("counterparty"), QStringLiteral("name")},
         {QStringLiteral("对方户名"), QStringLiteral("对方名称")}},
        {&ColumnMapping::description,
         {QStringLiteral("摘要"), QStringLiteral("用途"), QStringLiteral("交易摘要"), QStringLiteral("交易说明"),
          QStringLiteral("说明"), QStringLiteral("附言"), QStringLiteral("交易类型"), QStringLiteral("description"),
          QStringLiteral("details"), QStringLiteral("narrative"), QStringLiteral("reference")},
         {QStringLiteral("摘要"), QStringLiteral("用途")}},
        {&ColumnMapping::memo,
         {QStringLiteral("备注"), QStringLiteral("memo"), QStringLiteral("note"), QStringLiteral("notes"),
          QStringLiteral("remark"), QStringLiteral("remarks")},
         {QStringLiteral("备注")}},
    };
    return names;
}

ColumnMapping guessFromHeader(const QStringList &header)
{
    ColumnMapping mapping;
    QList<bool> taken(header.size(), false);
    QStringList words;
    for (const QString &cell : header)
        words.append(headerWord(cell));
    for (bool exact : {true, false}) {
        for (const FieldNames &field : fieldNames()) {
            if (mapping.*field.column >= 0)
                continue;
            const QStringList &wanted = exact ? field.exact : field.contains;
            for (const QString &name : wanted) {
                for (qsizetype i = 0; i < words.size() && mapping.*field.column < 0; ++i) {
                    if (taken.at(i) || words.at(i).isEmpty())
                        continue;
                    if (exact ? words.at(i) == name : words.at(i).contains(name)) {
                        mapping.*field.column = int(i);
                        taken[i] = true;
                    }
                }
                if (mapping.*field.column >= 0)
                    break;
            }
        }
    }
    // With separate money-out and money-in columns, a further "金额" column
    // is usually a running figure; the two columns say more.
    if (mapping.debit >= 0 && mapping.credit >= 0)
        mapping.amount = -1;
    return mapping;
}

int filledCells(const QStringList &cells)
{
    int count = 0;
    for (const QString &c : cells)
        if (!c.isEmpty())
            ++count;
    return count;
}

bool isFooterWord(const QString &text)
{
    static const QStringList words = {QStringLiteral("合计"), QStringLiteral("总计"), QStringLiteral("小计"),
                                      QStringLiteral("汇总"), QStringLiteral("本页"), QStringLiteral("total")};
    for (const QString &w : words)
        if (text.contains(w, Qt::CaseInsensitive))
            return true;
    return text.startsWith(QChar(0x5171)); // 共 N 笔
}

QString cellAt(const QStringList &cells, int column)
{
    return column >= 0 && column < cells.size() ? cells.at(column) : QString();
}

} // namespace

ColumnMapping GuessMapping(const BankTable &table)
{
    ColumnMapping mapping = guessFromHeader(table.header);
    mapping.headerLine = table.headerLine;
    return mapping;
}

namespace ReaderParts {

BankTable FindBankTable(const QString &path, const TextTable &table)
{
    int header = -1;
    for (int i = 0; i < table.rows.size() && header < 0; ++i)
        if (filledCells(table.rows.at(i)) >= 2 && guessFromHeader(table.rows.at(i)).isValid())
            header = i;
    if (header < 0) {
        // No names the program knows: the table is the run of rows of the
        // most common width, and its first row the header.
        QHash<int, int> widths;
        for (const QStringList &row : table.rows)
            if (filledCells(row) >= 2)
                ++widths[int(row.size())];
        int width = 0;
        for (auto it = widths.cbegin(); it != widths.cend(); ++it)
            if (it.value() > widths.value(width) || (it.value() == widths.value(width) && it.key() > width))
                width = it.key();
        for (int i = 0; i < table.rows.size() && header < 0; ++i)
            if (filledCells(table.rows.at(i)) >= 2 && table.rows.at(i).size() == width)
                header = i;
    }
    if (header < 0)
        throw ImportError(path, 0,
                          QStringLiteral("无法识别的文件：找不到表格（至少两列的表头行），不是可以导入的账单。"));
    BankTable bank;
    bank.headerLine = table.lines.at(header);
    bank.header = table.rows.at(header);
    for (int i = header + 1; i < table.rows.size(); ++i) {
        if (filledCells(table.rows.at(i)) == 0)
            continue;
        bank.rows.append(table.rows.at(i));
        bank.rowLines.append(table.lines.at(i));
    }
    return bank;
}

StatementFile ReadBankRows(const QString &path, const TextTable &table, const BankTable &bank,
                           const ColumnMapping &mapping, StatementSource source, const ReadCallbacks &callbacks)
{
    if (!mapping.isValid())
        throw ImportError(path, 0, QStringLiteral("列的对应不完整：至少要指定日期列和金额列（或支出、收入列）。"));
    // A header line the user chose in the dialog replaces the one found.
    QStringList header = bank.header;
    int first = 0;
    if (mapping.headerLine > 0 && mapping.headerLine != bank.headerLine) {
        const int index = int(table.lines.indexOf(mapping.headerLine));
        if (index < 0)
            throw ImportError(path, 0, QStringLiteral("列的对应指定的表头行（第 %1 行）在文件中不存在。")
                                           .arg(mapping.headerLine));
        header = table.rows.at(index);
        first = index + 1;
    } else {
        first = int(table.lines.indexOf(bank.headerLine)) + 1;
    }
    const int columns[] = {mapping.date,        mapping.time,         mapping.amount, mapping.debit, mapping.credit,
                           mapping.description, mapping.counterparty, mapping.memo,   mapping.balance};
    int needed = 0;
    for (int column : columns) {
        if (column >= int(header.size()))
            throw ImportError(path, mapping.headerLine > 0 ? mapping.headerLine : bank.headerLine,
                              QStringLiteral("列的对应与文件不符：表头只有 %1 列，对应中用到了第 %2 列。")
                                  .arg(header.size())
                                  .arg(column + 1));
        needed = std::max(needed, column + 1);
    }
    StatementFile file;
    file.path = path;
    file.source = source;
    const int total = int(table.rows.size());
    Progress progress(callbacks, total);
    for (int i = first; i < total; ++i) {
        progress.step(i + 1);
        const QStringList &cells = table.rows.at(i);
        const int line = table.lines.at(i);
        if (filledCells(cells) <= 1)
            continue; // blank lines and the bank's one-cell notes
        const QString when = cellAt(cells, mapping.date);
        if (when.isEmpty() || isFooterWord(when) || isFooterWord(cells.first()))
            continue;
        if (cells.size() < needed)
            throw ImportError(path, line, QStringLiteral("列的对应与文件不符：这一行只有 %1 列，对应用到了第 %2 列。")
                                              .arg(cells.size())
                                              .arg(needed));
        StatementRow row;
        row.line = line;
        const DateTimeText date = ParseStatementDate(when);
        if (date.status != DateStatus::Ok)
            throw ImportError(path, line, DateProblem(date.status, when));
        row.date = date.date;
        row.time = date.time;
        if (mapping.time >= 0 && !cellAt(cells, mapping.time).isEmpty()) {
            const QString timeText = cellAt(cells, mapping.time);
            row.time = NormalizeTime(timeText);
            if (row.time.isEmpty()) {
                // A time column may hold the whole "yyyy-MM-dd hh:mm:ss".
                const DateTimeText stamp = ParseStatementDate(timeText);
                if (stamp.status != DateStatus::Ok || stamp.time.isEmpty())
                    throw ImportError(path, line, QStringLiteral("时间“%1”无法识别。").arg(timeText));
                row.time = stamp.time;
            }
        }
        auto money = [&](int column, qint64 *cents) {
            const QString text = cellAt(cells, column);
            if (text.isEmpty() || text == QLatin1String("-") || text == QLatin1String("--"))
                return false;
            const std::optional<Money> m = ParseMoney(text);
            if (!m)
                throw ImportError(path, line, QStringLiteral("金额“%1”无法识别。").arg(text));
            *cents = m->cents;
            return true;
        };
        qint64 net = 0;
        if (mapping.amount >= 0) {
            if (!money(mapping.amount, &net))
                throw ImportError(path, line, QStringLiteral("金额列是空的。"));
            if (mapping.amountOutPositive)
                net = -net;
        } else {
            qint64 out = 0, in = 0;
            const bool hasOut = mapping.debit >= 0 && money(mapping.debit, &out);
            const bool hasIn = mapping.credit >= 0 && money(mapping.credit, &in);
            if (!hasOut && !hasIn)
                throw ImportError(path, line, QStringLiteral("支出列和收入列都是空的。"));
            // Some banks print debits as negative figures in their own column.
            net = (hasIn ? std::abs(in) : 0) - (hasOut ? std::abs(out) : 0);
        }
        row.direction = net < 0 ? Direction::Expense : Direction::Income;
        const qint64 cents = std::abs(net);
        row.amount = QStringLiteral("%1.%2").arg(cents / 100).arg(cents % 100, 2, 10, QLatin1Char('0'));
        row.goods = cellAt(cells, mapping.description);
        row.counterparty = cellAt(cells, mapping.counterparty);
        row.note = cellAt(cells, mapping.memo);
        file.rows.append(row);
    }
    return file;
}

} // namespace ReaderParts
