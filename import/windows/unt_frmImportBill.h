#pragma once

#include "ImportBatch.h"
#include "MainWindowFields.h"

#include <QDialog>

class EntryPanel;
class ImportReviewModel;
class ImportStateFilter;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

// The review window of a statement import: every row of the chosen files
// with what it would become, the rows to import ticked. "导入" hands the
// ticked rows, with their identities, to the expense and income pending
// lists; nothing reaches the ledger before the user saves them there.
class TfrmImportBill : public QDialog
{
    Q_OBJECT
public:
    TfrmImportBill(MainWindowFields &fields, EntryPanel &expense, EntryPanel &income, ImportBatch batch,
                   QWidget *parent = nullptr);
    ~TfrmImportBill() override;

    ImportReviewModel *model() const { return m_model; }
    ImportStateFilter *filter() const { return m_filter; }
    QTableView *table() const { return tblImport_Rows; }
    QLabel *totalsLabel() const { return lblImport_Totals; }
    QComboBox *stateBox() const { return cboImport_State; }

    void btnImportClick();
    void btnTickAllClick(bool ticked);
    void cboImport_StateChange(int index);

private:
    // After the user gave a row another item: offer to remember it.
    void onItemEdited(int row, const QString &previous);
    void updateTotals();

    MainWindowFields &m_fields;
    EntryPanel &m_expense;
    EntryPanel &m_income;
    ImportReviewModel *m_model;
    ImportStateFilter *m_filter;
    QTableView *tblImport_Rows;
    QComboBox *cboImport_State;
    QLabel *lblImport_Totals;
    QPushButton *btnImport_Import;
};

// The More menu's "导入账单(&D)...": the file dialog, then each file read
// (asking a zip's password and a new bank layout's columns as needed; a file
// that cannot be imported is told and the others go on), then the review
// window, recorded in g_hActiveDialog while it shows.
void ShowImportBill(MainWindowFields &fields, EntryPanel &expense, EntryPanel &income, QWidget *parent);

// Files of more rows than this show a progress bar while they are read.
constexpr int kProgressRowThreshold = 3000;
