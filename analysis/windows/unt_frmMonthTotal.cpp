#include "unt_frmMonthTotal.h"

#include "AmountText.h"
#include "ChartPicture.h"
#include "DialogParts.h"
#include "PeriodChartView.h"
#include "ReportList.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace {
constexpr int kWidth = 640;
constexpr int kHeight = 600;
const QRect kChartPlace(10, 32, 620, 300);

QStringList PeriodTexts(const QString &label, const RangeSums &sums)
{
    return {label, FormatAmount(sums.expense), FormatAmount(sums.income), FormatAmount(sums.balance)};
}
} // namespace

TfrmMonthTotal::TfrmMonthTotal(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMonthTotal"));
    SetupFixedDialog(this, QStringLiteral("按月统计收支"), kWidth, kHeight);
    lblDate = new QLabel(this);
    lblDate->setObjectName(QStringLiteral("lblDate"));
    lblDate->setGeometry(10, 10, 620, 16);
    lvwMonth = MakeReportList(this, QStringLiteral("lvwMonth"),
                              {{QStringLiteral("月份"), 146, false},
                               {QStringLiteral("支出"), 146, true},
                               {QStringLiteral("收入"), 146, true},
                               {QStringLiteral("结余"), 146, true}});
    lvwMonth->setGeometry(10, 340, 620, 216);
    btnSavePicture = new QPushButton(QStringLiteral("保存图片(&S)..."), this);
    btnSavePicture->setObjectName(QStringLiteral("btnSavePicture"));
    btnSavePicture->setGeometry(520, 566, 110, 24);
    btnSavePicture->setAutoDefault(false);
    connect(btnSavePicture, &QPushButton::clicked, this, &TfrmMonthTotal::btnSavePictureClick);
}

void TfrmMonthTotal::ShowPeriods(const QDate &start, const QDate &end, const PeriodTable &table)
{
    lblDate->setText(RangeLineText(start, end));
    if (table.kind == PeriodKind::Day)
        lvwMonth->headerItem()->setText(1, QStringLiteral("日期"));
    delete chtMonth;
    chtMonth = new PeriodChartView(table, this);
    chtMonth->setObjectName(QStringLiteral("chtMonth"));
    chtMonth->setGeometry(kChartPlace);
    chtMonth->show();

    QList<QTreeWidgetItem *> rows;
    rows.reserve(table.rows.size() + 1);
    for (const PeriodRow &row : table.rows)
        rows << MakeReportRow(lvwMonth, PeriodTexts(row.label, row.sums));
    QTreeWidgetItem *total = MakeReportRow(lvwMonth, PeriodTexts(QStringLiteral("合计"), table.total));
    QFont bold = font();
    bold.setBold(true);
    for (int column = 1; column < lvwMonth->columnCount(); ++column)
        total->setFont(column, bold);
    rows << total;
    FillReportList(lvwMonth, rows);
}

void TfrmMonthTotal::btnSavePictureClick()
{
    if (chtMonth)
        SaveChartPicture(this, chtMonth);
}
