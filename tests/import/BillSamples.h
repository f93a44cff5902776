#pragma once

// Sample bills written from the published layouts: Alipay's CSV (GB18030,
// notes before and after the table, padded cells, a tab after order
// numbers) and WeChat Pay's CSV (UTF-8, 16 lines of notes).

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
