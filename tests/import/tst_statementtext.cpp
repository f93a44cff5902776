// The amount and date texts statements write, and how their bytes decode.
#include "StatementText.h"
#include "TextCodec.h"

#include <QTest>

class TestStatementText : public QObject
{
    Q_OBJECT

private slots:
    void money_data();
    void money();
    void dates_data();
    void dates();
    void decoding_data();
    void decoding();
    void csvCells();
};

void TestStatementText::money_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("reads");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<qlonglong>("cents");

    QTest::newRow("plain") << "28.16" << true << "28.16" << 2816LL;
    QTest::newRow("padded") << "  28.16\t" << true << "28.16" << 2816LL;
    QTest::newRow("yen sign") << "¥28.16" << true << "28.16" << 2816LL;
    QTest::newRow("full-width yen, one decimal") << "￥50.0" << true << "50.00" << 5000LL;
    QTest::newRow("thousands") << "1,234.00" << true << "1234.00" << 123400LL;
    QTest::newRow("millions") << "1,234,567.891" << true << "1234567.89" << 123456789LL;
    QTest::newRow("minus") << "-12.5" << true << "12.50" << -1250LL;
    QTest::newRow("minus before the sign") << "-¥3.00" << true << "3.00" << -300LL;
    QTest::newRow("minus after the sign") << "¥-3.00" << true << "3.00" << -300LL;
    QTest::newRow("minus behind") << "12.00-" << true << "12.00" << -1200LL;
    QTest::newRow("unicode minus") << "−7" << true << "7.00" << -700LL;
    QTest::newRow("plus") << "+7" << true << "7.00" << 700LL;
    QTest::newRow("parentheses") << "(1,000.00)" << true << "1000.00" << -100000LL;
    QTest::newRow("full-width parentheses") << "（5）" << true << "5.00" << -500LL;
    QTest::newRow("yuan and RMB") << "RMB 9.9元" << true << "9.90" << 990LL;
    QTest::newRow("half cent") << "0.125" << true << "0.13" << 13LL;
    QTest::newRow("zero") << "0.00" << true << "0.00" << 0LL;
    QTest::newRow("minus zero is zero") << "-0.00" << true << "0.00" << 0LL;
    QTest::newRow("point only in front") << ".5" << true << "0.50" << 50LL;
    QTest::newRow("bad grouping") << "1,23.00" << false << "" << 0LL;
    QTest::newRow("european") << "1.234,56" << false << "" << 0LL;
    QTest::newRow("two points") << "1.2.3" << false << "" << 0LL;
    QTest::newRow("two signs") << "(-5)" << false << "" << 0LL;
    QTest::newRow("exponent") << "1e3" << false << "" << 0LL;
    QTest::newRow("words") << "五十" << false << "" << 0LL;
    QTest::newRow("empty") << "" << false << "" << 0LL;
    QTest::newRow("sign alone") << "-" << false << "" << 0LL;
}

void TestStatementText::money()
{
    QFETCH(QString, text);
    QFETCH(bool, reads);
    const std::optional<Money> money = ParseMoney(text);
    QCOMPARE(bool(money), reads);
    if (!money)
        return;
    QTEST(money->amount, "amount");
    QTEST(qlonglong(money->cents), "cents");
    QCOMPARE(money->negative, money->cents < 0);
}

void TestStatementText::dates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("status");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("time");
    const int ok = int(DateStatus::Ok);
    QTest::newRow("alipay") << "2026-11-30 12:01:02" << ok << QDate(2026, 11, 30) << "12:01:02";
    QTest::newRow("no seconds") << "2026/1/5 9:05" << ok << QDate(2026, 1, 5) << "09:05:00";
    QTest::newRow("iso with T") << "2026-11-30T23:59:59" << ok << QDate(2026, 11, 30) << "23:59:59";
    QTest::newRow("compact") << "20261130" << ok << QDate(2026, 11, 30) << "";
    QTest::newRow("dots") << "2026.11.30" << ok << QDate(2026, 11, 30) << "";
    QTest::newRow("chinese") << "2026年11月30日" << ok << QDate(2026, 11, 30) << "";
    QTest::newRow("leap day") << "2028-02-29" << ok << QDate(2028, 2, 29) << "";
    QTest::newRow("no leap day") << "2026-02-29" << int(DateStatus::NoSuchDay) << QDate() << "";
    QTest::newRow("month 13") << "2026-13-01" << int(DateStatus::NoSuchDay) << QDate() << "";
    QTest::newRow("before 1900") << "1899-12-31" << int(DateStatus::OutOfRange) << QDate() << "";
    QTest::newRow("bad time") << "2026-11-30 25:00:00" << int(DateStatus::NotADate) << QDate() << "";
    QTest::newRow("two-digit year") << "26-11-30" << int(DateStatus::NotADate) << QDate() << "";
    QTest::newRow("words") << "昨天" << int(DateStatus::NotADate) << QDate() << "";
}

void TestStatementText::dates()
{
    QFETCH(QString, text);
    const DateTimeText parsed = ParseStatementDate(text);
    QTEST(int(parsed.status), "status");
    QTEST(parsed.date, "date");
    QTEST(parsed.time, "time");
    QVERIFY(DateProblem(parsed.status, text).contains(text));
}

void TestStatementText::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text"); // empty: not text
    const QString sample = QStringLiteral("交易时间,金额\n2026-11-30,¥1.00\n");
    QTest::newRow("utf-8") << sample.toUtf8() << sample;
    QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF") + sample.toUtf8() << sample;
    QTest::newRow("gb18030") << Gbk::encode(sample) << sample;
    QTest::newRow("gb18030 beyond gbk") << Gbk::encode(QStringLiteral("🍜,€")) << QStringLiteral("🍜,€");
    QTest::newRow("utf-16 le bom") << QByteArray("\xFF\xFE") +
                                          QByteArray(reinterpret_cast<const char *>(sample.utf16()), sample.size() * 2)
                                   << sample;
    QTest::newRow("binary") << QByteArray("ab\x00\x01", 4) << QString();
}

void TestStatementText::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const std::optional<QString> decoded = DecodeStatementText(bytes);
    QCOMPARE(bool(decoded), !text.isEmpty());
    if (decoded)
        QCOMPARE(*decoded, text);
}

void TestStatementText::csvCells()
{
    TextTable table;
    int badLine = 0;
    const QString text = QStringLiteral("a, b ,\"c,d\"\r\n\n\"multi\nline\",\"say \"\"hi\"\"\" ,x\t\nlast,");
    QVERIFY(SplitCsv(text, &table, &badLine));
    QCOMPARE(table.rows.size(), 4);
    QCOMPARE(table.rows.at(0), (QStringList{"a", "b", "c,d"}));
    QCOMPARE(table.rows.at(1), QStringList());
    QCOMPARE(table.rows.at(2), (QStringList{"multi\nline", "say \"hi\"", "x"}));
    QCOMPARE(table.lines, (QList<int>{1, 2, 3, 5}));
    QCOMPARE(table.rows.at(3), (QStringList{"last", ""}));
    QVERIFY(!SplitCsv(QStringLiteral("a\nb,\"open\n\nstill"), &table, &badLine));
    QCOMPARE(badLine, 2);
}

QTEST_GUILESS_MAIN(TestStatementText)
#include "tst_statementtext.moc"
