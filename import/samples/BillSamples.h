#pragma once

// Sample statements for the tests and the benchmarks, written from the
// published layouts: Alipay's CSV (GB18030, notes before and after the
// table, padded cells, a tab after order numbers), WeChat Pay's CSV (UTF-8,
// 16 lines of notes), and the zip archives and .xlsx workbooks they come in.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace Samples {

struct AlipayRow {
    QString time, category, counterparty, goods, direction, amount, status, orderNo, merchantNo;
};

struct WeChatRow {
    QString time, type, counterparty, goods, direction, amount, status, orderNo, merchantNo;
};

enum class Encoding { Utf8, Utf8Bom, Gb18030 };

QByteArray Encode(const QString &text, Encoding encoding);

// The newer layout (with 交易分类), or the older one (交易号 first,
// 交易创建时间, 商品名称, 金额（元）), with the notes around the table.
QString AlipayCsv(const QList<AlipayRow> &rows, bool olderLayout = false, const QString &exportedAt = QString());
QString WeChatCsv(const QList<WeChatRow> &rows, const QString &exportedAt = QString());

QString WriteFile(const QString &folder, const QString &name, const QByteArray &bytes);

} // namespace Samples

namespace Samples {

struct ZipEntry {
    QString name;
    QByteArray bytes;
};
// A zip archive made with QuaZip's own writer; with a password every entry
// is ZipCrypto-encrypted, as mailed bills are.
QByteArray MakeZip(const QList<ZipEntry> &entries, const QByteArray &password = QByteArray());

// One cell of a sample worksheet: a shared string, an inline string, or a
// number with or without a date style.
struct SheetCell {
    enum Kind { Shared, Inline, Number, Date } kind = Shared;
    QString text;
};
// A minimal .xlsx: content types, workbook and its relations, shared
// strings, styles (style 1 is a date format) and one worksheet whose rows
// start at firstRow.
QByteArray MakeXlsx(const QList<QList<SheetCell>> &rows, int firstRow = 1);

} // namespace Samples
