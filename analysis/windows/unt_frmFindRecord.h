#pragma once

#include "MainWindowFields.h"
#include "unt_clsDatabaseUser.h"

#include <QDate>
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class ReportTable;

// "查找收支记录": the records whose item name or memo holds a text, of one
// type or both, in the pickers' range or over all dates. A double click on a
// result ends the dialog with OK; the opener then shows that record's day.
class TfrmFindRecord : public QDialog
{
    Q_OBJECT
public:
    // start and end are the browse panel's pickers, read when it opens.
    TfrmFindRecord(MainWindowFields &fields, const QDate &start, const QDate &end, QWidget *parent = nullptr);
    ~TfrmFindRecord() override;

    void btnFindClick();
    void lvwFoundDoubleClick(int row);

    // The record chosen by the double click.
    QString chosenId() const { return m_chosenId; }
    QDate chosenDate() const { return m_chosenDate; }
    const RangeRecords &found() const { return m_found; }

private:
    MainWindowFields &m_fields;
    QDate m_start;
    QDate m_end;
    RangeRecords m_found;
    QString m_chosenId;
    QDate m_chosenDate;

    QLineEdit *edtText;
    QComboBox *cboType;
    QRadioButton *rdoRange;
    QRadioButton *rdoAllDates;
    QPushButton *btnFind;
    ReportTable *lvwFound; // shows m_found where it is
    QLabel *lblSummary;
};
