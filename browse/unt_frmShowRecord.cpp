#include "unt_frmShowRecord.h"

#include "AmountText.h"
#include "BrowseWidgets.h"
#include "ReportTable.h"

#include <QLabel>

TfrmShowRecord::TfrmShowRecord(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmShowRecord"));
    SetupFixedDialog(this, QStringLiteral("详细显示每天所有收支记录"), 604, 420);
    lblDate = new QLabel(this);
    lblDate->setObjectName(QStringLiteral("lblDate"));
    lblDate->setGeometry(10, 10, 584, 16);
    lvwList = new ReportTable(this, QStringLiteral("lvwList"), RecordColumns());
    lvwList->setGeometry(10, 32, 584, 352);
    lblTotal = MakeFigureLabel(this, QStringLiteral("lblTotal"), QString(), 10, 394, 594);
    lblTotal->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

TfrmShowRecord::~TfrmShowRecord()
{
    // The list lets go of the records before they go.
    lvwList->tableModel()->clear();
}

void TfrmShowRecord::ShowRecords(const QDate &start, const QDate &end, const DayTotals &days,
                                 RangeRows records)
{
    lblDate->setText(RangeLineText(start, end));
    lvwList->tableModel()->clear();
    g_objRangeRows = std::move(records);
    // Only the rows on screen are ever decoded.
    lvwList->tableModel()->setProvider(g_objRangeRows.size(), [this](int row, int column) {
        return RecordText(g_objRangeRows, row, column);
    });

    const RangeSums sums = SumDayTotals(days);
    lblTotal->setText(QStringLiteral("支出合计：%1    收入合计：%2    结余合计：%3")
                          .arg(FormatAmount(sums.expense), FormatAmount(sums.income), FormatAmount(sums.balance)));
}
