// The page maths of the printed report: geometry, pagination, label places.
#include "OutputReport.h"
#include "ReportTestData.h"
#include "TextCodec.h"

#include <QtTest>

namespace {

QString LabelText(const PageReport &report, int label) { return report.band()->label(label).caption(); }

} // namespace

class TestReportLayout : public QObject
{
    Q_OBJECT
private slots:
    void roundsHalvesToEven_data();
    void roundsHalvesToEven();
    void geometry_data();
    void geometry();
    void pagination_data();
    void pagination();
    void labelPlaces_data();
    void labelPlaces();
    void layoutOneRightAlignsAmountsInPlace();
    void rowLinesShareOneColumnGrid();
};

void TestReportLayout::roundsHalvesToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("0.5 down") << 0.5 << 0;
    QTest::newRow("1.5 up") << 1.5 << 2;
    QTest::newRow("2.5 down") << 2.5 << 2;
    QTest::newRow("1046.5 to even") << 1046.5 << 1046;
    QTest::newRow("not a half") << 1046.51 << 1047;
    QTest::newRow("negative half") << -2.5 << -2;
}

void TestReportLayout::roundsHalvesToEven()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(RoundHalfEven(value), expected);
}

void TestReportLayout::geometry_data()
{
    QTest::addColumn<int>("ppi");
    QTest::addColumn<int>("bandWidth");
    QTest::addColumn<int>("bandHeight");
    QTest::addColumn<QSize>("sheet");
    QTest::addColumn<int>("firstRowTop");
    QTest::addColumn<int>("secondRowTop");
    QTest::addColumn<int>("pageNumberTop");
    // 1047 units are exactly H + 1 at 96 ppi: the row labels stand 20 pixels apart from 90.
    QTest::newRow("96 ppi") << 96 << 717 << 1046 << QSize(794, 1123) << 90 << 110 << 1030;
    // 120 ppi: 897.6 -> 898 and 1308.66 -> 1309; 1309 * 90 / 1047 = 112.52 -> 113.
    QTest::newRow("120 ppi") << 120 << 897 << 1308 << QSize(992, 1403) << 113 << 138 << 1288;
    QTest::newRow("144 ppi") << 144 << 1076 << 1569 << QSize(1191, 1684) << 135 << 165 << 1545;
}

void TestReportLayout::geometry()
{
    QFETCH(int, ppi);
    QFETCH(int, bandWidth);
    QFETCH(int, bandHeight);
    QFETCH(QSize, sheet);
    QFETCH(int, firstRowTop);
    QFETCH(int, secondRowTop);
    QFETCH(int, pageNumberTop);

    OutputRows rows = SampleRows(2, OutputLayout::I);
    const auto reports = BuildPageReports(rows, OutputLayout::I, ComputeReportGeometry(ppi, ppi));
    QCOMPARE(int(reports.size()), 1);
    const PageReport &report = *reports.front();
    QCOMPARE(report.size(), sheet);
    QCOMPARE(report.pageSetup.paper, QPageSize::A4);
    QCOMPARE(report.pageSetup.marginsMm, QMarginsF(10, 10, 10, 10));
    const ReportBand &band = *report.band();
    QCOMPARE(band.kind(), ReportBand::Detail);
    QCOMPARE(band.width, bandWidth);
    QCOMPARE(band.height, bandHeight);
    QCOMPARE(band.labelCount(), 50);
    QCOMPARE(band.label(0).top, 0);
    QCOMPARE(band.label(3).top, firstRowTop);
    QCOMPARE(band.label(4).top, secondRowTop);
    QCOMPARE(band.label(49).top, pageNumberTop);
    // The last row label must still fit in the band above the page number.
    QVERIFY(band.label(48).top + band.label(48).height <= band.label(49).top);
}

void TestReportLayout::pagination_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("pages");
    // label on the last page -> expected caption fragment ("" = empty caption)
    QTest::addColumn<QList<int>>("lastPageLabels");
    QTest::addColumn<QStringList>("lastPageTexts");

    // 42 records + blank + 3 totals = 46 rows: one full page.
    QTest::newRow("46 rows fill one page") << 42 << int(OutputLayout::I) << 1 << QList<int>{47, 48}
                                           << QStringList{QStringLiteral("收入合计"), QStringLiteral("结余合计")};
    // 47 rows: page 2 holds the one last row line.
    QTest::newRow("47 rows give two") << 43 << int(OutputLayout::I) << 2 << QList<int>{3, 4}
                                      << QStringList{QStringLiteral("结余合计"), QString()};
    // Layout I with 44 records: 48 rows; page 2 starts with the income total.
    QTest::newRow("44 records, layout I") << 44 << int(OutputLayout::I) << 2 << QList<int>{3, 4, 5}
                                          << QStringList{QStringLiteral("收入合计"), QStringLiteral("结余合计"), QString()};
    QTest::newRow("44 records, layout II") << 44 << int(OutputLayout::II) << 2 << QList<int>{3, 4}
                                           << QStringList{QStringLiteral("结余"), QString()};
    QTest::newRow("empty range, layout I") << 0 << int(OutputLayout::I) << 1 << QList<int>{4, 5, 6, 7}
                                           << QStringList{QStringLiteral("支出合计"), QStringLiteral("收入合计"),
                                                          QStringLiteral("结余合计"), QString()};
    QTest::newRow("empty range, layout II") << 0 << int(OutputLayout::II) << 1 << QList<int>{4, 5, 6}
                                            << QStringList{QStringLiteral("合计"), QStringLiteral("结余"), QString()};
}

void TestReportLayout::pagination()
{
    QFETCH(int, records);
    QFETCH(int, layout);
    QFETCH(int, pages);
    QFETCH(QList<int>, lastPageLabels);
    QFETCH(QStringList, lastPageTexts);

    OutputRows rows = SampleRows(records, OutputLayout(layout));
    const int rowCount = rows.size();
    QCOMPARE(ReportPageCount(rowCount), pages);
    const auto reports = BuildPageReports(rows, OutputLayout(layout), ComputeReportGeometry(96, 96));
    QCOMPARE(int(reports.size()), pages);

    // Every row lands exactly once, in order, 46 to a page.
    for (int row = 0; row < rowCount; ++row) {
        const QString expected = Gbk::decode(RowLine(rows, row, OutputLayout(layout)));
        QCOMPARE(LabelText(*reports.at(size_t(row / 46)), 3 + row % 46), expected);
    }
    for (int p = 0; p < pages; ++p) {
        const PageReport &report = *reports.at(size_t(p));
        QCOMPARE(LabelText(report, 0), QStringLiteral("Kavlo"));
        QCOMPARE(LabelText(report, 1), Gbk::decode(HeaderLine(OutputLayout(layout))));
        QCOMPARE(LabelText(report, 2), QString(120, QLatin1Char('-')));
        QCOMPARE(LabelText(report, 49), QStringLiteral("第 %1 页").arg(p + 1));
    }
    const PageReport &last = *reports.back();
    for (int i = 0; i < lastPageLabels.size(); ++i) {
        const QString text = LabelText(last, lastPageLabels.at(i));
        if (lastPageTexts.at(i).isEmpty())
            QVERIFY2(text.isEmpty(), qPrintable(text));
        else
            QVERIFY2(text.contains(lastPageTexts.at(i)), qPrintable(text));
    }
    // Nothing after the last row on the last page.
    const int used = rowCount - 46 * (pages - 1);
    for (int k = used; k < 46; ++k)
        QVERIFY(LabelText(last, 3 + k).isEmpty());
}

void TestReportLayout::labelPlaces_data()
{
    QTest::addColumn<int>("ppi");
    QTest::newRow("96 ppi") << 96;
    QTest::newRow("120 ppi") << 120;
}

void TestReportLayout::labelPlaces()
{
    QFETCH(int, ppi);
    OutputRows rows = SampleRows(60, OutputLayout::I);
    const auto reports = BuildPageReports(rows, OutputLayout::I, ComputeReportGeometry(ppi, ppi));
    QCOMPARE(int(reports.size()), 2);
    for (const auto &report : reports) {
        const ReportBand &band = *report->band();
        for (int i : {0, 49}) {
            const ReportLabel &label = band.label(i);
            QVERIFY(label.width > 0);
            QCOMPARE(label.left, (band.width + 1 - label.width) / 2);
            // Centred: the gaps on both sides differ by at most one pixel.
            QVERIFY(qAbs(label.left - (band.width + 1 - label.left - label.width)) <= 1);
        }
        QCOMPARE(band.label(0).fontSize(), 20.0);
        for (int i = 1; i < 49; ++i) {
            QCOMPARE(band.label(i).left, 0);
            QCOMPARE(band.label(i).fontSize(), 9.0);
        }
    }
}

void TestReportLayout::layoutOneRightAlignsAmountsInPlace()
{
    OutputRows rows = SampleRows(3, OutputLayout::I);
    const OutputRows before = rows;
    BuildPageReports(rows, OutputLayout::I, ComputeReportGeometry(96, 96));
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows.c[3].at(i), RightAlign16(before.c[3].at(i)));
        // Aligned again, the figures stay where they are: the printed line is
        // the layout I row line of the cells as gathered.
        QCOMPARE(RowLine(rows, i, OutputLayout::I), RowLine(before, i, OutputLayout::I));
    }
    QCOMPARE(rows.c[3].at(0), QByteArray("       10.00    "));

    OutputRows two = SampleRows(3, OutputLayout::II);
    const OutputRows untouched = two;
    BuildPageReports(two, OutputLayout::II, ComputeReportGeometry(96, 96));
    QCOMPARE(two.c[3], untouched.c[3]);
}

void TestReportLayout::rowLinesShareOneColumnGrid()
{
    // Chinese text must take exactly two ASCII widths, or the columns of the
    // row lines drift apart on paper.
    OutputRows rows = SampleRows(6, OutputLayout::I);
    const auto reports = BuildPageReports(rows, OutputLayout::I, ComputeReportGeometry(96, 96));
    const ReportBand &band = *reports.front()->band();
    const int ruleWidth = band.label(2).width;
    QVERIFY(ruleWidth > 600);
    QCOMPARE(band.label(1).width, ruleWidth);
    for (int k = 0; k < rows.size(); ++k)
        QCOMPARE(band.label(3 + k).width, ruleWidth);
}

QTEST_MAIN(TestReportLayout)
#include "tst_reportlayout.moc"
