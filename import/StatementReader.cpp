#include "StatementReader.h"

#include "ReaderParts.h"

#include <QCryptographicHash>
#include <QFile>
#include <QHash>

using namespace ReaderParts;

namespace {

// Statement files are small; anything this large is not one, and reading it
// whole would only exhaust memory.
constexpr qint64 kLargestFile = 256LL * 1024 * 1024;

QByteArray readWholeFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ImportError(path, 0, QStringLiteral("无法打开文件：%1").arg(file.errorString()));
    if (file.size() > kLargestFile)
        throw ImportError(path, 0, QStringLiteral("文件太大（%1 MB），不是可以导入的账单。").arg(file.size() >> 20));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ImportError(path, 0, QStringLiteral("读取文件失败：%1").arg(file.errorString()));
    return bytes;
}

ImportError unknownFile(const QString &path)
{
    return ImportError(path, 0,
                       QStringLiteral("无法识别的文件：不是支付宝或微信账单、银行账单（CSV、Excel）、OFX/QFX "
                                      "或 QIF 文件。"));
}

bool looksLikeOfx(const QString &text)
{
    const QString head = text.left(4096).trimmed();
    return head.startsWith(QLatin1String("OFXHEADER"), Qt::CaseInsensitive) ||
           (head.contains(QLatin1String("<OFX>"), Qt::CaseInsensitive) &&
            (head.startsWith(QLatin1String("<?xml"), Qt::CaseInsensitive) ||
             head.startsWith(QLatin1String("<OFX>"), Qt::CaseInsensitive) ||
             head.contains(QLatin1String("<?OFX"), Qt::CaseInsensitive)));
}

bool looksLikeQif(const QString &text)
{
    QString first;
    for (const QString &line : QStringView(text).left(4096).toString().split(QLatin1Char('\n'))) {
        first = line.trimmed();
        if (!first.isEmpty())
            break;
    }
    return first.startsWith(QLatin1String("!Type:"), Qt::CaseInsensitive) ||
           first.startsWith(QLatin1String("!Account"), Qt::CaseInsensitive) ||
           first.startsWith(QLatin1String("!Option:"), Qt::CaseInsensitive) ||
           first.startsWith(QLatin1String("!Clear:"), Qt::CaseInsensitive);
}

// What a file's bytes hold, once the containers (zip) are opened.
struct Content {
    enum Kind { Table, Ofx, Qif } kind = Table;
    TextTable table;
    QString text;
    StatementSource bankSource = StatementSource::BankCsv;
};

Content openContent(const QString &path, const QByteArray &bytes, const ReadCallbacks &callbacks, bool inArchive)
{
    if (bytes.isEmpty())
        throw ImportError(path, 0, QStringLiteral("文件是空的。"));
    Content content;
    if (bytes.startsWith("PK\x03\x04") || bytes.startsWith("PK\x05\x06")) {
        if (IsXlsxArchive(bytes)) {
            content.table = ReadXlsxTable(path, bytes);
            content.bankSource = StatementSource::BankXls;
            return content;
        }
        if (inArchive)
            throw ImportError(path, 0, QStringLiteral("压缩包里又是一个压缩包，请先解压外层的压缩包。"));
        const ArchiveEntry entry = ReadArchiveEntry(path, bytes, callbacks);
        return openContent(path, entry.bytes, callbacks, true);
    }
    if (bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        // FreeXL reads only from a file; an .xls inside an encrypted archive
        // would have to be written out unencrypted first.
        if (inArchive)
            throw ImportError(path, 0, QStringLiteral("压缩包中的 .xls 工作簿不能直接导入，请先解压后导入该工作簿。"));
        content.table = ReadXlsTable(path);
        content.bankSource = StatementSource::BankXls;
        return content;
    }
    const std::optional<QString> text = DecodeStatementText(bytes);
    if (!text)
        throw unknownFile(path);
    if (looksLikeOfx(*text)) {
        if (inArchive)
            throw ImportError(path, 0, QStringLiteral("压缩包中的 OFX 文件不能直接导入，请先解压后导入。"));
        content.kind = Content::Ofx;
        content.text = *text;
        return content;
    }
    if (looksLikeQif(*text)) {
        content.kind = Content::Qif;
        content.text = *text;
        return content;
    }
    int badLine = 0;
    if (!SplitCsv(*text, &content.table, &badLine))
        throw ImportError(path, badLine, QStringLiteral("引号没有结束：文件不完整或已损坏。"));
    return content;
}

int paymentHeader(const TextTable &table, StatementSource *source)
{
    for (int i = 0; i < table.rows.size(); ++i) {
        if (const std::optional<StatementSource> kind = PaymentBillKind(table.rows.at(i))) {
            *source = *kind;
            return i;
        }
    }
    return -1;
}

QString paymentName(StatementSource source)
{
    return source == StatementSource::WeChat ? QStringLiteral("微信支付账单") : QStringLiteral("支付宝账单");
}

char directionCode(Direction direction)
{
    switch (direction) {
    case Direction::Expense:
        return 'E';
    case Direction::Income:
        return 'I';
    case Direction::Neutral:
        return 'N';
    }
    return '?';
}

QString skipReasonOf(StatementSource source, const StatementRow &row)
{
    const bool payment = source == StatementSource::Alipay || source == StatementSource::WeChat;
    if (payment) {
        if (row.status.contains(QStringLiteral("交易关闭")) || row.status == QStringLiteral("已关闭"))
            return QStringLiteral("交易关闭");
        if (row.status.contains(QStringLiteral("失败")))
            return row.status;
    }
    if (row.refund)
        return QString();
    if (row.direction == Direction::Neutral) {
        if (source == StatementSource::Alipay)
            return QStringLiteral("不计收支");
        if (source == StatementSource::WeChat)
            return row.category.isEmpty() ? QStringLiteral("不计收支") : row.category;
        return QStringLiteral("账户间转账");
    }
    if (row.amount == QLatin1String("0.00"))
        return QStringLiteral("金额为 0");
    return QString();
}

} // namespace

void AssignIdentities(StatementFile &file)
{
    const QString prefix = SourceName(file.source) + QLatin1Char(':');
    QHash<QByteArray, int> seen;
    seen.reserve(file.rows.size());
    for (StatementRow &row : file.rows) {
        const QChar sep(0x1f);
        const QString canonical = row.orderNo + sep + row.merchantNo + sep + row.date.toString(Qt::ISODate) + sep +
                                  row.time + sep + QLatin1Char(directionCode(row.direction)) + sep + row.amount +
                                  sep + row.counterparty + sep + row.goods;
        QByteArray key = canonical.toUtf8();
        const int ordinal = seen.value(key, 0);
        seen.insert(key, ordinal + 1);
        key += '\x1f' + QByteArray::number(ordinal);
        row.identity = prefix + QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex());
    }
}

void ClassifyRows(StatementFile &file)
{
    for (StatementRow &row : file.rows)
        if (row.skipReason.isEmpty() && row.badReason.isEmpty())
            row.skipReason = skipReasonOf(file.source, row);
    AssignIdentities(file);
}

StatementFile ReadStatement(const QString &path, const ReadCallbacks &callbacks)
{
    const Content content = openContent(path, readWholeFile(path), callbacks, false);
    StatementFile file;
    if (content.kind == Content::Ofx) {
        file = ReadOfxFile(path, content.text, callbacks);
    } else if (content.kind == Content::Qif) {
        file = ReadQifText(path, content.text, callbacks);
    } else {
        StatementSource source = StatementSource::Alipay;
        const int header = paymentHeader(content.table, &source);
        if (header >= 0) {
            file = ReadPaymentBill(path, content.table, header, source, callbacks);
        } else {
            const BankTable bank = FindBankTable(path, content.table);
            std::optional<ColumnMapping> mapping;
            if (callbacks.mapping)
                mapping = callbacks.mapping(path, bank);
            if (!mapping)
                throw ImportError(path, 0, QStringLiteral("没有指定银行账单各列的含义，文件未导入。"));
            file = ReadBankRows(path, content.table, bank, *mapping, content.bankSource, callbacks);
        }
    }
    file.path = path;
    ClassifyRows(file);
    return file;
}

BankTable ReadBankTable(const QString &path, const ReadCallbacks &callbacks)
{
    const Content content = openContent(path, readWholeFile(path), callbacks, false);
    if (content.kind == Content::Ofx)
        throw ImportError(path, 0, QStringLiteral("这是 OFX 文件，不需要指定各列的含义。"));
    if (content.kind == Content::Qif)
        throw ImportError(path, 0, QStringLiteral("这是 QIF 文件，不需要指定各列的含义。"));
    StatementSource source = StatementSource::Alipay;
    if (paymentHeader(content.table, &source) >= 0)
        throw ImportError(path, 0, QStringLiteral("这是%1，不需要指定各列的含义。").arg(paymentName(source)));
    return FindBankTable(path, content.table);
}
