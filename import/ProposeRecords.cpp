#include "ProposeRecords.h"

#include "AmountText.h"
#include "TextCodec.h"

namespace {

const QString kExpense = QStringLiteral("支出");
const QString kIncome = QStringLiteral("收入");

// The defaults' own names for "anything else" (resources/DefaultLists.cpp).
const QString kOtherExpense = QStringLiteral("其他支出");
const QString kOtherIncome = QStringLiteral("其他收入");

struct BuiltIn {
    StatementSource source;
    const char *category; // the source's class; for WeChat a prefix of 交易类型
    const char *type;
    const char *item; // a name in the default item-name lists
};

// Only names the default lists hold: a new user's item box offers exactly
// these, so an imported record files under an item they already have.
const BuiltIn kBuiltIns[] = {
    {StatementSource::Alipay, "餐饮美食", "支出", "外出就餐"},
    {StatementSource::Alipay, "交通出行", "支出", "公共交通费"},
    {StatementSource::Alipay, "日用百货", "支出", "日常用品"},
    {StatementSource::Alipay, "转账红包", "收入", "礼物收入"},
    {StatementSource::Alipay, "转账红包", "支出", "礼品礼金"},
    {StatementSource::Alipay, "服饰装扮", "支出", "购物"},
    {StatementSource::Alipay, "数码电器", "支出", "购物"},
    {StatementSource::Alipay, "家居家装", "支出", "购物"},
    {StatementSource::Alipay, "医疗健康", "支出", "医疗药品费"},
    {StatementSource::Alipay, "文化休闲", "支出", "娱乐费"},
    {StatementSource::Alipay, "教育培训", "支出", "培训费"},
    {StatementSource::Alipay, "酒店旅游", "支出", "旅游度假"},
    {StatementSource::Alipay, "爱车养车", "支出", "汽车维护费"},
    {StatementSource::Alipay, "住房物业", "支出", "房租"},
    {StatementSource::WeChat, "微信红包", "收入", "礼物收入"},
    {StatementSource::WeChat, "微信红包", "支出", "礼品礼金"},
    {StatementSource::WeChat, "转账", "收入", "礼物收入"},
    {StatementSource::WeChat, "转账", "支出", "礼品礼金"},
};

QString collapseLines(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QChar(0x2028), QLatin1Char(' '));
    text.replace(QChar(0x2029), QLatin1Char(' '));
    return text;
}

// A cut that never leaves half of a surrogate pair behind.
QString cutAt(const QString &text, int limit)
{
    if (text.size() <= limit)
        return text;
    int end = limit;
    if (end > 0 && text.at(end - 1).isHighSurrogate())
        --end;
    return text.left(end);
}

// The few characters the ledger's text encoding cannot carry would make the
// whole save fail; in a memo made from a bill they become U+FFFD instead.
QString storable(const QString &text)
{
    if (!Gbk::firstUnstorable(text))
        return text;
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype width = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            width = 2;
        const QString piece = text.mid(i, width);
        result += Gbk::firstUnstorable(piece) ? QString(QChar(0xfffd)) : piece;
        i += width - 1;
    }
    return result;
}

QString itemFromRules(const StatementRow &row, const QString &recordType, const QList<ItemRule> &rules)
{
    for (const ItemRule &rule : rules) {
        const QString text = TrimBlanks(rule.text);
        if (text.isEmpty() || rule.item.isEmpty() || rule.recordType != recordType)
            continue;
        if (row.counterparty.contains(text, Qt::CaseInsensitive) || row.goods.contains(text, Qt::CaseInsensitive))
            return rule.item;
    }
    return QString();
}

} // namespace

QString BuiltInItem(StatementSource source, const QString &category, const QString &recordType)
{
    for (const BuiltIn &entry : kBuiltIns) {
        if (entry.source != source || recordType != QString::fromUtf8(entry.type))
            continue;
        const QString name = QString::fromUtf8(entry.category);
        // WeChat writes variants: 微信红包（单发）, 转账-退款, 微信红包-群红包.
        const bool match = source == StatementSource::WeChat ? category.startsWith(name) : category == name;
        if (match)
            return QString::fromUtf8(entry.item);
    }
    return QString();
}

QStringList BuiltInItemNames()
{
    QStringList names;
    for (const BuiltIn &entry : kBuiltIns)
        if (!names.contains(QString::fromUtf8(entry.item)))
            names.append(QString::fromUtf8(entry.item));
    names << kOtherExpense << kOtherIncome;
    return names;
}

QString ImportMemo(const StatementRow &row)
{
    QString memo = row.counterparty;
    if (!row.goods.isEmpty() && row.goods != row.counterparty) {
        if (!memo.isEmpty())
            memo += QLatin1Char(' ');
        memo += row.goods;
    }
    return TrimBlanks(cutAt(storable(TrimBlanks(collapseLines(memo))), kImportMemoLimit));
}

QList<ProposedRecord> ProposeRecords(const StatementFile &file, const QList<ItemRule> &userRules)
{
    QList<ProposedRecord> records;
    records.reserve(file.rows.size());
    for (const StatementRow &row : file.rows) {
        ProposedRecord record;
        record.row = row;
        record.recordType = row.direction == Direction::Income || row.refund ? kIncome : kExpense;
        record.memo = ImportMemo(row);
        record.item = itemFromRules(row, record.recordType, userRules);
        if (record.item.isEmpty() && !row.refund)
            record.item = BuiltInItem(file.source, row.category, record.recordType);
        if (record.item.isEmpty())
            record.item = record.recordType == kIncome ? kOtherIncome : kOtherExpense;
        const AmountResult amount = NormalizeAmount(row.amount);
        if (amount.status == AmountStatus::Ok)
            record.amount = amount.text;

        if (!row.badReason.isEmpty()) {
            record.state = RowState::Bad;
            record.reason = row.badReason;
        } else if (!row.skipReason.isEmpty()) {
            record.state = RowState::Skipped;
            record.reason = row.skipReason;
        } else if (amount.status != AmountStatus::Ok) {
            // Rows that spend or earn nothing were skipped above; an amount
            // the entry panels' rule refuses here is a damaged row.
            record.state = RowState::Bad;
            record.reason = QStringLiteral("金额“%1”无法识别").arg(row.amount);
        } else if (row.refund) {
            record.state = RowState::Refund;
            record.reason = QStringLiteral("退款");
        } else {
            record.state = RowState::New;
            record.ticked = true;
        }
        records.append(record);
    }
    return records;
}
