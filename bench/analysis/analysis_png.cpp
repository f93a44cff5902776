// Draws the share window, the month-by-month window and the find dialog on a
// household ledger of a few months into PNG files, as they show on screen:
// kavlo-analysis-png <folder>  (writes share.png, month.png, find.png)
#include "BenchLedger.h"
#include "MessageBox.h"
#include "PeriodTotals.h"
#include "unt_frmFindRecord.h"
#include "unt_frmGetProgramTotal.h"
#include "unt_frmMonthTotal.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cstdio>

namespace {
bool Shoot(QWidget *window, const QString &path)
{
    window->show();
    QApplication::processEvents();
    const bool saved = window->grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}
} // namespace

int main(int argc, char **argv)
{
    UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: kavlo-analysis-png <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    MessageBox::setTestMode(true);

    BenchLedger ledger;
    const QDate start(2007, 1, 1);
    const QDate end(2007, 6, 30);
    ledger.addHouseholdMonths(start, 6);
    TclsDatabaseUser &store = *ledger.fields.g_objDatabaseUser;
    const QString &user = ledger.fields.g_strUserName;

    ProgramTotals totals;
    store.GetProgramTotals(user, kTypeExpense, start, end, totals);
    TfrmGetProgramTotal share;
    share.ShowTotals(kTypeExpense, start, end, totals);
    bool ok = Shoot(&share, folder.filePath(QStringLiteral("share.png")));

    DayTotals days;
    store.ListTotalsOfDate(user, start, end, days);
    TfrmMonthTotal month;
    month.ShowPeriods(start, end, MakePeriodTable(days, PeriodKindOf(start, end)));
    ok = Shoot(&month, folder.filePath(QStringLiteral("month.png"))) && ok;

    TfrmFindRecord find(ledger.fields, start, end);
    find.findChild<QLineEdit *>(QStringLiteral("edtText"))->setText(QStringLiteral("gas"));
    find.findChild<QRadioButton *>(QStringLiteral("rdoAllDates"))->setChecked(true);
    find.btnFindClick();
    ok = Shoot(&find, folder.filePath(QStringLiteral("find.png"))) && ok;
    return ok && MessageBox::shown().isEmpty() ? 0 : 1;
}
