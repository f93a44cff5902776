#include "EarlierPaths.h"

#include "OutputCommands.h"
#include "OutputReport.h"
#include "ReportList.h"
#include "unt_frmPreview.h"

#include <QItemSelectionModel>
#include <QTreeWidget>

namespace {
QTreeWidgetItem *RecordRow(const QTreeWidget *list, const RangeRecords &records, int i)
{
    return MakeReportRow(list, {records.date[i], records.type[i], records.name[i], records.amount[i], records.memo[i]});
}
} // namespace

ItemBrowseLists::ItemBrowseLists(QWidget *parent) : QWidget(parent)
{
    resize(616, 372);
    m_days = MakeReportList(this, QStringLiteral("lvwInAndOut_List1"),
                            {{QStringLiteral("日期"), 186, false},
                             {QStringLiteral("支出"), 186, true},
                             {QStringLiteral("收入"), 188, true}});
    m_days->setGeometry(12, 37, 593, 133);
    m_details = MakeReportList(this, QStringLiteral("lvwInAndOut_List2"), RecordColumns());
    m_details->setGeometry(12, 179, 593, 157);
    connect(m_days->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected, const QItemSelection &deselected) {
                const QModelIndexList indexes = selected.isEmpty() ? deselected.indexes() : selected.indexes();
                if (!indexes.isEmpty())
                    showDay(indexes.first().row());
            });
}

void ItemBrowseLists::view(TclsDatabaseUser &store, const QString &user, const QDate &start, const QDate &end)
{
    DayTotals days;
    RangeRecords records;
    store.ListRecordsOfDate(user, start, end, days, records);
    m_dayTotals = std::move(days);
    m_records = std::move(records);
    QList<QTreeWidgetItem *> rows;
    rows.reserve(m_dayTotals.size());
    for (int i = 0; i < m_dayTotals.size(); ++i)
        rows << MakeReportRow(m_days, {m_dayTotals.date[i], m_dayTotals.expense[i], m_dayTotals.income[i]});
    const QSignalBlocker quiet(m_days->selectionModel());
    FillReportList(m_days, rows);
    m_days->setFocus();
    if (!rows.isEmpty()) {
        m_days->setCurrentItem(rows.last());
        m_days->scrollToItem(rows.last());
        showDay(int(rows.size()) - 1);
    }
}

void ItemBrowseLists::selectDay(int row) { m_days->setCurrentItem(m_days->topLevelItem(row)); }

void ItemBrowseLists::showDay(int row)
{
    const QString date = m_days->topLevelItem(row)->text(1);
    QList<QTreeWidgetItem *> rows;
    QStringList ids;
    for (int i = 0; i < m_records.size(); ++i) {
        if (m_records.date[i] != date)
            continue;
        rows << RecordRow(m_details, m_records, i);
        ids << m_records.id[i];
    }
    FillReportList(m_details, rows);
}

ItemShowRecord::ItemShowRecord(QWidget *parent) : QDialog(parent)
{
    setFixedSize(604, 420);
    m_list = MakeReportList(this, QStringLiteral("lvwList"), RecordColumns());
    m_list->setGeometry(10, 32, 584, 352);
}

void ItemShowRecord::showRecords(const RangeRecords &records)
{
    QList<QTreeWidgetItem *> rows;
    rows.reserve(records.size());
    for (int i = 0; i < records.size(); ++i)
        rows << RecordRow(m_list, records, i);
    FillReportList(m_list, rows);
}

void EarlierPreview(OutputCommands &output, const QDate &start, const QDate &end, EarlierPreviewRun &run)
{
    OutputRows rows;
    if (!output.BuildOutputRows(start, end, rows))
        return;
    const QSize ppi = ScreenPixelsPerInch();
    run.composite.reset();
    run.reports = BuildPageReports(rows, OutputLayout::I, ComputeReportGeometry(ppi.width(), ppi.height()));
    run.composite = std::make_unique<CompositeReport>();
    CompositeReport &composite = *run.composite;
    QObject::connect(&composite, &CompositeReport::addReports, &composite, [&run] {
        for (const auto &report : run.reports)
            run.composite->addReport(report.get());
    });
    SetPrinterDefaults(composite);
    composite.prepare();
    TfrmPreview preview(composite);
    preview.exec();
}
