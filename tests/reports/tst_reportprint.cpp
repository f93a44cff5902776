// Printing the report pages to PDF through the print dialog seam and reading
// them back with poppler's pdfinfo and pdftotext.
#include "CompositeReport.h"
#include "MessageBox.h"
#include "OutputReport.h"
#include "OutputCommands.h"
#include "ReportCommands.h"
#include "ReportTestData.h"
#include "TestSupport.h"
#include "TextCodec.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QtTest>

namespace {

CompositeReport::DialogAnswer PrintTo(const QString &pdf, int copies = 1, int from = 0, int to = 0)
{
    CompositeReport::DialogAnswer answer;
    answer.accepted = true;
    answer.outputFile = pdf;
    answer.copies = copies;
    answer.fromPage = from;
    answer.toPage = to;
    return answer;
}

QStringList Pages(const QString &pdf)
{
    QStringList pages = PdfText(pdf).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// The printed lines between the rule line and the page number, blank ones
// dropped; words compared with their spacing made single, since pdftotext
// counts a Chinese character as one column.
QStringList PrintedRows(const QString &page)
{
    const QStringList lines = page.split(QLatin1Char('\n'));
    QStringList rows;
    bool afterRule = false;
    for (const QString &line : lines) {
        const QString words = line.simplified();
        if (words == QString(120, QLatin1Char('-'))) {
            afterRule = true;
            continue;
        }
        if (!afterRule || words.isEmpty())
            continue;
        if (words.startsWith(QStringLiteral("第 ")) && words.endsWith(QStringLiteral(" 页")))
            break;
        rows << line;
    }
    return rows;
}

QString Words(const QByteArray &gbkLine) { return Gbk::decode(gbkLine).simplified(); }

QStringList WordsOf(const QStringList &lines)
{
    QStringList words;
    for (const QString &line : lines)
        words << line.simplified();
    return words;
}

// pdftotext's columns at which the figures ("12.00", "-3.50") of a line end.
QList<int> FigureEnds(const QString &line)
{
    static const QRegularExpression figure(QStringLiteral("-?\\d+\\.\\d\\d(?!\\d)"));
    QList<int> ends;
    auto matches = figure.globalMatch(line, 10); // past the date
    while (matches.hasNext())
        ends << int(matches.next().capturedEnd());
    return ends;
}

} // namespace

class TestReportPrint : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void printsEveryRowOnNumberedPages_data();
    void printsEveryRowOnNumberedPages();
    void cancelledDialogPrintsNothing();
    void dialogShowsTheRunsPaper();
    void pageRangeAndCopies_data();
    void pageRangeAndCopies();
    void printerFailureReachesTheErrorReport();
    void menuCommandPrintsTheStoredRange();
    void reversedRangeOpensNoDialog();

private:
    QString pdfPath(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

void TestReportPrint::initTestCase()
{
    MessageBox::setTestMode(true);
    QVERIFY(m_dir.isValid());
}

void TestReportPrint::init() { MessageBox::clearShown(); }

void TestReportPrint::printsEveryRowOnNumberedPages_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("pages");
    QTest::newRow("layout I, 44 records") << 44 << int(OutputLayout::I) << 2;
    QTest::newRow("layout II, 44 records") << 44 << int(OutputLayout::II) << 2;
    QTest::newRow("layout I, empty range") << 0 << int(OutputLayout::I) << 1;
    QTest::newRow("layout II, 100 records") << 100 << int(OutputLayout::II) << 3;
}

void TestReportPrint::printsEveryRowOnNumberedPages()
{
    QFETCH(int, records);
    QFETCH(int, layout);
    QFETCH(int, pages);
    const auto outputLayout = OutputLayout(layout);

    MainWindowFields fields;
    OutputCommands output(fields, nullptr);
    ReportCommands commands(fields, output, nullptr);
    OutputRows rows = SampleRows(records, outputLayout);
    const OutputRows gathered = rows;
    const QString pdf = pdfPath("rows.pdf");
    QFile::remove(pdf);
    CompositeReport::setNextDialogAnswer(PrintTo(pdf));
    commands.OutputReport(QStringLiteral("打印"), rows, outputLayout);

    QCOMPARE(CompositeReport::lastDialogOffer().minPage, 1);
    QCOMPARE(CompositeReport::lastDialogOffer().maxPage, pages);
    QCOMPARE(PdfPageCount(pdf), pages);
    QVERIFY2(PdfPageSize(pdf).startsWith(QStringLiteral("595 x 842 pts (A4)")), qPrintable(PdfPageSize(pdf)));

    const QStringList printed = Pages(pdf);
    QCOMPARE(printed.size(), pages);
    const QString header = Words(HeaderLine(outputLayout));
    int row = 0;
    for (int p = 0; p < pages; ++p) {
        const QStringList lines = printed.at(p).split(QLatin1Char('\n'));
        const QString pageNumber = QStringLiteral("第 %1 页").arg(p + 1);
        int titleLine = -1;
        int numberLine = -1;
        for (int i = 0; i < lines.size(); ++i) {
            if (lines.at(i).trimmed() == QStringLiteral("Kavlo"))
                titleLine = i;
            if (lines.at(i).trimmed() == pageNumber)
                numberLine = i;
        }
        QVERIFY2(titleLine >= 0 && numberLine > titleLine, qPrintable(printed.at(p)));
        QVERIFY(WordsOf(lines).contains(header));
        // Title and page number stand in the middle of the 120-column lines.
        for (int i : {titleLine, numberLine}) {
            const int start = int(lines.at(i).indexOf(lines.at(i).trimmed()));
            QVERIFY2(start > 40 && start < 70, qPrintable(lines.at(i)));
        }

        const QStringList rowLines = PrintedRows(printed.at(p));
        QStringList expected;
        for (int k = 0; k < 46 && row < gathered.size(); ++k, ++row) {
            const QString words = Words(RowLine(gathered, row, outputLayout));
            if (!words.isEmpty())
                expected << words;
        }
        QCOMPARE(WordsOf(rowLines), expected);
        // The figures of every row end in the figure columns of the layout
        // (金额; or 收入 and 支出): the lines line up.
        QSet<int> ends;
        for (const QString &line : rowLines) {
            for (int end : FigureEnds(line))
                ends.insert(end);
        }
        QVERIFY2(!ends.isEmpty() && ends.size() <= (outputLayout == OutputLayout::I ? 1 : 2),
                 qPrintable(rowLines.join(QLatin1Char('\n'))));
    }
    QCOMPARE(row, gathered.size());
    QCOMPARE(commands.runPageCount(), 0); // printed: nothing of the run is kept
}

void TestReportPrint::cancelledDialogPrintsNothing()
{
    MainWindowFields fields;
    OutputCommands output(fields, nullptr);
    ReportCommands commands(fields, output, nullptr);
    OutputRows rows = SampleRows(3, OutputLayout::I);
    const int before = CompositeReport::dialogCount();
    CompositeReport::setNextDialogAnswer(CompositeReport::DialogAnswer{});
    commands.OutputReport(QStringLiteral("打印"), rows, OutputLayout::I);
    QCOMPARE(CompositeReport::dialogCount(), before + 1);
    QVERIFY(QDir(m_dir.path()).entryList(QDir::Files).filter(QStringLiteral("cancelled")).isEmpty());
    QVERIFY(MessageBox::shown().isEmpty());
}

void TestReportPrint::dialogShowsTheRunsPaper()
{
    OutputRows rows = SampleRows(1, OutputLayout::I);
    const ReportGeometry geometry = ComputeReportGeometry(96, 96);
    auto reports = BuildPageReports(rows, OutputLayout::I, geometry);
    CompositeReport composite;
    QObject::connect(&composite, &CompositeReport::addReports, &composite, [&] {
        for (const auto &report : reports)
            composite.addReport(report.get());
    });
    SetPrinterDefaults(composite);
    // Settings unlike any printer default, so the dialog can only show them
    // when they were handed to it.
    composite.setPaperSize(QPageSize::A5);
    composite.setOrientation(QPageLayout::Landscape);
    composite.prepare();

    QPageLayout shown;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
        if (dialog) {
            shown = dialog->printer()->pageLayout();
            seen = true;
            dialog->reject();
        }
    });
    QVERIFY(!composite.printerSetup(nullptr));
    QVERIFY(seen);
    QCOMPARE(shown.pageSize().id(), QPageSize::A5);
    QCOMPARE(shown.orientation(), QPageLayout::Landscape);
}

void TestReportPrint::pageRangeAndCopies_data()
{
    QTest::addColumn<int>("copies");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QList<int>>("pageNumbers");
    QTest::newRow("all pages") << 1 << 0 << 0 << QList<int>{1, 2, 3};
    QTest::newRow("page 2 only") << 1 << 2 << 2 << QList<int>{2};
    QTest::newRow("pages 2 to 3") << 1 << 2 << 3 << QList<int>{2, 3};
    QTest::newRow("two copies") << 2 << 0 << 0 << QList<int>{1, 2, 3, 1, 2, 3};
    QTest::newRow("range past the end") << 1 << 3 << 9 << QList<int>{3};
}

void TestReportPrint::pageRangeAndCopies()
{
    QFETCH(int, copies);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QList<int>, pageNumbers);

    MainWindowFields fields;
    OutputCommands output(fields, nullptr);
    ReportCommands commands(fields, output, nullptr);
    OutputRows rows = SampleRows(100, OutputLayout::I); // 104 rows: 3 pages
    const QString pdf = pdfPath("range.pdf");
    QFile::remove(pdf);
    CompositeReport::setNextDialogAnswer(PrintTo(pdf, copies, from, to));
    commands.OutputReport(QStringLiteral("打印"), rows, OutputLayout::I);

    const QStringList printed = Pages(pdf);
    QCOMPARE(PdfPageCount(pdf), int(pageNumbers.size()));
    QCOMPARE(printed.size(), pageNumbers.size());
    for (int i = 0; i < pageNumbers.size(); ++i)
        QVERIFY(printed.at(i).contains(QStringLiteral("第 %1 页").arg(pageNumbers.at(i))));
}

void TestReportPrint::printerFailureReachesTheErrorReport()
{
    TempDatabase database;
    MainWindowFields fields;
    fields.g_strUserName = QStringLiteral("张三");
    fields.g_objDatabaseUser = std::make_unique<TclsDatabaseUser>(database.path());
    OutputCommands output(fields, nullptr);
    ReportCommands commands(fields, output, nullptr);
    const QString pdf = pdfPath("missing-folder/x.pdf");
    CompositeReport::setNextDialogAnswer(PrintTo(pdf));
    commands.Print(QDate(2007, 3, 1), QDate(2007, 3, 3), OutputLayout::I);
    QVERIFY(!QFile::exists(pdf));
    const auto boxes = MessageBox::shown();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().icon, MessageBox::Error);
    QVERIFY2(boxes.first().text.contains(QStringLiteral("x.pdf")), qPrintable(boxes.first().text));
}

void TestReportPrint::menuCommandPrintsTheStoredRange()
{
    TempDatabase database;
    MainWindowFields fields;
    fields.g_strUserName = QStringLiteral("张三");
    fields.g_objDatabaseUser = std::make_unique<TclsDatabaseUser>(database.path());
    fields.g_objDatabaseUser->AddRecord(fields.g_strUserName, kTypeExpense, {QStringLiteral("2007-03-05")},
                                        {QStringLiteral("午饭")}, {QStringLiteral("12.50")}, {QString()});
    fields.g_objDatabaseUser->AddRecord(fields.g_strUserName, kTypeIncome, {QStringLiteral("2007-03-06")},
                                        {QStringLiteral("工资")}, {QStringLiteral("3000.00")}, {QStringLiteral("三月")});
    // Another user's record must not be printed.
    fields.g_objDatabaseUser->AddRecord(QStringLiteral("李四"), kTypeExpense, {QStringLiteral("2007-03-05")},
                                        {QStringLiteral("打车")}, {QStringLiteral("30.00")}, {QString()});
    OutputCommands output(fields, nullptr);
    ReportCommands commands(fields, output, nullptr);

    const QString pdf = pdfPath("menu.pdf");
    CompositeReport::setNextDialogAnswer(PrintTo(pdf));
    commands.Print(QDate(2007, 3, 1), QDate(2007, 3, 31), OutputLayout::II);
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(PdfPageCount(pdf), 1);
    const QStringList rows = WordsOf(PrintedRows(Pages(pdf).first()));
    const QStringList expected{
        QStringLiteral("2007-03-05 午饭 12.50"),
        QStringLiteral("2007-03-06 工资 3000.00 三月"),
        QStringLiteral("合计 3000.00 12.50 2007-03-01至2007-03-31 31天"),
        QStringLiteral("结余 2987.50 2007-03-01至2007-03-31 31天"),
    };
    QCOMPARE(rows, expected);
}

void TestReportPrint::reversedRangeOpensNoDialog()
{
    TempDatabase database;
    MainWindowFields fields;
    fields.g_objDatabaseUser = std::make_unique<TclsDatabaseUser>(database.path());
    OutputCommands output(fields, nullptr);
    ReportCommands commands(fields, output, nullptr);
    const int before = CompositeReport::dialogCount();
    commands.Print(QDate(2007, 3, 2), QDate(2007, 3, 1), OutputLayout::I);
    commands.Preview(QDate(2007, 3, 2), QDate(2007, 3, 1), OutputLayout::II);
    QCOMPARE(CompositeReport::dialogCount(), before);
    const auto boxes = MessageBox::shown();
    QCOMPARE(boxes.size(), 2);
    for (const auto &box : boxes) {
        QCOMPARE(box.icon, MessageBox::Warning);
        QCOMPARE(box.text, QStringLiteral("查看起始日期不能大于截止日期！"));
    }
}

QTEST_MAIN(TestReportPrint)
#include "tst_reportprint.moc"
