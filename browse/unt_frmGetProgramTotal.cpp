#include "unt_frmGetProgramTotal.h"

#include "BrowseWidgets.h"
#include "ChartPicture.h"
#include "FormParts.h"
#include "ShareChartView.h"

#include <QLabel>
#include <QPieSeries>
#include <QPushButton>
#include <QTreeWidget>

namespace {
constexpr int kListWidth = 452;
constexpr int kHeight = 318;
constexpr int kChartWidth = 470;
} // namespace

TfrmGetProgramTotal::TfrmGetProgramTotal(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGetProgramTotal"));
    SetupFixedDialog(this, QString(), kListWidth, kHeight);
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
    m_chartData = MakeShareSlices(totals);
    if (!m_chartData.isEmpty() && !chtShare)
        addChart();
}

void TfrmGetProgramTotal::addChart()
{
    chtShare = new ShareChartView(m_chartData, this);
    chtShare->setObjectName(QStringLiteral("chtShare"));
    chtShare->setGeometry(kListWidth, 10, kChartWidth - 10, kHeight - 50);
    btnSavePicture = new QPushButton(QStringLiteral("保存图片(&S)..."), this);
    btnSavePicture->setObjectName(QStringLiteral("btnSavePicture"));
    btnSavePicture->setGeometry(kListWidth + kChartWidth - 120, kHeight - 34, 110, 24);
    btnSavePicture->setAutoDefault(false);
    connect(btnSavePicture, &QPushButton::clicked, this, &TfrmGetProgramTotal::btnSavePictureClick);
    setFixedSize(kListWidth + kChartWidth, kHeight);
    CentreOnScreen(this);

    connect(chtShare, &ShareChartView::sliceHovered, this, &TfrmGetProgramTotal::highlightRows);
    connect(lvwTotal, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem *> selected = lvwTotal->selectedItems();
        const int row = selected.isEmpty() ? -1 : lvwTotal->indexOfTopLevelItem(selected.first());
        chtShare->setHighlightedSlice(row < 0 ? -1 : m_chartData.sliceOfRow.value(row, -1));
    });
}

void TfrmGetProgramTotal::highlightRows(int slice, bool on)
{
    if (slice < 0 || slice >= m_chartData.slices.size())
        return;
    // A pale wash of the slice's own colour over the rows it stands for.
    QColor wash = chtShare->sliceColour(slice);
    wash.setAlpha(90);
    const QBrush brush = on ? QBrush(wash) : QBrush();
    for (int row : m_chartData.slices[slice].rows) {
        QTreeWidgetItem *item = lvwTotal->topLevelItem(row);
        for (int column = 1; column < lvwTotal->columnCount(); ++column)
            item->setBackground(column, brush);
    }
    if (on)
        lvwTotal->scrollToItem(lvwTotal->topLevelItem(m_chartData.slices[slice].rows.constFirst()));
}

void TfrmGetProgramTotal::btnSavePictureClick()
{
    if (chtShare)
        SaveChartPicture(this, chtShare);
}
