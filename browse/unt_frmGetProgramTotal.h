#pragma once

#include "ShareSlices.h"
#include "unt_clsDatabaseUser.h"

#include <QDate>
#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;
class ShareChartView;

// Each item's total and share of one record type over a range, as the store
// computed them, largest first, with a pie of the same items beside the list.
// Closed by its frame only.
class TfrmGetProgramTotal : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmGetProgramTotal(QWidget *parent = nullptr);

    // Caption by type, the date line and one row per entry, in the order given;
    // the window grows to hold the pie unless the range has no records.
    void ShowTotals(const QString &recordType, const QDate &start, const QDate &end, const ProgramTotals &totals);
    void btnSavePictureClick();

    ShareChartView *chart() const { return chtShare; }
    const ShareChartData &chartData() const { return m_chartData; }

private:
    void addChart();
    void highlightRows(int slice, bool on);

    QLabel *lblDate;
    QTreeWidget *lvwTotal;
    ShareChartView *chtShare = nullptr;
    QPushButton *btnSavePicture = nullptr;
    ShareChartData m_chartData;
};
