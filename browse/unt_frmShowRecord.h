#pragma once

#include "RangeRows.h"
#include "unt_clsDatabaseUser.h"

#include <QDate>
#include <QDialog>

class QLabel;
class ReportTable;

// Every record of a range, day after day, with the range's expense, income
// and balance on one line below. Closed by its frame only.
class TfrmShowRecord : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmShowRecord(QWidget *parent = nullptr);
    ~TfrmShowRecord() override;

    // The window keeps the records it is given and lists them from there; they
    // go with the window.
    void ShowRecords(const QDate &start, const QDate &end, const DayTotals &days, RangeRows records);

private:
    QLabel *lblDate;
    ReportTable *lvwList;
    QLabel *lblTotal;
    RangeRows g_objRangeRows;
};
