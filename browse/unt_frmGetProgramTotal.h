#pragma once

#include "unt_clsDatabaseUser.h"

#include <QDate>
#include <QDialog>

class QLabel;
class QTreeWidget;

// Each item's total and share of one record type over a range, as the store
// computed them, largest first. Closed by its frame only.
class TfrmGetProgramTotal : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmGetProgramTotal(QWidget *parent = nullptr);

    // Caption by type, the date line and one row per entry, in the order given.
    void ShowTotals(const QString &recordType, const QDate &start, const QDate &end, const ProgramTotals &totals);

private:
    QLabel *lblDate;
    QTreeWidget *lvwTotal;
};
