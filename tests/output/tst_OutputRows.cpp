#include "OutputRows.h"
#include "TextCodec.h"

#include <QtTest>

namespace {

QByteArray g(const QString &text) { return Gbk::encode(text); }
QByteArray sp(int n) { return QByteArray(n, ' '); }

struct Rec {
    QString date, type, name, amount, memo;
};

// The store's lists for a range holding the given records; the day totals are
// given as (expense, income) per day, the balance derived as the store does.
void fill(const QList<Rec> &recs, const QList<QPair<QString, QString>> &dayTotals, const QDate &start,
          DayTotals &days, RangeRecords &records)
{
    for (int i = 0; i < dayTotals.size(); ++i) {
        days.date.append(start.addDays(i).toString("yyyy-MM-dd"));
        days.expense.append(dayTotals[i].first);
        days.income.append(dayTotals[i].second);
        days.balance.append(QString::asprintf("%0.2f", dayTotals[i].second.toDouble() - dayTotals[i].first.toDouble()));
    }
    for (int i = 0; i < recs.size(); ++i) {
        records.id.append(QString::number(i + 1));
        records.date.append(recs[i].date);
        records.type.append(recs[i].type);
        records.name.append(recs[i].name);
        records.amount.append(recs[i].amount);
        records.memo.append(recs[i].memo);
    }
}

OutputRows makeRows(const QList<Rec> &recs, const QList<QPair<QString, QString>> &dayTotals, const QDate &start,
                    const QDate &end)
{
    DayTotals days;
    RangeRecords records;
    fill(recs, dayTotals, start, days, records);
    return MakeOutputRows(days, records, start, end);
}

QList<QByteArray> lines(const OutputRows &rows, OutputLayout layout)
{
    QList<QByteArray> out;
    for (int i = 0; i < rows.size(); ++i)
        out.append(RowLine(rows, i, layout));
    return out;
}

const QDate kMar1(2007, 3, 1);
const QDate kMar2(2007, 3, 2);
const QDate kMar5(2007, 3, 5);
const QDate kMar31(2007, 3, 31);

} // namespace

class TestOutputRows : public QObject
{
    Q_OBJECT
private slots:
    void headerLines()
    {
        QCOMPARE(HeaderLine(OutputLayout::I),
                 g("日期") + sp(10) + g("类别") + sp(4) + g("项目") + sp(20) + sp(8) + g("金额") + sp(4) + g("备注") + sp(54));
        QCOMPARE(HeaderLine(OutputLayout::II), g("日期") + sp(10) + g("项目") + sp(20) + sp(8) + g("收入") + sp(4) +
                                                   sp(8) + g("支出") + sp(4) + g("备注") + sp(46));
        QCOMPARE(RuleLine(), QByteArray(120, '-'));
    }

    // The 午饭 example, and what the rest of its row set looks like.
    void oneExpenseRecord()
    {
        OutputRows rows = makeRows({{"2007-03-05", "支出", "午饭", "12.50", ""}},
                                   {{"0.00", "0.00"}, {"0.00", "0.00"}, {"0.00", "0.00"}, {"0.00", "0.00"}, {"12.50", "0.00"}},
                                   kMar1, kMar5);
        const QByteArray caption = g("2007-03-01至2007-03-05  5天") + sp(58 - 27);
        const QList<QByteArray> expectI = {
            g("2007-03-05") + sp(4) + g("支出") + sp(4) + g("午饭") + sp(20) + sp(7) + "12.50" + sp(4) + sp(58),
            sp(120),
            sp(22) + g("支出合计") + sp(16) + sp(7) + "12.50" + sp(4) + caption,
            sp(22) + g("收入合计") + sp(16) + sp(8) + "0.00" + sp(4) + caption,
            sp(22) + g("结余合计") + sp(16) + sp(6) + "-12.50" + sp(4) + caption,
        };
        QCOMPARE(lines(rows, OutputLayout::I), expectI);
        // The cells themselves keep the amount left-aligned in 16.
        QCOMPARE(rows.c[3].at(0), QByteArray("12.50") + sp(11));

        ConvertToLayoutII(rows);
        const QByteArray caption50 = caption.left(50);
        const QList<QByteArray> expectII = {
            g("2007-03-05") + sp(4) + g("午饭") + sp(20) + sp(16) + sp(7) + "12.50" + sp(4) + sp(50),
            sp(120),
            sp(14) + g("合计") + sp(20) + sp(8) + "0.00" + sp(4) + sp(7) + "12.50" + sp(4) + caption50,
            sp(14) + g("结余") + sp(20) + sp(6) + "-12.50" + sp(4) + sp(16) + caption50,
        };
        QCOMPARE(lines(rows, OutputLayout::II), expectII);
    }

    void layoutIIMovesIncomeAndExpenseApart()
    {
        OutputRows rows = makeRows({{"2007-03-01", "支出", "书", "30.50", "a"},
                                    {"2007-03-01", "收入", "工资", "1000.00", "b"},
                                    {"2007-03-02", "收入", "奖金", "5.00", "c"}},
                                   {{"30.50", "1000.00"}, {"0.00", "5.00"}}, kMar1, kMar2);
        ConvertToLayoutII(rows);
        QCOMPARE(rows.size(), 3 + 3);
        const QByteArray expense = rows.c[3].at(0), noIncome = rows.c[2].at(0);
        QCOMPARE(rows.c[1].at(0), g("书") + sp(22));
        QCOMPARE(noIncome, sp(16));
        QCOMPARE(expense, sp(7) + "30.50" + sp(4));
        QCOMPARE(rows.c[1].at(1), g("工资") + sp(20));
        QCOMPARE(rows.c[2].at(1), sp(5) + "1000.00" + sp(4));
        QCOMPARE(rows.c[3].at(1), sp(16));
        QCOMPARE(rows.c[4].at(2), QByteArray("c") + sp(49));
        // 合计: income then expense; 结余: the surplus in the income column.
        QCOMPARE(rows.c[2].at(4), sp(5) + "1005.00" + sp(4));
        QCOMPARE(rows.c[3].at(4), sp(7) + "30.50" + sp(4));
        QCOMPARE(rows.c[1].at(5), g("结余") + sp(20));
        QCOMPARE(rows.c[2].at(5), sp(6) + "974.50" + sp(4));
        QCOMPARE(rows.c[3].at(5), sp(16));
    }

    void emptyRange_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<QList<QByteArray>>("expected");
        const QByteArray caption = g("2007-03-31至2007-03-31  1天") + sp(58 - 27);
        const QByteArray zero = sp(8) + "0.00" + sp(4);
        QTest::newRow("I") << int(OutputLayout::I)
                           << QList<QByteArray>{sp(120), sp(22) + g("支出合计") + sp(16) + zero + caption,
                                                sp(22) + g("收入合计") + sp(16) + zero + caption,
                                                sp(22) + g("结余合计") + sp(16) + zero + caption};
        QTest::newRow("II") << int(OutputLayout::II)
                            << QList<QByteArray>{sp(120), sp(14) + g("合计") + sp(20) + zero + zero + caption.left(50),
                                                 sp(14) + g("结余") + sp(20) + zero + sp(16) + caption.left(50)};
    }
    void emptyRange()
    {
        QFETCH(int, layout);
        QFETCH(QList<QByteArray>, expected);
        OutputRows rows = makeRows({}, {{"0.00", "0.00"}}, kMar31, kMar31);
        if (OutputLayout(layout) == OutputLayout::II)
            ConvertToLayoutII(rows);
        QCOMPARE(lines(rows, OutputLayout(layout)), expected);
    }

    // Item names are cut to 20 bytes and memos to 58 (layout I) or 50 (layout
    // II), never inside a character, whatever its length in GB18030.
    void cuts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("memo");
        QTest::addColumn<QByteArray>("itemI");
        QTest::addColumn<QByteArray>("memoI");
        QTest::addColumn<QByteArray>("memoII");
        const QString ascii24 = QString(24, 'n'), ascii60 = QString(60, 'm');
        QTest::newRow("24-byte name, 60-byte memo")
            << ascii24 << ascii60 << QByteArray(20, 'n') + sp(4) << QByteArray(58, 'm') << QByteArray(50, 'm');
        const QString cn12 = QString("一二三四五六七八九十甲乙"), memo = "m" + QString(30, QChar(0x4E2D));
        QTest::newRow("cut inside a Chinese character")
            << "a" + cn12 << memo << g("a一二三四五六七八九") + sp(5) << g("m" + QString(28, QChar(0x4E2D))) + sp(1)
            << g("m" + QString(24, QChar(0x4E2D))) + sp(1);
        QTest::newRow("Chinese ending on the cut")
            << cn12 << QString(29, QChar(0x4E2D)) << g("一二三四五六七八九十") + sp(4)
            << g(QString(29, QChar(0x4E2D))) << g(QString(25, QChar(0x4E2D)));
        const QString four = QString::fromUcs4(U"\U00020000"); // four bytes in GB18030
        QTest::newRow("four-byte character across the cut")
            << QString(18, 'x') + four << QString(56, 'y') + four + "z" << QByteArray(18, 'x') + sp(6)
            << QByteArray(56, 'y') + sp(2) << QByteArray(50, 'y');
        QTest::newRow("four-byte character before the cut")
            << QString(16, 'x') + four + "w" << QString(54, 'y') + four + "z" << QByteArray(16, 'x') + g(four) + sp(4)
            << QByteArray(54, 'y') + g(four) << QByteArray(50, 'y');
    }
    void cuts()
    {
        QFETCH(QString, name);
        QFETCH(QString, memo);
        QFETCH(QByteArray, itemI);
        QFETCH(QByteArray, memoI);
        QFETCH(QByteArray, memoII);
        OutputRows rows = makeRows({{"2007-03-01", "收入", name, "1.00", memo}}, {{"0.00", "1.00"}}, kMar1, kMar1);
        QCOMPARE(rows.c[2].at(0), itemI);
        QCOMPARE(rows.c[4].at(0), memoI);
        QCOMPARE(RowLine(rows, 0, OutputLayout::I).size(), 120);
        ConvertToLayoutII(rows);
        QCOMPARE(rows.c[1].at(0), itemI);
        QCOMPARE(rows.c[4].at(0), memoII);
        QCOMPARE(RowLine(rows, 0, OutputLayout::II).size(), 120);
        QVERIFY(Gbk::decode(RowLine(rows, 0, OutputLayout::II)).indexOf(QChar(0xFFFD)) < 0);
    }

    // A figure of 13 to 15 bytes runs into the gap before the next column; a
    // longer one also takes the blanks before its field. Every digit is kept,
    // a space always parts it from the next column and the line stays 120
    // bytes with every other column in place.
    void longFigures_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<int>("begin"); // where the figure starts in its field
        QTest::newRow("12 bytes") << "123456789.50" << 0;
        QTest::newRow("13 bytes") << "1234567890.50" << 0;
        QTest::newRow("15 bytes") << "123456789012.50" << 0;
        QTest::newRow("16 bytes") << "1099999999989.00" << -1;
        QTest::newRow("19 bytes") << "1234567890123456.50" << -4;
    }
    void longFigures()
    {
        QFETCH(QString, amount);
        QFETCH(int, begin);
        const QByteArray figure = amount.toLatin1();
        OutputRows rows = makeRows({{"2007-03-01", "收入", "x", amount, "memo"}}, {{"0.00", amount}}, kMar1, kMar1);
        // Where the figure sits in a line whose field starts at `start`.
        auto checkFigure = [&](const QByteArray &line, int start) {
            QCOMPARE(line.size(), 120);
            const int at = start + (figure.size() <= 12 ? 12 - int(figure.size()) : begin);
            QCOMPARE(line.mid(at, figure.size()), figure);
            QCOMPARE(line.at(at - 1), ' ');
            QVERIFY(line.mid(at + figure.size(), start + 16 - at - figure.size()).trimmed().isEmpty());
            QVERIFY(at + figure.size() < start + 16);
        };
        const QByteArray lineI = RowLine(rows, 0, OutputLayout::I);
        checkFigure(lineI, 46);
        const QByteArray plain = RowLine(makeRows({{"2007-03-01", "收入", "x", "1", ""}}, {}, kMar1, kMar1), 0,
                                         OutputLayout::I);
        QCOMPARE(lineI.left(46 + qMin(begin, 0)), plain.left(46 + qMin(begin, 0)));
        QVERIFY(lineI.mid(62).startsWith("memo"));
        checkFigure(RowLine(rows, 3, OutputLayout::I), 46); // the income total

        ConvertToLayoutII(rows);
        // The workbook's cell keeps the figure whole.
        QCOMPARE(rows.c[2].at(0).trimmed(), figure);
        const QByteArray lineII = RowLine(rows, 0, OutputLayout::II);
        checkFigure(lineII, 38);
        QVERIFY(lineII.mid(70).startsWith("memo"));
        checkFigure(RowLine(rows, 2, OutputLayout::II), 38); // 合计
    }

    // Both totals of the 合计 row at 16 bytes and more: the 支出 figure takes
    // room from the 收入 figure, which moves into the item's blanks; the range
    // caption stays in its column.
    void adjacentLongFigures_data()
    {
        QTest::addColumn<QString>("income");
        QTest::addColumn<QString>("expense");
        QTest::addColumn<QByteArray>("figures"); // the bytes before the range caption
        QTest::newRow("16 and 16 bytes")
            << "1099999999989.00" << "1000000000000.00" << sp(2) + "1099999999989.00 1000000000000.00 ";
        QTest::newRow("20 and 20 bytes") << "12345678901234560.00" << "12345678901234560.00"
                                         << sp(10) + "12345678901234560.00 12345678901234560.00 ";
    }
    void adjacentLongFigures()
    {
        QFETCH(QString, income);
        QFETCH(QString, expense);
        QFETCH(QByteArray, figures);
        OutputRows rows = makeRows({}, {{expense, income}}, kMar1, kMar1);
        ConvertToLayoutII(rows);
        const QByteArray line = RowLine(rows, 1, OutputLayout::II);
        QCOMPARE(line.size(), 120);
        QCOMPARE(line.left(16), sp(14) + g("合"));
        QCOMPARE(line.mid(70 - figures.size(), figures.size()), figures);
        QVERIFY(line.mid(70).startsWith(g("2007-03-01至2007-03-01  1天")));
    }

    // Totals add the per-day texts as the store rounded them.
    void totalsAddRoundedDays()
    {
        OutputRows rows = makeRows({}, {{"0.10", "0.00"}, {"0.20", "0.00"}, {"0.01", "1.00"}},
                                   kMar1, QDate(2007, 3, 3));
        QCOMPARE(rows.c[3].at(1), QByteArray("0.31") + sp(12));
        QCOMPARE(rows.c[3].at(2), QByteArray("1.00") + sp(12));
        QCOMPARE(rows.c[3].at(3), QByteArray("0.69") + sp(12));
        QVERIFY(rows.c[4].at(3).startsWith(g("2007-03-01至2007-03-03  3天")));
    }

    void lineBreaksInMemoStayInTheCellOnly()
    {
        const QString memo = "a\r\nb\tc";
        OutputRows rows = makeRows({{"2007-03-01", "支出", "x\ny", "1.00", memo}}, {{"1.00", "0.00"}}, kMar1, kMar1);
        QVERIFY(rows.c[4].at(0).startsWith(memo.toLatin1()));
        const QByteArray line = RowLine(rows, 0, OutputLayout::I);
        QCOMPARE(line.size(), 120);
        QVERIFY(line.contains("x y"));
        QVERIFY(line.contains("a  b c"));
    }
};

QTEST_GUILESS_MAIN(TestOutputRows)
#include "tst_OutputRows.moc"
