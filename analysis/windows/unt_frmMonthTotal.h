#pragma once

#include "PeriodTotals.h"

#include <QDate>
#include <QDialog>

class PeriodChartView;
class QLabel;
class QPushButton;
class QTreeWidget;

// "按月统计收支": each month's expense, income and balance over a range as
// bars and a line, with a table below whose last row holds the range totals.
// A range of a few weeks goes day by day. Closed by its frame.
class TfrmMonthTotal : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmMonthTotal(QWidget *parent = nullptr);

    void ShowPeriods(const QDate &start, const QDate &end, const PeriodTable &table);
    void btnSavePictureClick();

    PeriodChartView *chart() const { return chtMonth; }

private:
    QLabel *lblDate;
    PeriodChartView *chtMonth = nullptr;
    QTreeWidget *lvwMonth;
    QPushButton *btnSavePicture;
};
