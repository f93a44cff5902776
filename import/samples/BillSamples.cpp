#include "BillSamples.h"

#include "TextCodec.h"

#include <QFile>

namespace Samples {

QByteArray Encode(const QString &text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8:
        return text.toUtf8();
    case Encoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Gb18030:
        return Gbk::encode(text);
    }
    return QByteArray();
}

QString AlipayCsv(const QList<AlipayRow> &rows, bool olderLayout, const QString &exportedAt)
{
    QString text;
    const QString when = exportedAt.isEmpty() ? QStringLiteral("2026-12-01 10:00:00") : exportedAt;
    if (olderLayout) {
        text += QStringLiteral("支付宝交易记录明细查询\n账号:[13800000000]\n起始日期:[2026-11-01 00:00:00]    "
                               "终止日期:[2026-12-01 00:00:00]\n");
        text += QStringLiteral("---------------------------------交易记录明细列表------------------------------------\n");
        text += QStringLiteral("交易号              ,商家订单号               ,交易创建时间              ,付款时间                ,"
                               "最近修改时间              ,交易来源地     ,类型              ,交易对方            ,"
                               "商品名称                ,金额（元）   ,收/支     ,交易状态    ,服务费（元）   ,"
                               "成功退款（元）  ,备注                  ,资金状态     ,\n");
        for (const AlipayRow &r : rows)
            text += QStringLiteral("%1\t,%2\t,%3 ,%3 ,%3 ,其他（包括阿里巴巴和外部商家）,即时到账交易 ,%4 ,%5 ,%6 ,%7 ,"
                                   "%8 ,0.00 ,0.00 , ,已支出 ,\n")
                        .arg(r.orderNo, r.merchantNo, r.time, r.counterparty, r.goods,
                             QStringLiteral("%1").arg(r.amount, -10), r.direction, r.status);
        text += QStringLiteral("------------------------------------------------------------------------------------\n");
        text += QStringLiteral("共%1笔记录\n已收入:0笔,0.00元\n待收入:0笔,0.00元\n已支出:%1笔,1.00元\n导出时间:[%2]\n")
                    .arg(rows.size())
                    .arg(when);
        return text;
    }
    text += QStringLiteral("------------------------------------------------------------------------------------\n");
    text += QStringLiteral("导出信息：\n姓名：张三\n支付宝账户：138****0000\n");
    text += QStringLiteral("起始时间：[2026-11-01 00:00:00]    终止时间：[2026-11-30 23:59:59]\n");
    text += QStringLiteral("导出交易类型：[全部]\n导出时间：[%1]\n共%2笔记录\n").arg(when).arg(rows.size());
    text += QStringLiteral("收入：0笔 0.00元\n支出：0笔 0.00元\n不计收支：0笔 0.00元\n\n");
    text += QStringLiteral("特别提示：\n1.本回单内容可表明支付宝受理了此笔业务，不代表交易成功。\n");
    text += QStringLiteral("----------------------------支付宝（中国）网络技术有限公司  电子客户回单----------------------------\n");
    text += QStringLiteral("交易时间,交易分类,交易对方,对方账号,商品说明,收/支,金额,收/付款方式,交易状态,交易订单号,商家订单号,备注,\n");
    for (const AlipayRow &r : rows)
        text += QStringLiteral("%1,%2,%3,acc***@example.com,%4,%5,  %6  ,余额宝,%7,%8\t,%9\t,,\n")
                    .arg(r.time, r.category, r.counterparty, r.goods, r.direction, r.amount, r.status, r.orderNo,
                         r.merchantNo);
    return text;
}

QString WeChatCsv(const QList<WeChatRow> &rows, const QString &exportedAt)
{
    const QString when = exportedAt.isEmpty() ? QStringLiteral("2026-12-01 10:00:00") : exportedAt;
    QStringList notes = {
        QStringLiteral("微信支付账单明细,,,,,,,,"),
        QStringLiteral("微信昵称：[小明],,,,,,,,"),
        QStringLiteral("起始时间：[2026-11-01 00:00:00] 终止时间：[2026-11-30 23:59:59],,,,,,,,"),
        QStringLiteral("导出类型：[全部],,,,,,,,"),
        QStringLiteral("导出时间：[%1],,,,,,,,").arg(when),
        QStringLiteral(",,,,,,,,"),
        QStringLiteral("共%1笔记录,,,,,,,,").arg(rows.size()),
        QStringLiteral("收入：0笔 0.00元,,,,,,,,"),
        QStringLiteral("支出：0笔 0.00元,,,,,,,,"),
        QStringLiteral("中性交易：0笔 0.00元,,,,,,,,"),
        QStringLiteral("注：,,,,,,,,"),
        QStringLiteral("1. 充值/提现/理财通购买/零钱通存取/信用卡还款等交易，将计入中性交易,,,,,,,,"),
        QStringLiteral("2. 本明细仅展示当前账单中的交易，不包括已删除的记录,,,,,,,,"),
        QStringLiteral("3. 本明细仅供个人对账使用,,,,,,,,"),
        QStringLiteral(",,,,,,,,"),
        QStringLiteral("----------------------微信支付账单明细列表--------------------,,,,,,,,"),
    };
    QString text = notes.join(QLatin1Char('\n')) + QLatin1Char('\n');
    text += QStringLiteral("交易时间,交易类型,交易对方,商品,收/支,金额(元),支付方式,当前状态,交易单号,商户单号,备注\n");
    for (const WeChatRow &r : rows)
        text += QStringLiteral("%1,%2,%3,\"%4\",%5,%6,零钱,%7,%8\t,%9\t,/\n")
                    .arg(r.time, r.type, r.counterparty, r.goods, r.direction, r.amount, r.status, r.orderNo,
                         r.merchantNo);
    return text;
}

QString WriteFile(const QString &folder, const QString &name, const QByteArray &bytes)
{
    const QString path = folder + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace Samples

#include <QBuffer>
#include <QHash>
#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>
#include <quacrc32.h>

namespace Samples {

QByteArray MakeZip(const QList<ZipEntry> &entries, const QByteArray &password)
{
    QBuffer buffer;
    {
        QuaZip zip(&buffer);
        if (!zip.open(QuaZip::mdCreate))
            qFatal("cannot create a zip in memory");
        for (const ZipEntry &entry : entries) {
            QuaZipFile file(&zip);
            const quint32 crc = QuaCrc32().calculate(entry.bytes);
            if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(entry.name),
                           password.isEmpty() ? nullptr : password.constData(), crc))
                qFatal("cannot add %s", qPrintable(entry.name));
            if (file.write(entry.bytes) != entry.bytes.size())
                qFatal("cannot write %s", qPrintable(entry.name));
            file.close();
        }
        zip.close();
        if (zip.getZipError() != 0)
            qFatal("zip error %d", zip.getZipError());
    }
    return buffer.data();
}

namespace {
QString columnName(int column)
{
    QString name;
    for (++column; column > 0; column = (column - 1) / 26)
        name.prepend(QChar('A' + (column - 1) % 26));
    return name;
}
QString escaped(const QString &text) { return text.toHtmlEscaped(); }
} // namespace

QByteArray MakeXlsx(const QList<QList<SheetCell>> &rows, int firstRow)
{
    QStringList shared;
    QHash<QString, qsizetype> sharedIndex;
    QString sheet = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                                   "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                                   "<sheetData>");
    for (int r = 0; r < rows.size(); ++r) {
        const int rowNumber = firstRow + r;
        sheet += QStringLiteral("<row r=\"%1\">").arg(rowNumber);
        for (int c = 0; c < rows.at(r).size(); ++c) {
            const SheetCell &cell = rows.at(r).at(c);
            if (cell.text.isEmpty() && cell.kind != SheetCell::Inline)
                continue; // sheets leave empty cells out
            const QString ref = columnName(c) + QString::number(rowNumber);
            switch (cell.kind) {
            case SheetCell::Shared: {
                qsizetype index = sharedIndex.value(cell.text, -1);
                if (index < 0) {
                    index = shared.size();
                    shared.append(cell.text);
                    sharedIndex.insert(cell.text, index);
                }
                sheet += QStringLiteral("<c r=\"%1\" t=\"s\"><v>%2</v></c>").arg(ref).arg(index);
                break;
            }
            case SheetCell::Inline:
                sheet += QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t>%2</t></is></c>").arg(ref, escaped(cell.text));
                break;
            case SheetCell::Number:
                sheet += QStringLiteral("<c r=\"%1\"><v>%2</v></c>").arg(ref, cell.text);
                break;
            case SheetCell::Date:
                sheet += QStringLiteral("<c r=\"%1\" s=\"1\"><v>%2</v></c>").arg(ref, cell.text);
                break;
            }
        }
        sheet += QStringLiteral("</row>");
    }
    sheet += QStringLiteral("</sheetData></worksheet>");

    QString strings = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                                     "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                                     "count=\"%1\" uniqueCount=\"%1\">")
                          .arg(shared.size());
    for (const QString &text : shared)
        strings += QStringLiteral("<si><t xml:space=\"preserve\">%1</t></si>").arg(escaped(text));
    strings += QStringLiteral("</sst>");

    const QString types = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
        "</Types>");
    const QString rootRels = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
        "Target=\"xl/workbook.xml\"/></Relationships>");
    const QString workbook = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<sheets><sheet name=\"账单\" sheetId=\"1\" r:id=\"rId7\"/></sheets></workbook>");
    const QString workbookRels = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
        "Target=\"styles.xml\"/>"
        "<Relationship Id=\"rId7\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
        "Target=\"worksheets/sheet1.xml\"/></Relationships>");
    const QString styles = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<numFmts count=\"1\"><numFmt numFmtId=\"176\" formatCode=\"yyyy\\-mm\\-dd\\ hh:mm:ss\"/></numFmts>"
        "<cellXfs count=\"2\"><xf numFmtId=\"0\"/><xf numFmtId=\"176\" applyNumberFormat=\"1\"/></cellXfs>"
        "</styleSheet>");
    return MakeZip({{QStringLiteral("[Content_Types].xml"), types.toUtf8()},
                    {QStringLiteral("_rels/.rels"), rootRels.toUtf8()},
                    {QStringLiteral("xl/workbook.xml"), workbook.toUtf8()},
                    {QStringLiteral("xl/_rels/workbook.xml.rels"), workbookRels.toUtf8()},
                    {QStringLiteral("xl/styles.xml"), styles.toUtf8()},
                    {QStringLiteral("xl/sharedStrings.xml"), strings.toUtf8()},
                    {QStringLiteral("xl/worksheets/sheet1.xml"), sheet.toUtf8()}});
}

} // namespace Samples
