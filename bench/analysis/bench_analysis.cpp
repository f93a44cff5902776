// Times the analysis windows on 200,000 records of one user over ten years,
// each figure with its ratio to the bare read of the same rows (sqlite3_step
// over every column, nothing decoded) measured in the same run:
// the share window with its pie for one year, the month-by-month window for
// ten years and a find over all dates, each painted on the screen.
#include "BenchLedger.h"
#include "BenchTiming.h"
#include "MessageBox.h"
#include "PeriodTotals.h"
#include "TextCodec.h"
#include "unt_clsDatabaseUser.h"
#include "unt_frmFindRecord.h"
#include "unt_frmGetProgramTotal.h"
#include "unt_frmMonthTotal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
constexpr int kRecords = 200000;

// The floor: the user's rows of the range through sqlite3_step, every column
// taken as bytes. Returns the rows read.
qint64 BareRead(const QString &path, const QString &user, const QDate &start, const QDate &end)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(db,
                       "select ID, Program_Date, Program_Type, Program_Name, Program_Money, Program_Memo from "
                       "All_Table where User_Name=?1 and Program_Date>=?2 and Program_Date<=?3",
                       -1, &stmt, nullptr);
    const QByteArray n = EncodeField(user);
    const QByteArray s = start.toString(Qt::ISODate).toLatin1();
    const QByteArray e = end.toString(Qt::ISODate).toLatin1();
    sqlite3_bind_text(stmt, 1, n.constData(), int(n.size()), SQLITE_STATIC);
    sqlite3_bind_text(stmt, 2, s.constData(), int(s.size()), SQLITE_STATIC);
    sqlite3_bind_text(stmt, 3, e.constData(), int(e.size()), SQLITE_STATIC);
    qint64 rows = 0;
    qint64 bytes = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < 6; ++c)
            bytes += sqlite3_column_bytes(stmt, c);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return bytes > 0 ? rows : 0;
}

void Report(const QString &what, const Timing &t, double target, const Timing &baseline)
{
    const QString goal = target > 0 ? QStringLiteral("(target <= %1 ms)").arg(target) : QStringLiteral("(no target)");
    std::printf("%-52s %7.1f ms wall, %7.1f ms cpu %-18s %5.1f x the bare read\n", qPrintable(what), t.wall, t.cpu,
                qPrintable(goal), t.cpu / baseline.cpu);
}
} // namespace

int main(int argc, char **argv)
{
    UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    MessageBox::setTestMode(true);

    BenchLedger ledger;
    MainWindowFields &fields = ledger.fields;
    TclsDatabaseUser &store = *fields.g_objDatabaseUser;
    const QString &user = fields.g_strUserName;
    const QDate start(2008, 1, 1);
    const QDate end = start.addYears(10).addDays(-1);
    QElapsedTimer fill;
    fill.start();
    ledger.addMixedSeries(kRecords, start, end);
    std::printf("fill: %d records of one user over 10 years in %.0f ms\n", kRecords, fill.nsecsElapsed() / 1e6);

    const QDate yearStart(2012, 1, 1);
    const QDate yearEnd(2012, 12, 31);
    qint64 yearRows = 0;
    qint64 allRows = 0;
    const Timing bareYear = BestOf(5, [&] { yearRows = BareRead(ledger.path(), user, yearStart, yearEnd); });
    const Timing bareAll = BestOf(5, [&] { allRows = BareRead(ledger.path(), user, start, end); });
    Report(QStringLiteral("baseline: bare read of one year (%1 rows)").arg(yearRows), bareYear, 0, bareYear);
    Report(QStringLiteral("baseline: bare read of ten years (%1 rows)").arg(allRows), bareAll, 0, bareAll);

    int slices = 0;
    const Timing share = BestOf(3, [&] {
        ProgramTotals totals;
        store.GetProgramTotals(user, kTypeExpense, yearStart, yearEnd, totals);
        TfrmGetProgramTotal window;
        window.ShowTotals(kTypeExpense, yearStart, yearEnd, totals);
        window.show();
        QApplication::processEvents(); // painted, pie included
        slices = window.chartData().slices.size();
    });
    Report(QStringLiteral("share window with its pie, one year (%1 slices)").arg(slices), share, 300, bareYear);

    int months = 0;
    const Timing month = BestOf(3, [&] {
        DayTotals days;
        store.ListTotalsOfDate(user, start, end, days);
        const PeriodTable table = MakePeriodTable(days, PeriodKindOf(start, end));
        TfrmMonthTotal window;
        window.ShowPeriods(start, end, table);
        window.show();
        QApplication::processEvents();
        months = table.rows.size();
    });
    Report(QStringLiteral("month-by-month window, ten years (%1 months)").arg(months), month, 500, bareAll);

    // Finds over all dates through the dialog, results listed and painted.
    struct Find {
        const char *what;
        QString text;
        double target;
    };
    const QList<Find> finds{{"find an item name over all dates", QStringLiteral("早饭7"), 300},
                            {"find a memo, letters in the other case", QStringLiteral("12345 NOTE"), 300},
                            {"find with no hit over all dates", QStringLiteral("燃气费"), 300},
                            {"find matching every record", QStringLiteral("备注"), 0}};
    bool ok = true;
    for (const Find &find : finds) {
        int found = 0;
        const Timing ms = BestOf(3, [&] {
            TfrmFindRecord dialog(fields, start, end);
            dialog.findChild<QLineEdit *>(QStringLiteral("edtText"))->setText(find.text);
            dialog.findChild<QRadioButton *>(QStringLiteral("rdoAllDates"))->setChecked(true);
            dialog.show();
            QApplication::processEvents();
            dialog.btnFindClick();
            QApplication::processEvents();
            found = dialog.found().size();
        });
        const QString what = QStringLiteral("%1 (%2 found)").arg(QLatin1String(find.what)).arg(found);
        Report(what, ms, find.target, bareAll);
        ok = ok && (found > 0) == (find.text != QStringLiteral("燃气费"));
    }
    for (const MessageBox::Shown &box : MessageBox::shown())
        std::printf("unexpected message: %s\n", qPrintable(box.text));
    return ok && MessageBox::shown().isEmpty() && allRows == kRecords ? 0 : 1;
}
