// Alipay and WeChat Pay bills: a block of notes, a header line, the rows, and
// (Alipay) notes after them. The columns are found by their names, so both
// Alipay's older layout (交易号, 交易创建时间, 商品名称, 金额（元）) and the
// newer one (交易时间, 交易分类, 商品说明, 金额) read.
#include "ReaderParts.h"

#include "TextCodec.h"

namespace ReaderParts {
namespace {

struct Columns {
    int time = -1, category = -1, counterparty = -1, goods = -1, direction = -1, amount = -1, method = -1,
        status = -1, orderNo = -1, merchantNo = -1, note = -1;
};

int findColumn(const QStringList &header, std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        const QString wanted = QString::fromUtf8(name);
        for (qsizetype i = 0; i < header.size(); ++i)
            if (header.at(i) == wanted)
                return int(i);
    }
    return -1;
}

Columns alipayColumns(const QStringList &h)
{
    Columns c;
    c.time = findColumn(h, {"交易时间", "交易创建时间", "付款时间"});
    c.category = findColumn(h, {"交易分类", "类型"});
    c.counterparty = findColumn(h, {"交易对方"});
    c.goods = findColumn(h, {"商品说明", "商品名称"});
    c.direction = findColumn(h, {"收/支"});
    c.amount = findColumn(h, {"金额", "金额（元）", "金额(元)"});
    c.method = findColumn(h, {"收/付款方式"});
    c.status = findColumn(h, {"交易状态"});
    c.orderNo = findColumn(h, {"交易订单号", "交易号"});
    c.merchantNo = findColumn(h, {"商家订单号"});
    c.note = findColumn(h, {"备注"});
    return c;
}

Columns wechatColumns(const QStringList &h)
{
    Columns c;
    c.time = findColumn(h, {"交易时间"});
    c.category = findColumn(h, {"交易类型"});
    c.counterparty = findColumn(h, {"交易对方"});
    c.goods = findColumn(h, {"商品"});
    c.direction = findColumn(h, {"收/支"});
    c.amount = findColumn(h, {"金额(元)", "金额（元）", "金额"});
    c.method = findColumn(h, {"支付方式"});
    c.status = findColumn(h, {"当前状态"});
    c.orderNo = findColumn(h, {"交易单号"});
    c.merchantNo = findColumn(h, {"商户单号"});
    c.note = findColumn(h, {"备注"});
    return c;
}

bool complete(const Columns &c)
{
    return c.time >= 0 && c.counterparty >= 0 && c.direction >= 0 && c.amount >= 0;
}

int widest(const Columns &c)
{
    return std::max({c.time, c.category, c.counterparty, c.goods, c.direction, c.amount, c.method, c.status,
                     c.orderNo, c.merchantNo, c.note});
}

QString cell(const QStringList &cells, int column)
{
    if (column < 0 || column >= cells.size())
        return QString();
    QString text = cells.at(column);
    // Order numbers come as ="..." or with a leading quote mark in some
    // exports so spreadsheets keep their digits.
    if (text.startsWith(QLatin1String("=\"")) && text.endsWith(QLatin1Char('"')))
        text = text.mid(2, text.size() - 3);
    if (text.startsWith(QLatin1Char('`')) || text.startsWith(QLatin1Char('\'')))
        text.remove(0, 1);
    return TrimBlanks(text);
}

// WeChat writes "/" for a cell it has nothing for.
QString optionalCell(const QStringList &cells, int column)
{
    const QString text = cell(cells, column);
    return text == QLatin1String("/") ? QString() : text;
}

int nonEmptyCells(const QStringList &cells)
{
    int count = 0;
    for (const QString &c : cells)
        if (!c.isEmpty())
            ++count;
    return count;
}

} // namespace

std::optional<StatementSource> PaymentBillKind(const QStringList &header)
{
    if (header.size() < 4)
        return std::nullopt;
    const Columns w = wechatColumns(header);
    if (complete(w) && w.category >= 0 && w.status >= 0 && w.orderNo >= 0)
        return StatementSource::WeChat;
    const Columns a = alipayColumns(header);
    if (complete(a) && a.status >= 0 && a.orderNo >= 0)
        return StatementSource::Alipay;
    return std::nullopt;
}

StatementFile ReadPaymentBill(const QString &path, const TextTable &table, int headerIndex, StatementSource source,
                              const ReadCallbacks &callbacks)
{
    const QStringList &header = table.rows.at(headerIndex);
    const Columns c = source == StatementSource::WeChat ? wechatColumns(header) : alipayColumns(header);
    const int needed = widest(c) + 1;
    StatementFile file;
    file.path = path;
    file.source = source;
    const int total = int(table.rows.size());
    Progress progress(callbacks, total);
    file.rows.reserve(total - headerIndex);
    bool seenData = false;
    for (int i = headerIndex + 1; i < total; ++i) {
        progress.step(i + 1);
        const QStringList &cells = table.rows.at(i);
        const int line = table.lines.at(i);
        // A line of one cell is a note: after the rows it ends the table
        // (Alipay's closing "----" line and totals follow it).
        if (nonEmptyCells(cells) <= 1) {
            // A row cut off after its time is a truncated file, not a note.
            if (!cells.isEmpty() && !cells.first().isEmpty() && cells.first().at(0).isDigit())
                throw ImportError(path, line, QStringLiteral("这一行不完整；文件可能不完整或已损坏。"));
            if (seenData && !cells.isEmpty())
                break;
            continue;
        }
        if (cells.size() < needed)
            throw ImportError(path, line,
                              QStringLiteral("这一行只有 %1 列，账单的表头有 %2 列；文件可能不完整或已损坏。")
                                  .arg(cells.size())
                                  .arg(header.size()));
        seenData = true;
        StatementRow row;
        row.line = line;
        const QString when = cell(cells, c.time);
        const DateTimeText date = ParseStatementDate(when);
        if (date.status != DateStatus::Ok)
            throw ImportError(path, line, DateProblem(date.status, when));
        row.date = date.date;
        row.time = date.time;
        const QString money = cell(cells, c.amount);
        const std::optional<Money> amount = ParseMoney(money);
        if (!amount || amount->negative)
            throw ImportError(path, line, QStringLiteral("金额“%1”无法识别。").arg(money));
        row.amount = amount->amount;
        const QString direction = cell(cells, c.direction);
        if (direction == QStringLiteral("支出"))
            row.direction = Direction::Expense;
        else if (direction == QStringLiteral("收入"))
            row.direction = Direction::Income;
        else
            row.direction = Direction::Neutral; // 不计收支, "/", or empty in the older layout
        row.category = cell(cells, c.category);
        row.counterparty = cell(cells, c.counterparty);
        row.goods = optionalCell(cells, c.goods);
        row.method = cell(cells, c.method);
        row.status = cell(cells, c.status);
        row.orderNo = cell(cells, c.orderNo);
        row.merchantNo = optionalCell(cells, c.merchantNo);
        row.note = optionalCell(cells, c.note);
        const bool refundText = row.status.contains(QStringLiteral("退款")) ||
                                row.category.contains(QStringLiteral("退款")) ||
                                row.goods.startsWith(QStringLiteral("退款"));
        // The payment a refund undoes keeps its 支出 and stays money spent
        // ("已全额退款" on WeChat's original row); the refund is the row
        // bringing money back.
        row.refund = refundText && row.direction != Direction::Expense;
        file.rows.append(row);
    }
    return file;
}

} // namespace ReaderParts
