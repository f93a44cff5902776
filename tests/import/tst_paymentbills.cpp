// Alipay and WeChat Pay bills read into rows, classified and proposed.
#include "BillSamples.h"
#include "DefaultLists.h"
#include "ProposeRecords.h"
#include "StatementReader.h"
#include "TextCodec.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace Samples;

Q_DECLARE_METATYPE(Samples::Encoding)

namespace {

AlipayRow alipay(const QString &time, const QString &category, const QString &counterparty, const QString &goods,
                 const QString &direction, const QString &amount, const QString &status, const QString &orderNo)
{
    return {time, category, counterparty, goods, direction, amount, status, orderNo, QStringLiteral("M") + orderNo};
}

WeChatRow wechat(const QString &time, const QString &type, const QString &counterparty, const QString &goods,
                 const QString &direction, const QString &amount, const QString &status, const QString &orderNo)
{
    return {time, type, counterparty, goods, direction, amount, status, orderNo, QStringLiteral("/")};
}

QString stateName(RowState state)
{
    switch (state) {
    case RowState::New: return QStringLiteral("new");
    case RowState::Imported: return QStringLiteral("imported");
    case RowState::MaybeTyped: return QStringLiteral("maybe-typed");
    case RowState::Refund: return QStringLiteral("refund");
    case RowState::Skipped: return QStringLiteral("skipped");
    case RowState::Bad: return QStringLiteral("bad");
    }
    return QString();
}

QStringList identities(const StatementFile &file)
{
    QStringList list;
    for (const StatementRow &row : file.rows)
        list.append(row.identity);
    return list;
}

} // namespace

class TestPaymentBills : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;

    QString write(const QByteArray &bytes)
    {
        return WriteFile(m_dir.path(), QStringLiteral("bill%1.csv").arg(++m_files), bytes);
    }

private slots:
    void alipayRows_data();
    void alipayRows();
    void alipayOlderLayout();
    void wechatRows_data();
    void wechatRows();
    void encodings_data();
    void encodings();
    void overlappingExports();
    void reusedOrderNumbersAndTwinRows();
    void refusedFiles_data();
    void refusedFiles();
    void memo_data();
    void memo();
    void userRulesComeFirst();
    void builtInItemsAreDefaultNames();
    void progressReachesTheEnd();
};

void TestPaymentBills::alipayRows_data()
{
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("direction");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("goods");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("wantAmount");

    QTest::newRow("meal") << "餐饮美食" << "支出" << "28.50" << "交易成功" << "午餐" << "new" << "支出" << "外出就餐" << ""
                          << "28.50";
    QTest::newRow("goods not yet received is spent")
        << "日用百货" << "支出" << "1,299.00" << "等待确认收货" << "纸巾" << "new" << "支出" << "日常用品" << ""
        << "1299.00";
    QTest::newRow("transport") << "交通出行" << "支出" << "3" << "交易成功" << "地铁" << "new" << "支出" << "公共交通费"
                               << "" << "3.00";
    QTest::newRow("red packet received") << "转账红包" << "收入" << "66.6" << "交易成功" << "红包" << "new" << "收入"
                                         << "礼物收入" << "" << "66.60";
    QTest::newRow("unknown class, income") << "投资理财" << "收入" << "1.23" << "交易成功" << "收益" << "new" << "收入"
                                           << "其他收入" << "" << "1.23";
    QTest::newRow("unknown class, expense") << "美容美发" << "支出" << "80.00" << "交易成功" << "理发" << "new"
                                            << "支出" << "其他支出" << "" << "80.00";
    QTest::newRow("closed") << "餐饮美食" << "支出" << "15.00" << "交易关闭" << "外卖" << "skipped" << "支出"
                            << "外出就餐" << "交易关闭" << "15.00";
    QTest::newRow("failed") << "餐饮美食" << "支出" << "15.00" << "支付失败" << "外卖" << "skipped" << "支出"
                            << "外出就餐" << "支付失败" << "15.00";
    QTest::newRow("neutral") << "投资理财" << "不计收支" << "500.00" << "交易成功" << "余额宝-转入" << "skipped"
                             << "支出" << "其他支出" << "不计收支" << "500.00";
    QTest::newRow("refund") << "退款" << "不计收支" << "15.00" << "退款成功" << "退款-外卖" << "refund" << "收入"
                            << "其他收入" << "退款" << "15.00";
    QTest::newRow("refund as income") << "餐饮美食" << "收入" << "9.90" << "退款成功" << "退款-奶茶" << "refund"
                                      << "收入" << "其他收入" << "退款" << "9.90";
    QTest::newRow("zero") << "其他" << "支出" << "0.00" << "交易成功" << "免费券" << "skipped" << "支出" << "其他支出"
                          << "金额为 0" << "";
}

void TestPaymentBills::alipayRows()
{
    QFETCH(QString, category);
    QFETCH(QString, direction);
    QFETCH(QString, amount);
    QFETCH(QString, status);
    QFETCH(QString, goods);
    const QList<AlipayRow> rows = {
        alipay("2026-11-29 08:00:00", "餐饮美食", "早餐店", "包子", "支出", "5.00", "交易成功", "2026112900001"),
        alipay("2026-11-30 12:01:02", category, "某某商户", goods, direction, amount.contains(',') ? '"' + amount + '"' : amount,
               status, "2026113000002"),
    };
    const StatementFile file = ReadStatement(write(Encode(AlipayCsv(rows), Encoding::Gb18030)));
    QCOMPARE(file.source, StatementSource::Alipay);
    QCOMPARE(file.rows.size(), 2);
    const StatementRow &row = file.rows.at(1);
    QCOMPARE(row.date, QDate(2026, 11, 30));
    QCOMPARE(row.time, QStringLiteral("12:01:02"));
    QCOMPARE(row.orderNo, QStringLiteral("2026113000002")); // the tab after it is gone
    QCOMPARE(row.counterparty, QStringLiteral("某某商户"));
    QCOMPARE(row.line, 18); // 16 lines of notes and the header before it, then the first row

    const QList<ProposedRecord> records = ProposeRecords(file, {});
    const ProposedRecord &record = records.at(1);
    QTEST(stateName(record.state), "state");
    QTEST(record.recordType, "type");
    QTEST(record.item, "item");
    QTEST(record.reason, "reason");
    QFETCH(QString, wantAmount);
    if (!wantAmount.isEmpty())
        QCOMPARE(record.amount, wantAmount);
    QCOMPARE(record.ticked, record.state == RowState::New);
    QCOMPARE(records.at(0).state, RowState::New);
}

void TestPaymentBills::alipayOlderLayout()
{
    const QList<AlipayRow> rows = {
        alipay("2016-05-01 09:10:11", "", "书店", "小说", "支出", "45.00", "交易成功", "2016050100001"),
        alipay("2016-05-02 10:00:00", "", "小王", "还钱", "收入", "100.00", "交易成功", "2016050200002"),
    };
    const StatementFile file = ReadStatement(write(Encode(AlipayCsv(rows, true), Encoding::Gb18030)));
    QCOMPARE(file.source, StatementSource::Alipay);
    // The table ends at the dashed line: the totals after it ("已收入:0笔,0.00元")
    // are notes, not rows.
    QCOMPARE(file.rows.size(), 2);
    QCOMPARE(file.rows.at(0).goods, QStringLiteral("小说"));
    QCOMPARE(file.rows.at(0).amount, QStringLiteral("45.00"));
    QCOMPARE(file.rows.at(1).direction, Direction::Income);
    QCOMPARE(file.rows.at(1).orderNo, QStringLiteral("2016050200002"));
    QCOMPARE(file.rows.at(1).time, QStringLiteral("10:00:00"));
}

void TestPaymentBills::wechatRows_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("direction");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("recordType");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("wantAmount");

    QTest::newRow("shop") << "商户消费" << "支出" << "¥28.16" << "支付成功" << "new" << "支出" << "其他支出" << ""
                          << "28.16";
    QTest::newRow("red packet") << "微信红包（单发）" << "收入" << "¥50.0" << "已存入零钱" << "new" << "收入"
                                << "礼物收入" << "" << "50.00";
    QTest::newRow("red packet sent") << "微信红包" << "支出" << "¥8.88" << "支付成功" << "new" << "支出" << "礼品礼金"
                                     << "" << "8.88";
    QTest::newRow("transfer received") << "转账" << "收入" << "¥200.00" << "已收钱" << "new" << "收入" << "礼物收入"
                                       << "" << "200.00";
    QTest::newRow("withdrawal") << "零钱提现" << "/" << "¥100.00" << "提现已到账" << "skipped" << "支出" << "其他支出"
                                << "零钱提现" << "100.00";
    QTest::newRow("change savings") << "零钱通" << "/" << "¥300.00" << "支付成功" << "skipped" << "支出"
                                    << "其他支出" << "零钱通" << "300.00";
    QTest::newRow("wealth") << "理财通" << "/" << "¥1000.00" << "支付成功" << "skipped" << "支出" << "其他支出"
                            << "理财通" << "1000.00";
    QTest::newRow("top-up") << "零钱充值" << "/" << "¥50.00" << "充值完成" << "skipped" << "支出" << "其他支出"
                            << "零钱充值" << "50.00";
    QTest::newRow("card repayment") << "信用卡还款" << "/" << "¥2000.00" << "支付成功" << "skipped" << "支出"
                                    << "其他支出" << "信用卡还款" << "2000.00";
    QTest::newRow("failed") << "商户消费" << "支出" << "¥12.00" << "支付失败" << "skipped" << "支出" << "其他支出"
                            << "支付失败" << "12.00";
    QTest::newRow("refund row") << "商户消费-退款" << "收入" << "¥12.00" << "已全额退款" << "refund" << "收入"
                                << "其他收入" << "退款" << "12.00";
    QTest::newRow("refunded payment is still spent")
        << "商户消费" << "支出" << "¥12.00" << "已全额退款" << "new" << "支出" << "其他支出" << "" << "12.00";
}

void TestPaymentBills::wechatRows()
{
    QFETCH(QString, type);
    QFETCH(QString, direction);
    QFETCH(QString, amount);
    QFETCH(QString, status);
    const QList<WeChatRow> rows = {
        wechat("2026-11-30 18:30:00", type, "某商户", "商品A", direction, amount, status, "4200001234"),
    };
    const StatementFile file = ReadStatement(write(Encode(WeChatCsv(rows), Encoding::Utf8)));
    QCOMPARE(file.source, StatementSource::WeChat);
    QCOMPARE(file.rows.size(), 1);
    QCOMPARE(file.rows.first().line, 18); // 16 note lines and the header
    QCOMPARE(file.rows.first().note, QString()); // "/" means none
    const ProposedRecord record = ProposeRecords(file, {}).first();
    QTEST(stateName(record.state), "state");
    QTEST(record.recordType, "recordType");
    QTEST(record.item, "item");
    QTEST(record.reason, "reason");
    QTEST(record.amount, "wantAmount");
}

void TestPaymentBills::encodings_data()
{
    QTest::addColumn<Encoding>("encoding");
    QTest::addColumn<bool>("wechat");
    QTest::newRow("alipay gb18030") << Encoding::Gb18030 << false;
    QTest::newRow("alipay utf-8") << Encoding::Utf8 << false;
    QTest::newRow("alipay utf-8 bom") << Encoding::Utf8Bom << false;
    QTest::newRow("wechat utf-8") << Encoding::Utf8 << true;
    QTest::newRow("wechat utf-8 bom") << Encoding::Utf8Bom << true;
    QTest::newRow("wechat gb18030") << Encoding::Gb18030 << true;
}

void TestPaymentBills::encodings()
{
    QFETCH(Encoding, encoding);
    QFETCH(bool, wechat);
    // A name outside GBK (an emoji) survives GB18030 too.
    const QString shop = QStringLiteral("小吃🍜铺");
    QString text;
    if (wechat)
        text = WeChatCsv({::wechat("2026-11-30 18:30:00", "商户消费", shop, "面", "支出", "¥18.00", "支付成功", "42")});
    else
        text = AlipayCsv({alipay("2026-11-30 18:30:00", "餐饮美食", shop, "面", "支出", "18.00", "交易成功", "42")});
    const StatementFile file = ReadStatement(write(Encode(text, encoding)));
    QCOMPARE(file.rows.size(), 1);
    QCOMPARE(file.rows.first().counterparty, shop);
    QCOMPARE(file.rows.first().amount, QStringLiteral("18.00"));
    // The identity depends on the content, not on the bytes it came in.
    const StatementFile utf8 = ReadStatement(write(Encode(text, Encoding::Utf8)));
    QCOMPARE(file.rows.first().identity, utf8.rows.first().identity);
}

void TestPaymentBills::overlappingExports()
{
    const QList<AlipayRow> all = {
        alipay("2026-11-01 08:00:00", "餐饮美食", "早餐店", "包子", "支出", "5.00", "交易成功", "A1"),
        alipay("2026-11-02 08:00:00", "餐饮美食", "早餐店", "包子", "支出", "5.00", "交易成功", "A2"),
        alipay("2026-11-03 08:00:00", "日用百货", "超市", "牙膏", "支出", "12.00", "等待确认收货", "A3"),
        alipay("2026-11-04 08:00:00", "餐饮美食", "早餐店", "豆浆", "支出", "3.00", "交易成功", "A4"),
        alipay("2026-11-05 08:00:00", "交通出行", "地铁", "车票", "支出", "4.00", "交易成功", "A5"),
    };
    // The second export starts two rows later, was made another day, and
    // by then the goods of A3 had arrived.
    QList<AlipayRow> later = all.mid(2);
    later[0].status = QStringLiteral("交易成功");
    later.append(alipay("2026-11-06 08:00:00", "餐饮美食", "早餐店", "包子", "支出", "5.00", "交易成功", "A6"));
    const StatementFile first = ReadStatement(write(Encode(AlipayCsv(all.mid(0, 4)), Encoding::Gb18030)));
    const StatementFile second =
        ReadStatement(write(Encode(AlipayCsv(later, false, QStringLiteral("2026-12-07 09:00:00")), Encoding::Gb18030)));
    const QStringList a = identities(first);
    const QStringList b = identities(second);
    QCOMPARE(b.mid(0, 2), a.mid(2, 2));
    QVERIFY(!a.contains(b.at(2)) && !a.contains(b.at(3)));
    for (const QString &identity : a + b) {
        QVERIFY(identity.startsWith(QLatin1String("alipay:")));
        QVERIFY(identity.size() <= 80);
    }
    // The same bill as WeChat's would be another source: never the same identity.
    StatementFile asWeChat = first;
    asWeChat.source = StatementSource::WeChat;
    AssignIdentities(asWeChat);
    const QStringList w = identities(asWeChat);
    QVERIFY(QSet<QString>(w.begin(), w.end()).intersect(QSet<QString>(a.begin(), a.end())).isEmpty());
}

void TestPaymentBills::reusedOrderNumbersAndTwinRows()
{
    const AlipayRow coffee = alipay("2026-11-10 09:00:00", "餐饮美食", "咖啡店", "拿铁", "支出", "25.00", "交易成功", "X9");
    AlipayRow sameOrderOtherAmount = coffee;
    sameOrderOtherAmount.amount = QStringLiteral("5.00");
    sameOrderOtherAmount.goods = QStringLiteral("加浓");
    AlipayRow sameOrderRefund = coffee;
    sameOrderRefund.direction = QStringLiteral("不计收支");
    sameOrderRefund.status = QStringLiteral("退款成功");
    const QList<AlipayRow> rows = {coffee, sameOrderOtherAmount, coffee, sameOrderRefund};
    const StatementFile file = ReadStatement(write(Encode(AlipayCsv(rows), Encoding::Gb18030)));
    const QStringList ids = identities(file);
    QCOMPARE(QSet<QString>(ids.begin(), ids.end()).size(), 4);
    // A later export holding the same rows gives the twins the same two identities.
    const StatementFile again = ReadStatement(write(Encode(AlipayCsv(rows, false, "2026-12-24 00:00:00"), Encoding::Gb18030)));
    QCOMPARE(identities(again), ids);
    // and so does one that lost the first row
    const StatementFile tail = ReadStatement(write(Encode(AlipayCsv(rows.mid(1)), Encoding::Gb18030)));
    QCOMPARE(identities(tail).at(0), ids.at(1));
    QCOMPARE(identities(tail).at(2), ids.at(3));
    QVERIFY(identities(tail).at(1) == ids.at(0)); // the one coffee left is the first coffee
}

void TestPaymentBills::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("words");

    const AlipayRow good = alipay("2026-11-01 08:00:00", "餐饮美食", "早餐店", "包子", "支出", "5.00", "交易成功", "A1");
    AlipayRow badAmount = good;
    badAmount.amount = QStringLiteral("5.0.0");
    AlipayRow badDay = good;
    badDay.time = QStringLiteral("2026-02-30 08:00:00");
    AlipayRow earlyDay = good;
    earlyDay.time = QStringLiteral("1899-12-31 08:00:00");
    AlipayRow negative = good;
    negative.amount = QStringLiteral("-5.00");
    QTest::newRow("bad amount") << Encode(AlipayCsv({good, badAmount}), Encoding::Gb18030) << 18 << "5.0.0";
    QTest::newRow("negative amount") << Encode(AlipayCsv({good, negative}), Encoding::Gb18030) << 18 << "-5.00";
    QTest::newRow("no such day") << Encode(AlipayCsv({good, badDay}), Encoding::Gb18030) << 18 << "不存在";
    QTest::newRow("out of range") << Encode(AlipayCsv({earlyDay, good}), Encoding::Gb18030) << 17 << "范围";
    const QByteArray whole = Encode(AlipayCsv({good, good}), Encoding::Gb18030);
    QTest::newRow("cut in a row") << whole.left(whole.size() - 30) << 18 << "不完整";
    QTest::newRow("cut after a time") << whole.left(whole.lastIndexOf("2026-11-01") + 13) << 18 << "不完整";
    const QByteArray quoted = Encode(WeChatCsv({wechat("2026-11-30 18:30:00", "商户消费", "店", "面", "支出", "¥1", "支付成功", "1")}),
                                     Encoding::Utf8);
    QTest::newRow("cut in quotes") << quoted.left(quoted.indexOf("\"面") + 4) << 18 << "引号";
    QTest::newRow("binary") << QByteArray("\x00\x01\x02garbage", 10) << 0 << "无法识别";
    QTest::newRow("empty") << QByteArray() << 0 << "空";
}

void TestPaymentBills::refusedFiles()
{
    QFETCH(QByteArray, bytes);
    const QString path = write(bytes);
    try {
        const StatementFile file = ReadStatement(path);
        QFAIL(qPrintable(QStringLiteral("read %1 rows").arg(file.rows.size())));
    } catch (const ImportError &error) {
        QCOMPARE(error.path(), path);
        QTEST(error.line(), "line");
        QFETCH(QString, words);
        QVERIFY2(error.message().contains(words), qPrintable(error.message()));
        QVERIFY(error.describe().contains(path));
    }
}

void TestPaymentBills::memo_data()
{
    QTest::addColumn<QString>("counterparty");
    QTest::addColumn<QString>("goods");
    QTest::addColumn<QString>("memo");
    QTest::newRow("both") << "超市" << "牙膏" << "超市 牙膏";
    QTest::newRow("line breaks") << "超市" << "牙膏\r\n牙刷\n毛巾" << "超市 牙膏 牙刷 毛巾";
    QTest::newRow("goods repeat the counterparty") << "小王" << "小王" << "小王";
    QTest::newRow("no goods") << "小王" << "" << "小王";
    QTest::newRow("cut at the limit") << QString(200, QChar(0x5e97)) << QString(100, QLatin1Char('x'))
                                      << QString(200, QChar(0x5e97)) + ' ' + QString(54, QLatin1Char('x'));
    // 254 units and then an emoji: cutting at 255 would leave half of it.
    QTest::newRow("never half a character") << QString(253, QLatin1Char('a')) << QStringLiteral("🍜🍜")
                                            << QString(253, QLatin1Char('a'));
    QTest::newRow("unstorable becomes a mark") << QString(QChar(0xe81e)) + "店" << "面" << QString(QChar(0xfffd)) + "店 面";
}

void TestPaymentBills::memo()
{
    QFETCH(QString, counterparty);
    QFETCH(QString, goods);
    StatementRow row;
    row.counterparty = counterparty;
    row.goods = goods;
    const QString memo = ImportMemo(row);
    QTEST(memo, "memo");
    QVERIFY(memo.size() <= kImportMemoLimit);
    QVERIFY(!Gbk::firstUnstorable(memo));
}

void TestPaymentBills::userRulesComeFirst()
{
    const QList<WeChatRow> rows = {
        wechat("2026-11-01 08:00:00", "商户消费", "滴滴出行", "快车", "支出", "¥23.00", "支付成功", "1"),
        wechat("2026-11-01 09:00:00", "微信红包", "妈妈", "红包", "收入", "¥200.00", "已存入零钱", "2"),
        wechat("2026-11-01 10:00:00", "微信红包", "朋友", "红包", "收入", "¥20.00", "已存入零钱", "3"),
        wechat("2026-11-01 11:00:00", "商户消费", "App Store", "iCloud 存储", "支出", "¥6.00", "支付成功", "4"),
    };
    const StatementFile file = ReadStatement(write(Encode(WeChatCsv(rows), Encoding::Utf8)));
    const QList<ItemRule> rules = {
        {QStringLiteral("滴滴"), QStringLiteral("公共交通费"), QStringLiteral("支出")},
        {QStringLiteral("滴滴"), QStringLiteral("打车"), QStringLiteral("支出")}, // later rules lose
        {QStringLiteral("妈妈"), QStringLiteral("亲属赠与金"), QStringLiteral("收入")},
        {QStringLiteral("朋友"), QStringLiteral("礼品礼金"), QStringLiteral("支出")}, // another type: not for income
        {QStringLiteral("icloud"), QStringLiteral("上网费"), QStringLiteral("支出")}, // letter case ignored
        {QString(), QStringLiteral("空规则"), QStringLiteral("支出")},
    };
    const QList<ProposedRecord> records = ProposeRecords(file, rules);
    QCOMPARE(records.at(0).item, QStringLiteral("公共交通费"));
    QCOMPARE(records.at(1).item, QStringLiteral("亲属赠与金"));
    QCOMPARE(records.at(2).item, QStringLiteral("礼物收入"));
    QCOMPARE(records.at(3).item, QStringLiteral("上网费"));
}

void TestPaymentBills::builtInItemsAreDefaultNames()
{
    const QStringList expense =
        Gbk::decode(DefaultListResource(QStringLiteral("OUT_TXT"))).split(QStringLiteral("\r\n"));
    const QStringList income = Gbk::decode(DefaultListResource(QStringLiteral("IN_TXT"))).split(QStringLiteral("\r\n"));
    QVERIFY(expense.size() > 10 && income.size() > 3);
    for (const QString &name : BuiltInItemNames())
        QVERIFY2(expense.contains(name) || income.contains(name), qPrintable(name));
    // and each is offered for its own type only
    for (const char *category : {"餐饮美食", "交通出行", "日用百货", "转账红包", "医疗健康", "酒店旅游"}) {
        const QString out = BuiltInItem(StatementSource::Alipay, QString::fromUtf8(category), QStringLiteral("支出"));
        QVERIFY2(out.isEmpty() || expense.contains(out), category);
        const QString in = BuiltInItem(StatementSource::Alipay, QString::fromUtf8(category), QStringLiteral("收入"));
        QVERIFY2(in.isEmpty() || income.contains(in), category);
    }
}

void TestPaymentBills::progressReachesTheEnd()
{
    QList<WeChatRow> rows;
    for (int i = 0; i < 3000; ++i)
        rows.append(wechat(QStringLiteral("2026-11-01 08:%1:00").arg(i % 60, 2, 10, QLatin1Char('0')), "商户消费",
                           QStringLiteral("店%1").arg(i), "面", "支出", "¥1.00", "支付成功", QString::number(i)));
    ReadCallbacks callbacks;
    int calls = 0, lastDone = -1, lastTotal = -1;
    bool rising = true;
    callbacks.progress = [&](int done, int total) {
        rising = rising && done > lastDone;
        ++calls;
        lastDone = done;
        lastTotal = total;
    };
    const StatementFile file = ReadStatement(write(Encode(WeChatCsv(rows), Encoding::Utf8)), callbacks);
    QCOMPARE(file.rows.size(), 3000);
    QVERIFY(calls >= 3);
    QVERIFY(rising);
    QCOMPARE(lastDone, lastTotal);
}

QTEST_GUILESS_MAIN(TestPaymentBills)
#include "tst_paymentbills.moc"
