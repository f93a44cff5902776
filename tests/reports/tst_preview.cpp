// The preview window and its page component, driven offscreen.
#include "CompositeReport.h"
#include "MessageBox.h"
#include "OutputCommands.h"
#include "OutputReport.h"
#include "ReportCommands.h"
#include "ReportPreview.h"
#include "ReportTestData.h"
#include "TestSupport.h"
#include "unt_frmPreview.h"

#include <QtTest>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

namespace {

// A prepared composite over the page reports of a row set, as a run makes it.
struct PreparedRun {
    explicit PreparedRun(int records)
    {
        OutputRows rows = SampleRows(records, OutputLayout::I);
        reports = BuildPageReports(rows, OutputLayout::I, ComputeReportGeometry(96, 96));
        QObject::connect(&composite, &CompositeReport::addReports, &composite, [this] {
            for (const auto &report : reports)
                composite.addReport(report.get());
        });
        composite.prepare();
    }
    std::vector<std::unique_ptr<PageReport>> reports;
    CompositeReport composite;
};

QString PageText(int page, int count) { return QStringLiteral("第 %1 页 / 共 %2 页").arg(page).arg(count); }

// Dark pixels in a horizontal strip of the drawn sheet (its shadow and the
// 10 px grey gap around it left out).
int InkIn(const QImage &image, int top, int bottom)
{
    int ink = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = 10; x < image.width() - 10; ++x) {
            if (qGray(image.pixel(x, y)) < 128)
                ++ink;
        }
    }
    return ink;
}

} // namespace

class TestPreview : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void formLayout();
    void navigation_data();
    void navigation();
    void componentIgnoresPagesOutOfRange_data();
    void componentIgnoresPagesOutOfRange();
    void acceptedPageScrollsToTopLeft();
    void drawsTheLabelsOfTheCurrentPage();
    void printNowKeepsThePreviewOpen();
    void previewCommandRecordsTheActiveDialog();

private:
    QTemporaryDir m_dir;
};

void TestPreview::initTestCase()
{
    MessageBox::setTestMode(true);
    QVERIFY(m_dir.isValid());
}

void TestPreview::formLayout()
{
    PreparedRun run(100);
    TfrmPreview preview(run.composite);
    QCOMPARE(preview.windowTitle(), QStringLiteral("打印预览"));
    QCOMPARE(preview.lblCurrentPage->text(), QStringLiteral("#"));
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    QCOMPARE(preview.lblCurrentPage->text(), PageText(1, 3));

    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(preview.frameGeometry(), work);
    const QSize client = preview.size();
    QCOMPARE(preview.pnlTop->geometry(), QRect(0, 0, client.width(), 36));
    QCOMPARE(preview.pnlBottom->geometry(), QRect(0, client.height() - 26, client.width(), 26));
    QCOMPARE(preview.QRPreview1->geometry(), QRect(0, 36, client.width(), client.height() - 62));
    QCOMPARE(preview.lblCurrentPage->pos(), QPoint(10, 7));
    QCOMPARE(preview.QRPreview1->zoom(), 100);
    for (QPushButton *button : preview.pnlTop->findChildren<QPushButton *>())
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
}

void TestPreview::navigation_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<QString>("presses"); // H head, B back, N next, T tail
    QTest::addColumn<QList<int>>("pages"); // the page after each press
    // 100 records: 104 rows, 3 pages.
    QTest::newRow("back on page 1") << 100 << "B" << QList<int>{1};
    QTest::newRow("forward to the end and past it") << 100 << "NNN" << QList<int>{2, 3, 3};
    QTest::newRow("next on the last page") << 100 << "TN" << QList<int>{3, 3};
    QTest::newRow("head from the last page") << 100 << "THB" << QList<int>{3, 1, 1};
    QTest::newRow("back from the last page") << 100 << "TBB" << QList<int>{3, 2, 1};
    QTest::newRow("single page") << 0 << "NBTH" << QList<int>{1, 1, 1, 1};
}

void TestPreview::navigation()
{
    QFETCH(int, records);
    QFETCH(QString, presses);
    QFETCH(QList<int>, pages);
    PreparedRun run(records);
    TfrmPreview preview(run.composite);
    preview.show();
    const int count = run.composite.pageCount();
    QCOMPARE(preview.QRPreview1->pageCount(), count);
    QCOMPARE(preview.QRPreview1->pageNumber(), 1);

    for (int i = 0; i < presses.size(); ++i) {
        QPushButton *button = nullptr;
        switch (presses.at(i).toLatin1()) {
        case 'H': button = preview.btnHeadPage; break;
        case 'B': button = preview.btnBackPage; break;
        case 'N': button = preview.btnNextPage; break;
        default: button = preview.btnTailPage; break;
        }
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(preview.QRPreview1->pageNumber(), pages.at(i));
        QCOMPARE(preview.lblCurrentPage->text(), PageText(pages.at(i), count));
        // The page shown is the prepared page of that number.
        QCOMPARE(preview.QRPreview1->currentPage()->number, pages.at(i));
        QCOMPARE(preview.QRPreview1->currentPage()->labels.at(49).caption,
                 QStringLiteral("第 %1 页").arg(pages.at(i)));
    }
}

void TestPreview::componentIgnoresPagesOutOfRange_data()
{
    QTest::addColumn<int>("number");
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -1;
    QTest::newRow("one past the end") << 4;
    QTest::newRow("far past the end") << 1000;
}

void TestPreview::componentIgnoresPagesOutOfRange()
{
    QFETCH(int, number);
    PreparedRun run(100);
    ReportPreview preview;
    QSignalSpy changed(&preview, &ReportPreview::pageChanged);
    preview.setPages(run.composite.preparedPages());
    preview.setPageNumber(2);
    QCOMPARE(changed.size(), 2);
    preview.setPageNumber(number);
    QCOMPARE(preview.pageNumber(), 2);
    QCOMPARE(changed.size(), 2);
}

void TestPreview::acceptedPageScrollsToTopLeft()
{
    PreparedRun run(100);
    ReportPreview preview;
    preview.resize(400, 300); // smaller than the page: both scroll bars in use
    preview.setPages(run.composite.preparedPages());
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    QVERIFY(preview.verticalScrollBar()->maximum() > 0);
    QVERIFY(preview.horizontalScrollBar()->maximum() > 0);
    preview.verticalScrollBar()->setValue(500);
    preview.horizontalScrollBar()->setValue(200);
    preview.setPageNumber(7); // ignored: stays where it is
    QCOMPARE(preview.verticalScrollBar()->value(), 500);
    preview.setPageNumber(3);
    QCOMPARE(preview.verticalScrollBar()->value(), 0);
    QCOMPARE(preview.horizontalScrollBar()->value(), 0);
}

void TestPreview::drawsTheLabelsOfTheCurrentPage()
{
    PreparedRun run(43); // 47 rows: page 2 holds a single row line
    ReportPreview preview;
    preview.setPages(run.composite.preparedPages());
    const QImage first = preview.pageWidget()->grab().toImage();
    const PreparedPage &page = run.composite.preparedPages()->at(0);
    QCOMPARE(first.size(), page.sizePx + QSize(20, 20));
    // The band starts 10 mm in: 38 px at 96 ppi, inside the 10 px grey gap.
    const int bandTop = 10 + RoundHalfEven(10 * 96 / 25.4);
    auto rowInk = [&](const QImage &image, int k) {
        return InkIn(image, bandTop + 90 + 20 * k + 2, bandTop + 90 + 20 * k + 14);
    };
    QVERIFY(rowInk(first, 0) > 50);
    QVERIFY(rowInk(first, 45) > 50);
    // Nothing between the last row line and the page number.
    QCOMPARE(InkIn(first, bandTop + 90 + 20 * 46, bandTop + 1028), 0);

    preview.setPageNumber(2);
    const QImage second = preview.pageWidget()->grab().toImage();
    QVERIFY(rowInk(second, 0) > 50);
    QCOMPARE(rowInk(second, 1), 0);
    QCOMPARE(rowInk(second, 45), 0);
    // Title, header, rule and page number are on every page.
    QVERIFY(InkIn(second, bandTop, bandTop + 30) > 50);
    QVERIFY(InkIn(second, bandTop + 1030, bandTop + 1046) > 20);
}

void TestPreview::printNowKeepsThePreviewOpen()
{
    PreparedRun run(100);
    TfrmPreview preview(run.composite);
    preview.show();
    QTest::mouseClick(preview.btnNextPage, Qt::LeftButton);

    const QString cancelled = m_dir.filePath(QStringLiteral("cancelled.pdf"));
    CompositeReport::setNextDialogAnswer(CompositeReport::DialogAnswer{});
    QTest::mouseClick(preview.btnPrint, Qt::LeftButton);
    QVERIFY(!QFile::exists(cancelled));
    QCOMPARE(run.composite.printerIndex(), -1);

    const QString pdf = m_dir.filePath(QStringLiteral("now.pdf"));
    CompositeReport::DialogAnswer answer;
    answer.accepted = true;
    answer.outputFile = pdf;
    CompositeReport::setNextDialogAnswer(answer);
    QTest::mouseClick(preview.btnPrint, Qt::LeftButton);
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(PdfPageCount(pdf), 3);
    QVERIFY(PdfText(pdf, 3).contains(QStringLiteral("第 3 页")));
    QVERIFY(preview.isVisible());
    QCOMPARE(preview.QRPreview1->pageNumber(), 2);
    QCOMPARE(preview.lblCurrentPage->text(), PageText(2, 3));
}

void TestPreview::previewCommandRecordsTheActiveDialog()
{
    TempDatabase database;
    MainWindowFields fields;
    fields.g_strUserName = QStringLiteral("张三");
    fields.g_objDatabaseUser = std::make_unique<TclsDatabaseUser>(database.path());
    QStringList dates;
    QStringList names;
    QStringList amounts;
    QStringList memos;
    for (int i = 0; i < 50; ++i) {
        dates << QStringLiteral("2007-03-%1").arg(1 + i % 28, 2, 10, QLatin1Char('0'));
        names << QStringLiteral("午饭");
        amounts << QStringLiteral("12.50");
        memos << QString();
    }
    fields.g_objDatabaseUser->AddRecord(fields.g_strUserName, kTypeExpense, dates, names, amounts, memos);
    QWidget owner;
    OutputCommands output(fields, &owner);
    ReportCommands commands(fields, output, &owner);

    bool seen = false;
    QString pageText;
    QString firstRow;
    int heldWhileShown = -1;
    QTimer::singleShot(0, [&] {
        auto *preview = qobject_cast<TfrmPreview *>(QApplication::activeModalWidget());
        if (!preview)
            return;
        heldWhileShown = commands.runPageCount();
        seen = fields.g_hActiveDialog == preview;
        pageText = preview->lblCurrentPage->text();
        firstRow = preview->QRPreview1->currentPage()->labels.at(3).caption;
        preview->reject();
    });
    commands.Preview(QDate(2007, 3, 1), QDate(2007, 3, 31), OutputLayout::II);
    QVERIFY(seen);
    QCOMPARE(pageText, PageText(1, 2)); // 50 records + blank + 2 totals
    QVERIFY2(firstRow.startsWith(QStringLiteral("2007-03-01    午饭")), qPrintable(firstRow));
    QVERIFY(fields.g_hActiveDialog.isNull());
    QVERIFY(MessageBox::shown().isEmpty());
    // The pages live as long as the preview, not until the next run.
    QCOMPARE(heldWhileShown, 2);
    QCOMPARE(commands.runPageCount(), 0);
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
