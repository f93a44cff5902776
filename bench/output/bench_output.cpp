// Exports 20,000 records as a text file and as workbooks through the real
// commands (store, row set, file) and prints how long each took.
#include "BenchLedger.h"
#include "FileDialog.h"
#include "MainWindowFields.h"
#include "MessageBox.h"
#include "OutputCommands.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char **argv)
{
    UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    MessageBox::setTestMode(true);

    const int recordCount = 20000;
    const QDate start(2007, 1, 1), end(2007, 12, 31);
    const int dayCount = int(start.daysTo(end)) + 1;

    BenchLedger ledger;
    MainWindowFields &fields = ledger.fields;
    ledger.addExpenseSeries(recordCount, start, end);

    OutputCommands commands(fields, nullptr);
    commands.setTemplateDir(QStringLiteral(KAVLO_DATABASE_DIR));

    QElapsedTimer timer;
    timer.start();
    OutputRows rows;
    commands.BuildOutputRows(start, end, rows);
    std::printf("gather %d records over %d days (store + row set): %lld ms\n", recordCount, dayCount,
                timer.elapsed());

    struct Case {
        const char *label;
        bool text;
        OutputLayout layout;
        const char *file;
    } cases[] = {{"text, layout I", true, OutputLayout::I, "out1.txt"},
                 {"text, layout II", true, OutputLayout::II, "out2.txt"},
                 {"workbook, layout I", false, OutputLayout::I, "out1.xls"},
                 {"workbook, layout II", false, OutputLayout::II, "out2.xls"}};
    int failures = 0;
    for (const Case &c : cases) {
        MessageBox::clearShown();
        FileDialog::setNextFileName(ledger.filePath(c.file));
        timer.restart();
        if (c.text)
            commands.SaveAsTxt(start, end, c.layout);
        else
            commands.SaveAsExcel(start, end, c.layout);
        const qint64 ms = timer.elapsed();
        const bool ok = MessageBox::shown().size() == 1 && MessageBox::shown().at(0).icon == MessageBox::Information;
        failures += ok ? 0 : 1;
        std::printf("export %-20s %6lld ms  (%lld bytes, target %s)%s\n", c.label, ms,
                    QFileInfo(ledger.filePath(c.file)).size(), c.text ? "<= 1000 ms" : "<= 2000 ms",
                    ok ? "" : "  FAILED");
    }
    return failures == 0 ? 0 : 1;
}
