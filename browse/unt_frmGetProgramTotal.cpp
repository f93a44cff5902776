#include "unt_frmGetProgramTotal.h"

#include "BrowseWidgets.h"

#include <QLabel>
#include <QTreeWidget>

TfrmGetProgramTotal::TfrmGetProgramTotal(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGetProgramTotal"));
    SetupFixedDialog(this, QString(), 452, 318);
    lblDate = new QLabel(this);
    lblDate->setObjectName(QStringLiteral("lblDate"));
    lblDate->setGeometry(10, 10, 432, 16);
    lvwTotal = MakeReportList(this, QStringLiteral("lvwTotal"),
                              {{QStringLiteral("项目"), 200, false},
                               {QStringLiteral("金额"), 110, true},
                               {QStringLiteral("百分比（％）"), 105, true}});
    lvwTotal->setGeometry(10, 32, 432, 276);
}

void TfrmGetProgramTotal::ShowTotals(const QString &recordType, const QDate &start, const QDate &end,
                                     const ProgramTotals &totals)
{
    setWindowTitle(recordType == kTypeExpense ? QStringLiteral("统计各个支出项目所占比例")
                                              : QStringLiteral("统计各个收入项目所占比例"));
    lblDate->setText(RangeLineText(start, end));
    QList<QTreeWidgetItem *> rows;
    for (int i = 0; i < totals.size(); ++i)
        rows << MakeReportRow(lvwTotal, {totals.name[i], totals.total[i], totals.share[i]});
    FillReportList(lvwTotal, rows);
}
