#pragma once

#include "unt_clsDatabaseUser.h"

#include <QDate>
#include <QDialog>

class QLabel;
class QTreeWidget;

// Every record of a range, day after day, with the range's expense, income
// and balance on one line below. Closed by its frame only.
class TfrmShowRecord : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmShowRecord(QWidget *parent = nullptr);

    void ShowRecords(const QDate &start, const QDate &end, const DayTotals &days, const RangeRecords &records);

private:
    QLabel *lblDate;
    QTreeWidget *lvwList;
    QLabel *lblTotal;
};
