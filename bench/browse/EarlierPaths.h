#pragma once

// The report lists and the preview as they were before the lists had a
// model: one QTreeWidgetItem with its own strings per row, and a preview whose
// pages stayed until the next run. Kept here only so the bench can measure
// them beside what the program does now.

#include "CompositeReport.h"
#include "OutputRows.h"
#include "ReportModel.h"
#include "unt_clsDatabaseUser.h"

#include <QDialog>
#include <QWidget>

#include <memory>
#include <vector>

class OutputCommands;
class QTreeWidget;

// The browse panel's per-day and detail lists and their cache.
class ItemBrowseLists : public QWidget
{
public:
    explicit ItemBrowseLists(QWidget *parent = nullptr);
    // The query, the per-day rows and the end date's records, as View did.
    void view(TclsDatabaseUser &store, const QString &user, const QDate &start, const QDate &end);
    void selectDay(int row);
    QTreeWidget *days() const { return m_days; }
    QTreeWidget *details() const { return m_details; }

private:
    void showDay(int row);

    QTreeWidget *m_days;
    QTreeWidget *m_details;
    DayTotals m_dayTotals;
    RangeRecords m_records;
};

// The daily listing: every record of a range as an item, while the caller
// keeps the store's lists.
class ItemShowRecord : public QDialog
{
public:
    explicit ItemShowRecord(QWidget *parent = nullptr);
    void showRecords(const RangeRecords &records);
    QTreeWidget *list() const { return m_list; }

private:
    QTreeWidget *m_list;
};

// The pages of the latest preview, kept by the caller after it closed.
struct EarlierPreviewRun {
    std::vector<std::unique_ptr<PageReport>> reports;
    std::unique_ptr<CompositeReport> composite;
};
// The preview command of layout I as it was.
void EarlierPreview(OutputCommands &output, const QDate &start, const QDate &end, EarlierPreviewRun &run);
