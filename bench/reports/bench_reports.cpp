// Prepares the print preview of 10,000 records (218 pages) and prints how
// long each step took, against the bare cost of making the row line texts.
#include "BenchLedger.h"
#include "CompositeReport.h"
#include "MainWindowFields.h"
#include "MessageBox.h"
#include "OutputCommands.h"
#include "OutputReport.h"
#include "ReportCommands.h"
#include "ReportPreview.h"
#include "TextCodec.h"
#include "unt_frmPreview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    MessageBox::setTestMode(true);

    const int recordCount = 10000;
    const QDate start(2007, 1, 1), end(2007, 12, 31);
    const int dayCount = int(start.daysTo(end)) + 1;

    BenchLedger ledger;
    MainWindowFields &fields = ledger.fields;
    ledger.addExpenseSeries(recordCount, start, end);
    OutputCommands output(fields, nullptr);

    QElapsedTimer timer;
    timer.start();
    OutputRows rows;
    output.BuildOutputRows(start, end, rows);
    const qint64 gatherMs = timer.elapsed();

    // Baseline: only the texts of the row lines, nothing laid out.
    timer.restart();
    QStringList lines;
    lines.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i)
        lines << Gbk::decode(RowLine(rows, i, OutputLayout::I));
    const qint64 baselineMs = timer.elapsed();

    const QSize ppi = ScreenPixelsPerInch();
    timer.restart();
    auto reports = BuildPageReports(rows, OutputLayout::I, ComputeReportGeometry(ppi.width(), ppi.height()));
    const qint64 layoutMs = timer.elapsed();

    timer.restart();
    CompositeReport composite;
    QObject::connect(&composite, &CompositeReport::addReports, &composite, [&] {
        for (const auto &report : reports)
            composite.addReport(report.get());
    });
    SetPrinterDefaults(composite);
    composite.prepare();
    const qint64 prepareMs = timer.elapsed();

    timer.restart();
    {
        TfrmPreview preview(composite);
        preview.show();
        preview.QRPreview1->pageWidget()->grab(); // the first page drawn
    }
    const qint64 showMs = timer.elapsed();

    const qint64 previewMs = layoutMs + prepareMs + showMs;
    std::printf("records %d over %d days: %d rows, %d pages at %dx%d ppi\n", recordCount, dayCount, rows.size(),
                composite.pageCount(), ppi.width(), ppi.height());
    std::printf("gather (store + row set):        %6lld ms\n", gatherMs);
    std::printf("baseline (row line texts only):  %6lld ms\n", baselineMs);
    std::printf("page reports (50 labels a page): %6lld ms\n", layoutMs);
    std::printf("composite prepare:               %6lld ms\n", prepareMs);
    std::printf("preview window, first page drawn:%6lld ms\n", showMs);
    std::printf("preview ready (target <= 2000):  %6lld ms  (%.1fx the baseline)\n", previewMs,
                baselineMs > 0 ? double(previewMs) / double(baselineMs) : 0.0);

    // The whole menu command, store included, with the dialog closed at once.
    ReportCommands commands(fields, output, nullptr);
    QTimer::singleShot(0, [] {
        if (QWidget *dialog = QApplication::activeModalWidget())
            dialog->close();
    });
    timer.restart();
    commands.Preview(start, end, OutputLayout::II);
    std::printf("whole preview command, layout II:%6lld ms\n", timer.elapsed());

    const QString pdf = ledger.filePath("all.pdf");
    CompositeReport::DialogAnswer answer;
    answer.accepted = true;
    answer.outputFile = pdf;
    CompositeReport::setNextDialogAnswer(answer);
    timer.restart();
    PrintPrepared(composite, nullptr);
    std::printf("print %d pages to PDF:           %6lld ms\n", composite.pageCount(), timer.elapsed());
    return MessageBox::shown().isEmpty() ? 0 : 1;
}
