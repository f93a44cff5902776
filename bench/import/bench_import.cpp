// Reads and classifies 10,000-row bills (WeChat CSV and .xlsx, Alipay CSV in
// GB18030, an encrypted zip) the way the import does: ReadStatement, then
// ProposeRecords with a few user rules. Prints each figure beside its target.
#include "BillSamples.h"
#include "ProposeRecords.h"
#include "StatementReader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace Samples;

namespace {

constexpr int kRows = 10000;
constexpr qint64 kTargetMs = 1000;

QString stamp(int i)
{
    const QDate day = QDate(2026, 1, 1).addDays(i % 365);
    return QStringLiteral("%1 %2:%3:%4")
        .arg(day.toString(Qt::ISODate))
        .arg(i / 60 % 24, 2, 10, QLatin1Char('0'))
        .arg(i % 60, 2, 10, QLatin1Char('0'))
        .arg(i * 7 % 60, 2, 10, QLatin1Char('0'));
}

QList<WeChatRow> wechatRows()
{
    const char *types[] = {"商户消费", "商户消费", "商户消费", "微信红包", "转账", "零钱提现", "商户消费-退款"};
    QList<WeChatRow> rows;
    for (int i = 0; i < kRows; ++i) {
        const QString type = QString::fromUtf8(types[i % 7]);
        const bool income = type == QStringLiteral("微信红包") || type.endsWith(QStringLiteral("退款"));
        const QString direction = type == QStringLiteral("零钱提现") ? QStringLiteral("/")
                                  : income                           ? QStringLiteral("收入")
                                                                     : QStringLiteral("支出");
        rows.append({stamp(i), type, QStringLiteral("商户%1").arg(i % 500), QStringLiteral("商品 %1 号").arg(i % 900),
                     direction, QStringLiteral("¥%1.%2").arg(1 + i % 300).arg(i % 100, 2, 10, QLatin1Char('0')),
                     QStringLiteral("支付成功"), QStringLiteral("42000%1").arg(i / 2), QStringLiteral("/")});
    }
    return rows;
}

QList<AlipayRow> alipayRows()
{
    const char *classes[] = {"餐饮美食", "交通出行", "日用百货", "转账红包", "投资理财"};
    QList<AlipayRow> rows;
    for (int i = 0; i < kRows; ++i)
        rows.append({stamp(i), QString::fromUtf8(classes[i % 5]), QStringLiteral("商家%1").arg(i % 400),
                     QStringLiteral("商品说明 %1").arg(i % 700), i % 5 == 4 ? QStringLiteral("不计收支") : QStringLiteral("支出"),
                     QStringLiteral("%1.%2").arg(2 + i % 200).arg(i % 100, 2, 10, QLatin1Char('0')),
                     i % 13 == 0 ? QStringLiteral("交易关闭") : QStringLiteral("交易成功"),
                     QStringLiteral("2026%1").arg(i, 12, 10, QLatin1Char('0')), QStringLiteral("T%1").arg(i)});
    return rows;
}

QList<QList<SheetCell>> sheetOf(const QString &csv)
{
    // The same table as cells: the time as a dated number, the rest text.
    QList<QList<SheetCell>> sheet;
    const QStringList lines = csv.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (int i = 0; i < lines.size(); ++i) {
        QList<SheetCell> cells;
        const QStringList parts = lines.at(i).split(QLatin1Char(','));
        for (int c = 0; c < parts.size(); ++c) {
            QString text = parts.at(c).trimmed();
            if (text.startsWith(QLatin1Char('"')))
                text = text.mid(1, text.size() - 2);
            const QDateTime when = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            if (i > 16 && c == 0 && when.isValid()) {
                const double serial = double(QDate(1899, 12, 30).daysTo(when.date())) +
                                      when.time().msecsSinceStartOfDay() / 86400000.0;
                cells.append({SheetCell::Date, QString::number(serial, 'f', 8)});
            } else {
                cells.append({SheetCell::Shared, text});
            }
        }
        sheet.append(cells);
    }
    return sheet;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString wechatCsv = WeChatCsv(wechatRows());
    struct Case {
        const char *label;
        QString path;
    } cases[] = {
        {"WeChat CSV (UTF-8)", WriteFile(dir.path(), QStringLiteral("wechat.csv"), wechatCsv.toUtf8())},
        {"WeChat .xlsx", WriteFile(dir.path(), QStringLiteral("wechat.xlsx"), MakeXlsx(sheetOf(wechatCsv)))},
        {"Alipay CSV (GB18030)",
         WriteFile(dir.path(), QStringLiteral("alipay.csv"), Encode(AlipayCsv(alipayRows()), Encoding::Gb18030))},
        {"WeChat CSV in an encrypted zip",
         WriteFile(dir.path(), QStringLiteral("wechat.zip"),
                   MakeZip({{QStringLiteral("bill.csv"), wechatCsv.toUtf8()}}, "123456"))},
    };
    const QList<ItemRule> rules = {{QStringLiteral("商户1"), QStringLiteral("外出就餐"), QStringLiteral("支出")},
                                   {QStringLiteral("商品 5"), QStringLiteral("日常用品"), QStringLiteral("支出")},
                                   {QStringLiteral("商家3"), QStringLiteral("购物"), QStringLiteral("支出")}};
    ReadCallbacks callbacks;
    callbacks.password = [](const QString &, bool) -> std::optional<QString> { return QStringLiteral("123456"); };
    int progressCalls = 0;
    callbacks.progress = [&](int, int) { ++progressCalls; };

    std::printf("read and classify a %d-row bill (ReadStatement + ProposeRecords), best and worst of 3 runs\n", kRows);
    int missed = 0;
    for (const Case &c : cases) {
        qint64 best = -1, worst = 0, readMs = 0, proposeMs = 0;
        int rows = 0, fresh = 0;
        for (int run = 0; run < 3; ++run) {
            QElapsedTimer timer;
            timer.start();
            const StatementFile file = ReadStatement(c.path, callbacks);
            const qint64 read = timer.elapsed();
            const QList<ProposedRecord> records = ProposeRecords(file, rules);
            const qint64 ms = timer.elapsed();
            if (best < 0 || ms < best)
                readMs = read, proposeMs = ms - read;
            best = best < 0 ? ms : std::min(best, ms);
            worst = std::max(worst, ms);
            rows = int(records.size());
            fresh = int(std::count_if(records.begin(), records.end(),
                                      [](const ProposedRecord &r) { return r.state == RowState::New; }));
        }
        const bool ok = worst <= kTargetMs && rows == kRows;
        missed += ok ? 0 : 1;
        std::printf("  %-32s %5lld ms (read %lld + propose %lld; worst %lld ms)  target <= %lld ms  %d rows, %d new%s\n",
                    c.label, best, readMs, proposeMs, worst, kTargetMs, rows, fresh, ok ? "" : "  MISSED");
    }
    std::printf("progress reported %d times\n", progressCalls);
    // The machine is shared; the figures mean little without its load.
    QFile load(QStringLiteral("/proc/loadavg"));
    if (load.open(QIODevice::ReadOnly))
        std::printf("load average: %s", load.readLine().constData());
    return missed == 0 ? 0 : 1;
}
